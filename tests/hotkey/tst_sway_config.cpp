#include "hotkey/sway_config.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// Ctrl+space, as Keyglance binds it.
const SwayCombination kCtrlSpace{4, 0x20};

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

} // namespace

class TestSwayConfig : public QObject {
    Q_OBJECT
private slots:
    void combinationText()
    {
        QCOMPARE(swayCombinationText(kCtrlSpace), QStringLiteral("Ctrl+space"));
        QCOMPARE(swayCombinationText({1 | 8 | 64, 0x6b}), QStringLiteral("Shift+Mod1+Mod4+k"));
    }

    void findsTheBinding_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<bool>("binds");
        QTest::newRow("plain") << "bindsym Ctrl+space exec foot" << true;
        QTest::newRow("names in other case") << "bindsym --to-code control+Space nop" << true;
        QTest::newRow("through a variable") << "set $mod Ctrl\nbindsym $mod+space nop" << true;
        QTest::newRow("longest variable")
            << "set $m Mod4\nset $mc Ctrl\nbindsym $mc+space nop" << true;
        QTest::newRow("in a bindsym block") << "bindsym {\n  Ctrl+space nop\n}" << true;
        QTest::newRow("by key code") << "bindcode Ctrl+65 nop" << true;
        QTest::newRow("continued line") << "bindsym \\\n  Ctrl+space nop" << true;
        QTest::newRow("another mode") << "mode \"resize\" {\n  bindsym Ctrl+space nop\n}" << false;
        QTest::newRow("the default mode") << "mode default bindsym Ctrl+space nop" << true;
        QTest::newRow("more modifiers") << "bindsym Ctrl+Shift+space nop" << false;
        QTest::newRow("another key") << "bindsym Ctrl+Return nop" << false;
        QTest::newRow("commented out") << "# bindsym Ctrl+space nop" << false;
        QTest::newRow("unbound again") << "bindsym Ctrl+space nop\nunbindsym Ctrl+space" << false;
    }
    void findsTheBinding()
    {
        QFETCH(QString, config);
        QFETCH(bool, binds);
        QCOMPARE(swayConfigBinds(config, QDir::tempPath(), kCtrlSpace), binds);
    }

    void followsIncludes()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("config.d")));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("config.d/10-other")), "bindsym Mod4+a nop"));
        QVERIFY(
            writeFile(dir.filePath(QStringLiteral("config.d/20-ours")), "bindsym $mod+space nop"));
        // Includes itself: read once, not forever.
        QVERIFY(writeFile(dir.filePath(QStringLiteral("config.d/30-loop")),
                          "include " + dir.filePath(QStringLiteral("config.d/30-loop")).toUtf8()));
        const QString config = QStringLiteral("set $mod Ctrl\ninclude config.d/*");
        QVERIFY(swayConfigBinds(config, dir.path(), kCtrlSpace));
        QVERIFY(!swayConfigBinds(QStringLiteral("include config.d/10-*"), dir.path(), kCtrlSpace));
    }
};

QTEST_GUILESS_MAIN(TestSwayConfig)
#include "tst_sway_config.moc"
