#include "hotkey/sway_config.h"

#include "hotkey/native_hotkey_linux.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <xkbcommon/xkbcommon.h>

#include <wordexp.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

// sway's modifier names, matched regardless of case; the first name of each bit is the one written.
const std::pair<const char *, quint16> kModifierNames[] = {
    {"Shift", 1}, {"Lock", 2},  {"Ctrl", 4},  {"Control", 4}, {"Mod1", 8},
    {"Alt", 8},   {"Mod2", 16}, {"Mod3", 32}, {"Mod4", 64},   {"Mod5", 128}};

// A loop of includes, or of variables set to each other, must end somewhere.
constexpr int kMostDepth = 16;

struct ConfigFile {
    QString path;
    QStringList lines;
};

quint16 modifierBit(const QString &name)
{
    const auto entry =
        std::find_if(std::begin(kModifierNames), std::end(kModifierNames), [&](const auto &entry) {
            return name.compare(QLatin1String(entry.first), Qt::CaseInsensitive) == 0;
        });
    return entry == std::end(kModifierNames) ? 0 : entry->second;
}

// The words of a line, quotes dropped.
QStringList words(QString line)
{
    line.remove(QLatin1Char('"')).remove(QLatin1Char('\''));
    return line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

// The key code of a keysym in the default keymap; 0 when no key types it.
quint32 keycodeOf(quint32 keysym)
{
    const std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(
        xkb_context_new(XKB_CONTEXT_NO_FLAGS), &xkb_context_unref);
    const std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap(
        context ? xkb_keymap_new_from_names(context.get(), nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS)
                : nullptr,
        &xkb_keymap_unref);
    if (!keymap)
        return 0;
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap.get());
         code <= xkb_keymap_max_keycode(keymap.get()); ++code) {
        const xkb_keysym_t *syms = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(keymap.get(), code, 0, 0, &syms);
        if (std::find(syms, syms + std::max(count, 0), keysym) != syms + std::max(count, 0))
            return code;
    }
    return 0;
}

// The files an include names, as sway finds them: relative to the including file's folder,
// through the shell's expansion of ~, variables and patterns (commands refused); nullopt when
// the expansion fails.
std::optional<QStringList> includedPaths(const QString &pattern, const QString &dir)
{
    QString quotedDir = dir;
    quotedDir.replace(QLatin1String("'"), QLatin1String("'\\''"));
    const QString absolute = pattern.startsWith(QLatin1Char('/')) ||
                                     pattern.startsWith(QLatin1Char('~')) ||
                                     pattern.startsWith(QLatin1Char('$'))
                                 ? pattern
                                 : QLatin1Char('\'') + quotedDir + QLatin1String("'/") + pattern;
    wordexp_t expansion{};
    if (wordexp(QFile::encodeName(absolute).constData(), &expansion, WRDE_NOCMD) != 0)
        return std::nullopt;
    QStringList paths;
    for (size_t i = 0; i < expansion.we_wordc; ++i)
        paths << QDir(dir).absoluteFilePath(QFile::decodeName(expansion.we_wordv[i]));
    wordfree(&expansion);
    return paths;
}

// The configuration as sway reads it: the loaded text, then each file an include names, once.
class ConfigFiles {
public:
    void add(const QString &path, const QString &text, int depth)
    {
        files.push_back({path, text.split(QLatin1Char('\n'))});
        const QString dir = QFileInfo(path).absolutePath();
        // A copy: the includes below grow the vector under it.
        const QStringList lines = files.back().lines;
        // sway splits a command from its arguments at any blank, a tab too.
        static const QRegularExpression includeLine(QStringLiteral("^\\s*include\\s+(.*\\S)"));
        for (int number = 0; number < lines.size(); ++number) {
            const QString line = lines.at(number).trimmed();
            const QRegularExpressionMatch command = includeLine.match(line);
            if (depth >= kMostDepth || !command.hasMatch())
                continue;
            const std::optional<QStringList> paths = includedPaths(command.captured(1), dir);
            if (!paths)
                unfollowed << QStringLiteral("%1:%2: %3").arg(path).arg(number + 1).arg(line);
            for (const QString &included : paths.value_or(QStringList()))
                include(included, depth);
        }
    }

