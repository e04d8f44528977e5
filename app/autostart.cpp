#include "app/autostart.h"

#include <QCoreApplication>

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
