#pragma once

#include <Qt>

#include <functional>
#include <memory>

// A combination grabbed from the system; destroying it releases the grab.
class NativeHotkey {
public:
    virtual ~NativeHotkey() = default;
};

/// Grabs key + modifiers system-wide, calling onPress on the GUI thread once per press (a held
/// combination's auto-repeats do not count); returns null after a warning when the system refuses.
std::unique_ptr<NativeHotkey> registerNativeHotkey(Qt::Key key, Qt::KeyboardModifiers modifiers,
                                                   std::function<void()> onPress);

/// Prints the warning for a combination that could not be registered.
void warnNotRegistered(Qt::Key key, Qt::KeyboardModifiers modifiers, const char *reason);