    std::vector<ConfigFile> files;
    /// Includes whose files cannot be told, each as "file:line: text".
    QStringList unfollowed;

private:
    void include(const QString &path, int depth)
    {
        QFile file(path);
        const QString canonical = QFileInfo(file).canonicalFilePath();
        if (included.contains(canonical) || !file.open(QIODevice::ReadOnly))
            return;
        included.insert(canonical);
        add(path, QString::fromUtf8(file.readAll()), depth + 1);
    }

    QSet<QString> included;
};

// Whether a word, its variables given any of their values, may be the combination.
class CombinationMatch {
public:
    CombinationMatch(const SwayCombination &wanted, QHash<QString, QStringList> variables)
        : wanted(wanted), wantedKeycode(keycodeOf(wanted.keysym)), variables(std::move(variables))
    {
    }

    bool mayBe(const QString &word) const { return mayBe(word.split(QLatin1Char('+')), {}, 0); }

private:
    struct Seen {
        quint16 modifiers = 0;
        bool key = false;
        bool unknown = false;
    };

    bool mayBe(QStringList parts, Seen seen, int depth) const
    {
        while (!parts.isEmpty()) {
            const QString part = parts.takeFirst();
            if (part.startsWith(QLatin1Char('$'))) {
                const QStringList values = variables.value(part);
                if (values.isEmpty() || depth >= kMostDepth) {
                    seen.unknown = true;
                    continue;
                }
                return std::any_of(values.begin(), values.end(), [&](const QString &value) {
                    return mayBe(value.split(QLatin1Char('+')) + parts, seen, depth + 1);
                });
            }
            if (const quint16 bit = modifierBit(part))
                seen.modifiers |= bit;
            else if (namesKeysym(part, wanted.keysym) ||
                     (wantedKeycode != 0 && part == QString::number(wantedKeycode)))
                seen.key = true;
            else if (!part.startsWith(QLatin1String("Group"), Qt::CaseInsensitive))
                return false;
        }
        if (seen.modifiers & ~wanted.modifiers)
            return false;
        // An unknown variable may stand for whatever of the combination is missing, but a word
        // with nothing of it known is a path or a command, not this combination.
        if (seen.unknown)
            return seen.key || seen.modifiers != 0;
        return seen.key && seen.modifiers == wanted.modifiers;
    }

    SwayCombination wanted;
    quint32 wantedKeycode;
    QHash<QString, QStringList> variables;
};

} // namespace

QString swayCombinationText(const SwayCombination &combination)
{
    QString text;
    for (quint16 bit = 1; bit <= 128; bit <<= 1) {
        const auto name = std::find_if(std::begin(kModifierNames), std::end(kModifierNames),
                                       [bit](const auto &entry) { return entry.second == bit; });
        if (combination.modifiers & bit)
            text += QLatin1String(name->first) + QLatin1Char('+');
    }
    return text + keysymName(combination.keysym);
}

std::optional<QString> swayConfigMayBind(const QString &config, const QString &configPath,
                                         const SwayCombination &combination)
{
    ConfigFiles configuration;
    configuration.add(configPath, config, 0);
    if (!configuration.unfollowed.isEmpty())
        return configuration.unfollowed.first();
    QHash<QString, QStringList> variables;
    for (const ConfigFile &file : configuration.files) {
        for (const QString &line : file.lines) {
            const QStringList parts = words(line);
            if (parts.size() >= 3 && parts.first() == QLatin1String("set"))
                variables[parts.at(1)] << parts.mid(2).join(QLatin1Char(' '));
        }
    }
    const CombinationMatch match(combination, variables);
    for (const ConfigFile &file : configuration.files) {
        for (int number = 0; number < file.lines.size(); ++number) {
            const QString line = file.lines.at(number).trimmed();
            const QStringList parts = words(line);
            if (line.startsWith(QLatin1Char('#')) || parts.value(0) == QLatin1String("set"))
                continue;
            if (std::any_of(parts.begin(), parts.end(),
                            [&](const QString &word) { return match.mayBe(word); }))
                return QStringLiteral("%1:%2: %3").arg(file.path).arg(number + 1).arg(line);
        }
    }
    return std::nullopt;
}
