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

    // Wrong only towards staying off: a word that may be Ctrl+space is found wherever it is.
    void findsWhatMayBindIt_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<bool>("mayBind");
        QTest::newRow("sway's own configuration")
            << "set $mod Mod4\nbindsym $mod+space focus mode_toggle\n"
               "bindsym $mod+Shift+space floating toggle\nbindsym Ctrl+1 workspace 1\n"
               "exec $HOME/bin/start"
            << false;
        QTest::newRow("plain") << "bindsym Ctrl+space exec foot" << true;
        QTest::newRow("names in other case") << "bindsym --to-code control+Space nop" << true;
        QTest::newRow("through a variable") << "set $mod Ctrl\nbindsym $mod+space nop" << true;
        QTest::newRow("a variable set twice")
            << "set $m Ctrl\nset $m Mod4\nbindsym $m+space nop" << true;
        QTest::newRow("a variable no line sets") << "bindsym Ctrl+$key nop" << true;
        QTest::newRow("by key code") << "bindcode Ctrl+65 nop" << true;
        QTest::newRow("under a flag") << "bindsym --release Ctrl+space nop" << true;
        QTest::newRow("in another mode") << "mode resize {\n  bindsym Ctrl+space nop\n}" << true;
        QTest::newRow("more modifiers") << "bindsym Ctrl+Shift+space nop" << false;
        QTest::newRow("another key") << "bindsym Ctrl+Return nop" << false;
        QTest::newRow("commented out") << "  # bindsym Ctrl+space nop" << false;
    }
    void findsWhatMayBindIt()
    {
        QFETCH(QString, config);
        QFETCH(bool, mayBind);
        QCOMPARE(bool(swayConfigMayBind(config, QStringLiteral("/config"), kCtrlSpace)), mayBind);
    }

    void followsIncludes()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("config.d")));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("config.d/10-other")), "bindsym Mod4+a nop"));
        const QString ours = dir.filePath(QStringLiteral("config.d/20-ours"));
        QVERIFY(writeFile(ours, "\nbindsym $mod+space nop"));
        // Includes itself: read once, not forever.
        const QString loop = dir.filePath(QStringLiteral("config.d/30-loop"));
        QVERIFY(writeFile(loop, "include " + loop.toUtf8()));
        const QString config = dir.filePath(QStringLiteral("config"));
        QCOMPARE(swayConfigMayBind(QStringLiteral("set $mod Ctrl\ninclude config.d/*"), config,
                                   kCtrlSpace),
                 ours + QStringLiteral(":2: bindsym $mod+space nop"));
        QVERIFY(
            !swayConfigMayBind(QStringLiteral("include config.d/10-* ~/none"), config, kCtrlSpace));
        // sway takes a tab for a blank.
        QVERIFY(swayConfigMayBind(QStringLiteral("set $mod Ctrl\ninclude\tconfig.d/20-ours"),
                                  config, kCtrlSpace));
        // What a command would print is beyond knowing.
        QCOMPARE(swayConfigMayBind(QStringLiteral("include $(ls)"), config, kCtrlSpace),
                 config + QStringLiteral(":1: include $(ls)"));
    }
};

QTEST_GUILESS_MAIN(TestSwayConfig)
#include "tst_sway_config.moc"
