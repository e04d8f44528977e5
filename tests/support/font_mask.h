#pragma once

#include <QFont>

/// Which of the font's properties were set (QFont::ResolveProperties), under either Qt major.
inline uint setFontProperties(const QFont &font)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return font.resolveMask();
#else
    return font.resolve();
#endif
}
