#include "foreground/program_name.h"

#include "foreground/foreground.h"

QString cutTitle(const QString &windowTitle)
{
    return windowTitle.left(kTitleBufferUnits - 1);
}

QString chooseProgramName(const QString &exeName, const QString &windowTitle)
{
    // UWP apps all run in ApplicationFrameHost and Chrome apps share chrome.exe,
    // so for them the end of the title names the program.
    const QString lastPart =
        windowTitle.section(QStringLiteral("- "), -1, -1, QString::SectionDefault);
    QString result = exeName;
    if (exeName == QLatin1String("ApplicationFrameHost.exe"))
        result = lastPart;
    if (lastPart == QLatin1String("Google Chrome"))
        result = lastPart;
    return result;
}
