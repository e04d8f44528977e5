#include "app/autostart.h"

#include <QSettings>

namespace {

class RunKeyStore : public AutostartStore {
public:
    RunKeyStore() = default;
    // QSettings writes the value out when it is deleted, once the event loop runs.
    ~RunKeyStore() override { settings->deleteLater(); }

    QString value(const QString &name) const override
    {
        return settings->value(name, QVariant()).toString();
    }
    void setValue(const QString &name, const QString &value) override
    {
        settings->setValue(name, value);
    }

private:
    Q_DISABLE_COPY(RunKeyStore)
    QSettings *settings = new QSettings(
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"),
        QSettings::NativeFormat);
};

} // namespace

std::unique_ptr<AutostartStore> platformAutostartStore()
{
    return std::make_unique<RunKeyStore>();
}

QString autostartCommand(const QString &applicationFilePath)
{
    const QString path = QString(applicationFilePath).replace(QLatin1Char('/'), QLatin1Char('\\'));
    // Unquoted, "C:\Program Files\kg.exe" would first run "C:\Program.exe" if one existed.
    return path.contains(QLatin1Char(' ')) ? QLatin1Char('"') + path + QLatin1Char('"') : path;
}
