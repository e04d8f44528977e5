#include "hotkey/qhotkey.h"

#include "hotkey/native_hotkey.h"
#include "hotkey/qt_versions.h"

#include <QtDebug>

namespace {
constexpr Qt::KeyboardModifiers supportedModifiers =
    Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier;
}

void warnNotRegistered(Qt::Key key, Qt::KeyboardModifiers modifiers, const char *reason)
{
    const QKeySequence sequence(int(key) | int(modifiers));
    qWarning().noquote() << "QHotkey: could not register" << sequence.toString() + ":" << reason;
}

QHotkey::QHotkey(const QKeySequence &shortcut, bool autoRegister, QObject *parent)
    : QObject(parent), m_shortcut(shortcut)
{
    if (autoRegister)
        setRegistered(true);
}

QHotkey::~QHotkey() = default;

QKeySequence QHotkey::shortcut() const
{
    return m_shortcut;
}

bool QHotkey::isRegistered() const
{
    return m_native != nullptr;
}

bool QHotkey::setRegistered(bool registered)
{
    if (!registered) {
        m_native.reset();
        return true;
    }
    if (m_native)
        return true;
    if (m_shortcut.isEmpty()) {
        qWarning("QHotkey: cannot register an empty key sequence");
        return false;
    }
    const int combination = firstCombination(m_shortcut);
    const auto key = Qt::Key(combination & ~Qt::KeyboardModifierMask);
    const auto modifiers = Qt::KeyboardModifiers(combination & Qt::KeyboardModifierMask);
    m_native =
        registerNativeHotkey(key, modifiers & supportedModifiers, [this] { emit activated(); });
    return m_native != nullptr;
}
