#pragma once

// The two things the hotkey code uses that Qt 5 and Qt 6 spell differently.

#include <QKeySequence>
#include <QtGlobal>

/// The type of the result QAbstractNativeEventFilter::nativeEventFilter may set.
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
using NativeEventResult = qintptr;
#else
using NativeEventResult = long;
#endif

/// The sequence's first key with its modifiers, as one number.
inline int firstCombination(const QKeySequence &sequence)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return sequence[0].toCombined();
#else
    return sequence[0];
#endif
}
