#include "app/autostart.h"
#include "app/desktop_entry.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>
#include <memory>
#include <unistd.h>

namespace {

const QString appName = QStringLiteral("keyglance");
const QString appPath = QStringLiteral("/opt/Key Glance/keyglance");

QStringList messages;

void collectMessage(QtMsgType, const QMessageLogContext &, const QString &message)
{
    messages += message;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// An old, whole-second time, so any rewrite shows in the modification time.
const QDateTime oldTime = QDateTime::fromSecsSinceEpoch(1'000'000'000);

bool makeOld(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(oldTime, QFileDevice::FileModificationTime);
}

// A store in memory that may refuse every write, as a machine-wide Run key does a user without
// administrator rights; its writes are shared with the test.
class MemoryStore : public AutostartStore {
public:
    MemoryStore(bool refuses, QHash<QString, QString> *values) : refuses(refuses), values(values) {}
    QString value(const QString &name) const override { return values->value(name); }
    bool setValue(const QString &name, const QString &value) override
    {
        if (refuses)
            return false;
        values->insert(name, value);
        ++writes;
        return true;
    }

    int writes = 0;

private:
    bool refuses;
    QHash<QString, QString> *values;
};

} // namespace

class TestAutostart : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void createsMissingEntry();
    void keepsEqualEntryUntouched();
    void followsWorkingFolder();
    void rewritesEntryDifferingInCase();
    void renamedExecutableGetsSecondEntry();
    void escapesEveryValue();
    void pathRoundTrips_data();
    void pathRoundTrips();
    void randomEntriesRoundTrip();
    void readsForeignEntries_data();
    void readsForeignEntries();
    void unwritableFolderIsSilent_data();
    void unwritableFolderIsSilent();
    void fallsBackToHomeConfig_data();
    void fallsBackToHomeConfig();
    void fallsBackWhereTheStoreRefuses_data();
    void fallsBackWhereTheStoreRefuses();

private:
    QString entryPath(const QString &name) const
    {
        return config->path() + QStringLiteral("/autostart/") + name + QStringLiteral(".desktop");
    }

    std::unique_ptr<QTemporaryDir> config;
    std::unique_ptr<AutostartStore> store;
    QByteArray home = qgetenv("HOME");
    QString startFolder = QDir::currentPath();
};

void TestAutostart::init()
{
    config = std::make_unique<QTemporaryDir>();
    QVERIFY(config->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config->path()));
    store = platformAutostartStore();
}

void TestAutostart::cleanup()
{
    qputenv("HOME", home);
    QVERIFY(QDir::setCurrent(startFolder));
}

void TestAutostart::createsMissingEntry()
{
    QCOMPARE(autostartCommand(QStringLiteral("/opt/a\\b/kg")), QStringLiteral("/opt/a\\b/kg"));
    registerAutostart(*store, appName, appPath);
    QCOMPARE(readFile(entryPath(appName)), "[Desktop Entry]\nType=Application\nName=keyglance\n"
                                           "Exec=\"/opt/Key Glance/keyglance\"\nPath=" +
                                               QDir::currentPath().toUtf8() +
                                               "\nX-GNOME-Autostart-enabled=true\n");
    QCOMPARE(store->value(appName), appPath);
}

void TestAutostart::keepsEqualEntryUntouched()
{
    registerAutostart(*store, appName, appPath);
    QVERIFY(makeOld(entryPath(appName)));
    const QByteArray content = readFile(entryPath(appName));

    registerAutostart(*store, appName, appPath);
    QCOMPARE(QFileInfo(entryPath(appName)).lastModified(), oldTime);
    QCOMPARE(readFile(entryPath(appName)), content);
}

void TestAutostart::followsWorkingFolder()
{
    registerAutostart(*store, appName, appPath);
    QVERIFY(makeOld(entryPath(appName)));
    const QTemporaryDir otherFolder;
    QVERIFY(otherFolder.isValid());
    QVERIFY(QDir::setCurrent(otherFolder.path()));

    registerAutostart(*store, appName, appPath);
    QCOMPARE(readFile(entryPath(appName)), desktopEntry(appName, appPath, QDir::currentPath()));
    QVERIFY(QFileInfo(entryPath(appName)).lastModified() != oldTime);
}

