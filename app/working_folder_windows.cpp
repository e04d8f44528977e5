#include "app/working_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <qt_windows.h>

void leaveSystemFolder()
{
    wchar_t systemFolder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(systemFolder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    // QDir compares the canonical paths, ignoring letter case as Windows does.
    if (QDir::current() == QDir(QString::fromWCharArray(systemFolder, int(length))))
        QDir::setCurrent(QCoreApplication::applicationDirPath());
}
