#pragma once

#include <QKeySequence>
#include <QObject>

#include <memory>

class NativeHotkey;

// A system-wide keyboard shortcut: emits activated() whenever the combination is pressed,
// whichever program has the focus.
class QHotkey : public QObject {
    Q_OBJECT
public:
    /// Creates the hotkey for the first combination of shortcut, registering it right away
    /// when autoRegister is set.
    explicit QHotkey(const QKeySequence &shortcut, bool autoRegister = false,
                     QObject *parent = nullptr);
    /// Unregisters the combination.
    ~QHotkey() override;

    /// The key sequence this hotkey listens for.
    QKeySequence shortcut() const;
    /// Whether the system currently delivers the combination to this hotkey.
    bool isRegistered() const;
    /// Registers or unregisters the combination; returns whether the requested state was reached.
    bool setRegistered(bool registered);

signals:
    /// The combination was pressed; holding it down does not repeat the signal.
    void activated();

private:
    QKeySequence m_shortcut;
    std::unique_ptr<NativeHotkey> m_native;
};
