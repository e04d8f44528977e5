#include "hotkey/gnome_accelerator.h"

#include "hotkey/native_hotkey_linux.h"

#include <QRegularExpression>

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

// The modifier names GTK's accelerator parser takes; of each bit, the first is the one written.
const std::pair<QLatin1String, quint16> kModifierNames[] = {
    {QLatin1String("Shift"), 1}, {QLatin1String("Control"), 4}, {QLatin1String("Ctrl"), 4},
    {QLatin1String("Ctl"), 4},   {QLatin1String("Primary"), 4}, {QLatin1String("Alt"), 8},
    {QLatin1String("Mod1"), 8},  {QLatin1String("Super"), 64},  {QLatin1String("Mod4"), 64}};

} // namespace

QString gnomeAccelerator(quint16 modifiers, quint32 keysym)
{
    QString accelerator;
    quint16 written = 0;
    for (const auto &[name, bit] : kModifierNames) {
        if ((modifiers & bit) && !(written & bit))
            accelerator += QLatin1Char('<') + name + QLatin1Char('>');
        written |= bit;
    }
    return accelerator + keysymName(keysym);
}

bool gnomeAcceleratorBinds(const QString &accelerator, quint16 modifiers, quint32 keysym)
{
    static const QRegularExpression leadingModifier(QStringLiteral("^<([^>]*)>"));
    QString rest = accelerator.trimmed();
    quint16 found = 0;
    for (QRegularExpressionMatch match = leadingModifier.match(rest); match.hasMatch();
         match = leadingModifier.match(rest)) {
        const auto name = std::find_if(
            std::begin(kModifierNames), std::end(kModifierNames), [&](const auto &entry) {
                return match.capturedView(1).compare(entry.first, Qt::CaseInsensitive) == 0;
            });
        // Any other modifier (<Hyper>, <Release>) makes it another combination.
        if (name == std::end(kModifierNames))
            return false;
        found |= name->second;
        rest.remove(0, match.capturedLength());
    }
    return found == modifiers && namesKeysym(rest, keysym);
}
