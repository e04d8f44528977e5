#include "app/autostart.h"

#include <QCoreApplication>
#include <QtDebug>

FallbackAutostartStore::FallbackAutostartStore(std::unique_ptr<AutostartStore> first,
                                               std::unique_ptr<AutostartStore> second)
    : first(std::move(first)), second(std::move(second))
{
}

QString FallbackAutostartStore::value(const QString &name) const
{
    const QString value = first->value(name);
    return value.isEmpty() ? second->value(name) : value;
}

bool FallbackAutostartStore::holds(const QString &name, const QString &value) const
{
    return first->holds(name, value);
}

bool FallbackAutostartStore::setValue(const QString &name, const QString &value)
{
    if (first->setValue(name, value) || second->holds(name, value) || second->setValue(name, value))
        return true;
    qWarning().noquote() << "Keyglance: cannot register itself to start with the system: both "
                            "places refused the entry";
    return false;
}

void registerAutostart(AutostartStore &store, const QString &name, const QString &path)
{
    // Writing only on a change keeps start-up from touching the store every time.
    if (!store.holds(name, path))
        store.setValue(name, path);
}

void registerAutostart()
{
    const auto store = platformAutostartStore();
    registerAutostart(*store, QCoreApplication::applicationName(),
                      autostartCommand(QCoreApplication::applicationFilePath()));
}
