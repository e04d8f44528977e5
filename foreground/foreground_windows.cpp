#include "foreground/foreground.h"
#include "foreground/program_name.h"

#include <cstdio>

#include <windows.h>

#include <tlhelp32.h>

QString foregroundProgramName()
{
    DWORD processId = 0;
    const HWND window = GetForegroundWindow();
    GetWindowThreadProcessId(window, &processId);
    const QString exeName = processExeName(processId);
    wchar_t title[kTitleBufferUnits];
    const int length = GetWindowTextW(window, title, kTitleBufferUnits);
    return chooseProgramName(exeName, QString::fromWCharArray(title, length > 0 ? length : 0));
}

ForegroundPlace foregroundWindowPlace()
{
    RECT frame;
    const HWND window = GetForegroundWindow();
    if (!window || !GetWindowRect(window, &frame))
        return {};
    return {{}, QRect(QPoint(frame.left, frame.top), QPoint(frame.right - 1, frame.bottom - 1))};
}

QString processExeName(quint32 processId)
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return {};
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(PROCESSENTRY32W);
    if (!Process32FirstW(snapshot, &entry)) {
        CloseHandle(snapshot);
        printf("!!! Failed to gather information on system processes! \n");
        return {};
    }
    QString name;
    do {
        if (entry.th32ProcessID == processId) {
            name = QString::fromWCharArray(entry.szExeFile);
            break;
        }
    } while (Process32NextW(snapshot, &entry));
    CloseHandle(snapshot);
    return name;
}
