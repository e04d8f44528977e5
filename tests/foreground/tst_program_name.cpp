#include "foreground/foreground.h"
#include "foreground/program_name.h"

#include <QtTest>

class TestProgramName : public QObject {
    Q_OBJECT

private slots:
    void chooseProgramName_data();
    void chooseProgramName();
    void cutTitle();
    void cutTitle_hidesChromeBeyondBuffer();
};

void TestProgramName::chooseProgramName_data()
{
    QTest::addColumn<QString>("exeName");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("expected");

    const QString chrome = QStringLiteral("Google Chrome");
    const QString frameHost = QStringLiteral("ApplicationFrameHost.exe");
    QTest::newRow("plain program") << "notepad.exe"
                                   << "report.txt - Editor"
                                   << "notepad.exe";
    QTest::newRow("chrome tab") << "chrome.exe"
                                << "New Tab - Google Chrome" << chrome;
    QTest::newRow("chrome title only") << "chrome.exe" << chrome << chrome;
    QTest::newRow("chrome lower case") << "chrome.exe"
                                       << "New Tab - google chrome"
                                       << "chrome.exe";
    QTest::newRow("chrome without blank") << "chrome.exe"
                                          << "New Tab -Google Chrome"
                                          << "chrome.exe";
    QTest::newRow("chrome several parts") << "chrome.exe"
                                          << "A - B - Google Chrome" << chrome;
    QTest::newRow("chrome trailing blank") << "chrome.exe"
                                           << "New Tab - Google Chrome "
                                           << "chrome.exe";
    QTest::newRow("chrome no space before dash") << ""
                                                 << "Docs- Google Chrome" << chrome;
    QTest::newRow("uwp whole title") << frameHost << "Calculator"
                                     << "Calculator";
    QTest::newRow("uwp last part") << frameHost << "Settings - Display"
                                   << "Display";
    QTest::newRow("uwp title ends in dash") << frameHost << "Photos - "
                                            << "";
    QTest::newRow("uwp no title") << frameHost << ""
                                  << "";
    QTest::newRow("uwp other case") << "applicationframehost.exe"
                                    << "Calculator"
                                    << "applicationframehost.exe";
    QTest::newRow("nothing known") << ""
                                   << "Editor"
                                   << "";
}

void TestProgramName::chooseProgramName()
{
    QFETCH(QString, exeName);
    QFETCH(QString, title);
    QFETCH(QString, expected);
    QCOMPARE(::chooseProgramName(exeName, title), expected);
}

void TestProgramName::cutTitle()
{
    const QString full(kTitleBufferUnits + 10, QLatin1Char('x'));
    QCOMPARE(::cutTitle(full).size(), kTitleBufferUnits - 1);
    QCOMPARE(::cutTitle(full.left(kTitleBufferUnits - 1)), full.left(kTitleBufferUnits - 1));
    QCOMPARE(::cutTitle(QStringLiteral("short")), QStringLiteral("short"));
    QCOMPARE(::cutTitle(QString()), QString());
}

void TestProgramName::cutTitle_hidesChromeBeyondBuffer()
{
    const QString suffix = QStringLiteral(" - Google Chrome");
    const QString fits = QString(kTitleBufferUnits - 1 - suffix.size(), QLatin1Char('a')) + suffix;
    QCOMPARE(::chooseProgramName("chrome.exe", ::cutTitle(fits)), QStringLiteral("Google Chrome"));
    const QString tooLong = QLatin1Char('a') + fits;
    QCOMPARE(::chooseProgramName("chrome.exe", tooLong), QStringLiteral("Google Chrome"));
    QCOMPARE(::chooseProgramName("chrome.exe", ::cutTitle(tooLong)), QStringLiteral("chrome.exe"));
}

QTEST_GUILESS_MAIN(TestProgramName)
#include "tst_program_name.moc"
