#pragma once

#include <QString>
#include <memory>

// Where the system keeps the programs it starts at log-in.
class AutostartStore {
public:
    virtual ~AutostartStore() = default;
    /// The string stored under name; empty when missing or unreadable.
    virtual QString value(const QString &name) const = 0;
    /// Stores value under name; false when the store refused it.
    virtual bool setValue(const QString &name, const QString &value) = 0;
    /// Whether name already holds all that setValue(name, value) would store.
    virtual bool holds(const QString &name, const QString &value) const
    {
        return this->value(name) == value;
    }
};

/// A store used where another refuses the write, as a user's own Run key where the machine-wide
/// one needs administrator rights. It holds name when the first does; it stores there, else in
/// the second (unless that already holds it), and says so in the log when both refuse.
class FallbackAutostartStore : public AutostartStore {
public:
    FallbackAutostartStore(std::unique_ptr<AutostartStore> first,
                           std::unique_ptr<AutostartStore> second);
    QString value(const QString &name) const override;
    bool holds(const QString &name, const QString &value) const override;
    bool setValue(const QString &name, const QString &value) override;

private:
    std::unique_ptr<AutostartStore> first;
    std::unique_ptr<AutostartStore> second;
};

/// The store of this platform (Windows: the machine-wide Run key, else the user's; Linux: XDG
/// autostart entries).
std::unique_ptr<AutostartStore> platformAutostartStore();

/// The executable path in the form this platform stores it (Windows: backslashes, in quotes
/// when it holds a blank); on Linux the package's launcher instead when that started Keyglance.
QString autostartCommand(const QString &applicationFilePath);

/// Writes path under name unless the store already holds exactly that (case-sensitive).
void registerAutostart(AutostartStore &store, const QString &name, const QString &path);

/// Registers this executable under the application name, as done at start-up.
void registerAutostart();
