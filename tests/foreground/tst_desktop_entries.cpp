#include "app/desktop_entry.h"
#include "foreground/desktop_entries_linux.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void writeFile(const QString &path, const QByteArray &text)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(text), qint64(text.size()));
}

QByteArray entry(const QByteArray &lines)
{
    return "[Desktop Entry]\nType=Application\nName=Any\n" + lines + "\n";
}

} // namespace

class TestDesktopEntries : public QObject {
    Q_OBJECT

private slots:
    // Before anything asks for the session's entries: they are read from these folders.
    void initTestCase()
    {
        QVERIFY(scratch.isValid());
        const QString bin = scratch.filePath(QStringLiteral("bin"));
        writeFile(bin + QStringLiteral("/real-sheet"), "#!/bin/sh\n");
        QVERIFY(QFile::setPermissions(bin + QStringLiteral("/real-sheet"),
                                      QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(QFile::link(QStringLiteral("real-sheet"), bin + QStringLiteral("/sheet")));
        qputenv("PATH", bin.toUtf8() + ':' + qgetenv("PATH"));

        writeFile(home() + QStringLiteral("/applications/org.example.Sheet.desktop"),
                  entry("Exec=env GDK_BACKEND=x11 sheet %F\nStartupWMClass=SheetWindow"));
        writeFile(home() + QStringLiteral("/applications/org.example.Gone.desktop"),
                  entry("Exec=gone\nHidden=true"));
        writeFile(system() + QStringLiteral("/applications/org.example.Sheet.desktop"),
                  entry("Exec=hidden-by-the-home-one"));
        writeFile(system() + QStringLiteral("/applications/org.example.Gone.desktop"),
                  entry("Exec=gone"));
        writeFile(system() + QStringLiteral("/applications/kde/viewer.desktop"),
                  entry("Exec=\"/opt/Image Viewer/viewer\" %u"));
        qputenv("XDG_DATA_HOME", home().toUtf8());
        qputenv("XDG_DATA_DIRS", system().toUtf8());
    }

    void executableOfTheCommand_data()
    {
        QTest::addColumn<QByteArray>("exec");
        QTest::addColumn<QString>("executable");
        QTest::newRow("field codes") << QByteArray("gedit %U") << "gedit";
        QTest::newRow("env and assignments")
            << QByteArray("env -u A B=1 --chdir=/ C=2 /usr/bin/foo --x") << "/usr/bin/foo";
        QTest::newRow("assignment") << QByteArray("LANG=C prog") << "prog";
        QTest::newRow("flatpak command")
            << QByteArray("/usr/bin/flatpak run --branch=stable --command=obsidian "
                          "md.obsidian.Obsidian @@u %U @@")
            << "obsidian";
        QTest::newRow("flatpak application")
            << QByteArray("flatpak run org.mozilla.firefox %u") << "org.mozilla.firefox";
        QTest::newRow("quoted") << QByteArray(R"("/opt/My \\$App/app" %F)") << "/opt/My $App/app";
        QTest::newRow("unterminated quote") << QByteArray("\"/opt/app") << "";
        QTest::newRow("only env") << QByteArray("env A=1") << "";
    }
    void executableOfTheCommand()
    {
        QFETCH(QByteArray, exec);
        QFETCH(QString, executable);
        QCOMPARE(desktopEntryExecutable(desktopExecArguments(entry("Exec=" + exec))), executable);
    }

    void windowsNamedThroughTheirEntry_data()
    {
        QTest::addColumn<QString>("exeName");
        QTest::addColumn<QString>("appIdOrClass");
        QTest::addColumn<QString>("expected");
        QTest::newRow("executable known") << "gedit"
                                          << "org.example.Sheet"
                                          << "gedit";
        QTest::newRow("interpreter") << "python3.11"
                                     << "org.example.Sheet"
                                     << "real-sheet";
        QTest::newRow("app id, link followed") << ""
                                               << "org.example.Sheet"
                                               << "real-sheet";
        QTest::newRow("other case") << ""
                                    << "org.example.sheet"
                                    << "real-sheet";
        QTest::newRow("window class") << "java"
                                      << "SheetWindow"
                                      << "real-sheet";
        QTest::newRow("subfolder") << ""
                                   << "kde-viewer"
                                   << "viewer";
        QTest::newRow("hidden entry hides the system one") << ""
                                                           << "org.example.Gone"
                                                           << "org.example.Gone";
        QTest::newRow("no entry") << ""
                                  << "org.example.Unknown"
                                  << "org.example.Unknown";
        QTest::newRow("interpreter, no entry") << "gjs-console"
                                               << "Unknown"
                                               << "gjs-console";
    }
    void windowsNamedThroughTheirEntry()
    {
        QFETCH(QString, exeName);
        QFETCH(QString, appIdOrClass);
        QFETCH(QString, expected);
        QCOMPARE(windowProgramName(exeName, appIdOrClass), expected);
    }

    void readAgainWhenAFolderChanges()
    {
        // A data folder with no applications folder yet, as ~/.local/share often is.
        const QString folder = scratch.filePath(QStringLiteral("later"));
        QVERIFY(QDir().mkpath(folder));
        DesktopEntries entries({folder});
        QCOMPARE(entries.program(QStringLiteral("org.example.New")), QString());
        QSignalSpy reread(&entries, &DesktopEntries::reread);
        writeFile(folder + QStringLiteral("/applications/org.example.New.desktop"),
                  entry("Exec=new-program"));
        QTRY_COMPARE(entries.program(QStringLiteral("org.example.New")),
                     QStringLiteral("new-program"));
        QVERIFY(!reread.isEmpty());
    }

private:
    QString home() const { return scratch.filePath(QStringLiteral("home")); }
    QString system() const { return scratch.filePath(QStringLiteral("system")); }

    QTemporaryDir scratch;
};

QTEST_GUILESS_MAIN(TestDesktopEntries)
#include "tst_desktop_entries.moc"
