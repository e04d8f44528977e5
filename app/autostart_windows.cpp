#include "app/autostart.h"

#include <QSettings>

namespace {

class RunKeyStore : public AutostartStore {
public:
    explicit RunKeyStore(const QString &root)
        : settings(root + QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"),
                   QSettings::NativeFormat)
    {
    }

    QString value(const QString &name) const override
    {
        return settings.value(name, QVariant()).toString();
    }
    // Qt keeps a refused write to itself (AccessError) unless asked.
    bool setValue(const QString &name, const QString &value) override
    {
        settings.setValue(name, value);
        settings.sync();
        return settings.status() == QSettings::NoError;
    }

private:
    QSettings settings;
};

} // namespace

// The machine-wide key needs administrator rights, which a process started normally under UAC
// does not have, even an administrator's: there the user's own key starts Keyglance at log-in.
std::unique_ptr<AutostartStore> platformAutostartStore()
{
    return std::make_unique<FallbackAutostartStore>(
        std::make_unique<RunKeyStore>(QStringLiteral("HKEY_LOCAL_MACHINE")),
        std::make_unique<RunKeyStore>(QStringLiteral("HKEY_CURRENT_USER")));
}

QString autostartCommand(const QString &applicationFilePath)
{
    const QString path = QString(applicationFilePath).replace(QLatin1Char('/'), QLatin1Char('\\'));
    // Unquoted, "C:\Program Files\kg.exe" would first run "C:\Program.exe" if one existed.
    return path.contains(QLatin1Char(' ')) ? QLatin1Char('"') + path + QLatin1Char('"') : path;
}