void TestAutostart::rewritesEntryDifferingInCase()
{
    registerAutostart(*store, appName, QStringLiteral("/opt/key glance/Keyglance"));
    QVERIFY(makeOld(entryPath(appName)));

    registerAutostart(*store, appName, appPath);
    QCOMPARE(store->value(appName), appPath);
    QVERIFY(QFileInfo(entryPath(appName)).lastModified() != oldTime);
}

void TestAutostart::renamedExecutableGetsSecondEntry()
{
    registerAutostart(*store, appName, appPath);
    const QByteArray first = readFile(entryPath(appName));
    const QString renamedPath = QStringLiteral("/opt/Key Glance/kg");

    registerAutostart(*store, QStringLiteral("kg"), renamedPath);
    QCOMPARE(readFile(entryPath(appName)), first);
    QCOMPARE(store->value(appName), appPath);
    QCOMPARE(store->value(QStringLiteral("kg")), renamedPath);
}

void TestAutostart::escapesEveryValue()
{
    QCOMPARE(desktopEntry(QStringLiteral(" key\nExec=/evil\t"), QStringLiteral("/opt/100%/kg"),
                          QStringLiteral(" /home/a\\b\r ")),
             "[Desktop Entry]\nType=Application\nName=\\skey\\nExec=/evil\\t\n"
             "Exec=/opt/100%%/kg\nPath=\\s/home/a\\\\b\\r\\s\nX-GNOME-Autostart-enabled=true\n");
}

void TestAutostart::pathRoundTrips_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << QStringLiteral("/usr/bin/keyglance");
    QTest::newRow("spaces") << QStringLiteral("/opt/Key Glance/key  glance");
    QTest::newRow("double quotes") << QStringLiteral("/opt/\"kg\"/k\"g");
    QTest::newRow("single quotes") << QStringLiteral("/opt/it's/'kg'");
    QTest::newRow("backslashes") << QStringLiteral("/opt/a\\b\\\\c/kg\\");
    QTest::newRow("dollar") << QStringLiteral("/opt/$HOME/${kg}$");
    QTest::newRow("percent") << QStringLiteral("/opt/100%/%U%%k");
    QTest::newRow("backtick") << QStringLiteral("/opt/`id`/kg");
    QTest::newRow("non-ASCII") << QStringLiteral("/opt/Schlüssel/ключ/鍵");
    QTest::newRow("control") << QStringLiteral("/opt/a\nb\tc\rd\ve");
    QTest::newRow("edge spaces") << QStringLiteral(" /opt/kg ");
    QTest::newRow("reserved") << QStringLiteral("/opt/a>b<c~d|e&f;g*h?i#j(k)l=m[n]");
    QTest::newRow("empty") << QString();
}

void TestAutostart::pathRoundTrips()
{
    QFETCH(QString, path);
    store->setValue(appName, path);
    QCOMPARE(store->value(appName), path);

    QVERIFY(makeOld(entryPath(appName)));
    registerAutostart(*store, appName, path);
    QCOMPARE(QFileInfo(entryPath(appName)).lastModified(), oldTime);
}

void TestAutostart::randomEntriesRoundTrip()
{
    const QString alphabet =
        QStringLiteral("ab/ \t\n\r\v\"'\\><~|&;$*?#()`%=[]é鍵") + QChar(0x00a0) + QChar(0x2028);
    QRandomGenerator random(20240601);
    const auto randomText = [&] {
        QString text;
        for (int length = random.bounded(12); length > 0; --length)
            text += alphabet.at(random.bounded(alphabet.size()));
        return text;
    };
    for (int round = 0; round < 5000; ++round) {
        const QString path = randomText();
        const QString name = randomText() + QStringLiteral("\n[Desktop Entry]\nExec=/evil");
        const QString folder = randomText();
        const QByteArray entry = desktopEntry(name, path, folder);
        QCOMPARE(desktopExecValue(entry), path);
        QCOMPARE(desktopPathValue(entry), folder);
    }
}

void TestAutostart::readsForeignEntries_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QString>("value");
    const QString path = QStringLiteral("/usr/bin/keyglance");
    const auto row = [](const char *name, const QByteArray &entry, const QString &value) {
        QTest::newRow(name) << entry << value;
    };
    row("plain", "[Desktop Entry]\nExec=/usr/bin/keyglance\n", path);
    row("blanks and CRLF",
        "  [Desktop Entry]\r\nType=Application\r\n Exec = /usr/bin/keyglance \r\n", path);
    row("quoted", "[Desktop Entry]\nExec=\"/usr/bin/keyglance\"\n", path);
    row("quoted escapes", "[Desktop Entry]\nExec=\"/a\\\\\\\\b\\\\$c\\\\\"d\\s\"\n",
        QStringLiteral("/a\\b$c\"d "));
    row("last key wins", "[Desktop Entry]\nExec=/bin/old\nExec=/usr/bin/keyglance\n", path);
    row("extra argument", "[Desktop Entry]\nExec=/usr/bin/keyglance --hidden\n", QString());
    row("field code", "[Desktop Entry]\nExec=/usr/bin/keyglance %U\n", QString());
    row("glued field code", "[Desktop Entry]\nExec=/usr/bin/keyglance%u\n", QString());
    row("quoted field code", "[Desktop Entry]\nExec=\"/usr/bin/keyglance%f\"\n", QString());
    row("quoted then argument", "[Desktop Entry]\nExec=\"/usr/bin/keyglance\" -x\n", QString());
    row("unbalanced quote", "[Desktop Entry]\nExec=\"/usr/bin/keyglance\n", QString());
    row("unquoted reserved", "[Desktop Entry]\nExec=/usr/bin/key\\\\glance\n", QString());
    row("bad string escape", "[Desktop Entry]\nExec=/usr/bin/keyglance\\q\n", QString());
    row("bad quoted escape", "[Desktop Entry]\nExec=\"/usr/bin/keyglance\\\\q\"\n", QString());
    row("wrapper", "[Desktop Entry]\nExec=env A=1 /usr/bin/keyglance\n", QString());
    row("missing Exec", "[Desktop Entry]\nType=Application\n", QString());
    row("Exec in another group",
        "[Desktop Entry]\nType=Application\n[Desktop Action hide]\nExec=/usr/bin/keyglance\n",
        QString());
    row("Exec before the group", "Exec=/usr/bin/keyglance\n[Desktop Entry]\n", QString());
    row("lookalike group", "[Desktop Entry x]\nExec=/usr/bin/keyglance\n", QString());
    row("localized Exec", "[Desktop Entry]\nExec[de]=/usr/bin/keyglance\n", QString());
    row("TryExec", "[Desktop Entry]\nTryExec=/usr/bin/keyglance\n", QString());
    row("commented out", "[Desktop Entry]\n#Exec=/usr/bin/keyglance\n", QString());
    row("unquoted blank", "[Desktop Entry]\nExec=/opt/Key Glance/kg\n", QString());
    row("NUL inside", QByteArrayLiteral("[Desktop Entry]\nExec=/usr/bin/keyglance\0 --evil\n"),
        QString());
}

void TestAutostart::readsForeignEntries()
{
    QFETCH(QByteArray, entry);
    QFETCH(QString, value);
    const QString path = QStringLiteral("/usr/bin/keyglance");
    QCOMPARE(desktopExecValue(entry), value);

    // In the folder the entry names, only its program decides whether it is rewritten.
    const QByteArray entryHere = entry + "Path=" + QDir::currentPath().toUtf8() + '\n';
    QVERIFY(QDir().mkpath(config->path() + QStringLiteral("/autostart")));
    QVERIFY(writeFile(entryPath(appName), entryHere));
    registerAutostart(*store, appName, path);
    QCOMPARE(readFile(entryPath(appName)) == entryHere, value == path);
    QCOMPARE(store->value(appName), path);
}

void TestAutostart::unwritableFolderIsSilent_data()
{
    QTest::addColumn<QString>("blocker");
    QTest::addColumn<bool>("isFolder");
    QTest::newRow("file as autostart folder") << QStringLiteral("/autostart") << false;
    QTest::newRow("folder as entry")
        << QStringLiteral("/autostart/%1.desktop").arg(QCoreApplication::applicationName()) << true;
    QTest::newRow("no config home") << QString() << false;
}

void TestAutostart::unwritableFolderIsSilent()
{
    QFETCH(QString, blocker);
    QFETCH(bool, isFolder);
    if (blocker.isEmpty())
        qputenv("XDG_CONFIG_HOME", "/proc/keyglance");
    else if (isFolder)
        QVERIFY(QDir().mkpath(config->path() + blocker));
    else
        QVERIFY(writeFile(config->path() + blocker, QByteArray()));

    QTemporaryFile output;
    QVERIFY(output.open());
    messages.clear();
    const QtMessageHandler previousHandler = qInstallMessageHandler(collectMessage);
    fflush(stdout);
    fflush(stderr);
    const int savedOut = dup(STDOUT_FILENO);
    const int savedErr = dup(STDERR_FILENO);
    dup2(output.handle(), STDOUT_FILENO);
    dup2(output.handle(), STDERR_FILENO);

    registerAutostart();

    fflush(stdout);
    fflush(stderr);
    dup2(savedOut, STDOUT_FILENO);
    dup2(savedErr, STDERR_FILENO);
    close(savedOut);
    close(savedErr);
    qInstallMessageHandler(previousHandler);

    QCOMPARE(messages, QStringList());
    QCOMPARE(output.size(), 0);
    QVERIFY(blocker.isEmpty() || QFileInfo(config->path() + blocker).isDir() == isFolder);
}

void TestAutostart::fallsBackToHomeConfig_data()
{
    QTest::addColumn<QByteArray>("configHome");
    QTest::newRow("unset") << QByteArray();
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("relative") << QByteArray("relative/config");
}

void TestAutostart::fallsBackToHomeConfig()
{
    QFETCH(QByteArray, configHome);
    const QTemporaryDir homeDir;
    QVERIFY(homeDir.isValid());
    qputenv("HOME", QFile::encodeName(homeDir.path()));
    if (configHome.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", configHome);

    registerAutostart();
    const QString entry = homeDir.path() + QStringLiteral("/.config/autostart/") +
                          QCoreApplication::applicationName() + QStringLiteral(".desktop");
    QCOMPARE(desktopExecValue(readFile(entry)), QCoreApplication::applicationFilePath());
    QCOMPARE(store->value(QCoreApplication::applicationName()),
             QCoreApplication::applicationFilePath());
}

QTEST_GUILESS_MAIN(TestAutostart)
#include "tst_autostart.moc"

void TestAutostart::fallsBackWhereTheStoreRefuses_data()
{
    QTest::addColumn<bool>("firstRefuses");
    QTest::addColumn<QString>("firstHolds");
    QTest::addColumn<bool>("secondRefuses");
    QTest::addColumn<QString>("firstAfter");
    QTest::addColumn<QString>("secondAfter");
    QTest::addColumn<bool>("logged");
    const QString old = QStringLiteral("C:\\old\\keyglance.exe");
    QTest::newRow("first takes it") << false << QString() << false << appPath << QString() << false;
    QTest::newRow("first refuses") << true << QString() << false << QString() << appPath << false;
    QTest::newRow("first refuses an update") << true << old << false << old << appPath << false;
    QTest::newRow("first holds it") << true << appPath << true << appPath << QString() << false;
    QTest::newRow("both refuse") << true << QString() << true << QString() << QString() << true;
}

void TestAutostart::fallsBackWhereTheStoreRefuses()
{
    QFETCH(bool, firstRefuses);
    QFETCH(QString, firstHolds);
    QFETCH(bool, secondRefuses);
    QFETCH(QString, firstAfter);
    QFETCH(QString, secondAfter);
    QFETCH(bool, logged);
    QHash<QString, QString> first;
    QHash<QString, QString> second;
    if (!firstHolds.isEmpty())
        first.insert(appName, firstHolds);
    auto *secondStore = new MemoryStore(secondRefuses, &second);
    FallbackAutostartStore fallback(std::make_unique<MemoryStore>(firstRefuses, &first),
                                    std::unique_ptr<AutostartStore>(secondStore));
    if (logged)
        QTest::ignoreMessage(QtWarningMsg, "Keyglance: cannot register itself to start with the "
                                           "system: both places refused the entry");
    registerAutostart(fallback, appName, appPath);
    QCOMPARE(first.value(appName), firstAfter);
    QCOMPARE(second.value(appName), secondAfter);
    // The next start finds it held and writes it nowhere again.
    if (!logged) {
        const int writes = secondStore->writes;
        registerAutostart(fallback, appName, appPath);
        QCOMPARE(secondStore->writes, writes);
        QCOMPARE(first.value(appName), firstAfter);
    }
}
