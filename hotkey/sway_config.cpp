#include "hotkey/sway_config.h"

#include "hotkey/native_hotkey_linux.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace {

// sway's modifier names, matched regardless of case; the first name of each bit is the one written.
const std::pair<const char *, quint16> kModifierNames[] = {
    {"Shift", 1}, {"Lock", 2},  {"Ctrl", 4},  {"Control", 4}, {"Mod1", 8},
    {"Alt", 8},   {"Mod2", 16}, {"Mod3", 32}, {"Mod4", 64},   {"Mod5", 128}};

// sway refuses deeper nesting too, and a loop of includes must end somewhere.
constexpr int kMostIncludeDepth = 16;

// The lines of a configuration: comments and blank lines dropped, continued lines joined.
QStringList logicalLines(const QString &text)
{
    QStringList lines;
    QString pending;
    for (const QString &raw : text.split(QLatin1Char('\n'))) {
        QString line = raw.trimmed();
        if (line.endsWith(QLatin1Char('\\'))) {
            pending += line.chopped(1) + QLatin1Char(' ');
            continue;
        }
        line = (pending + line).trimmed();
        pending.clear();
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
            lines << line;
    }
    return lines;
}

// The words of a command; quotes group words and are dropped.
QStringList words(const QString &command)
{
    QStringList result;
    QString word;
    QChar quote;
    bool inWord = false;
    for (const QChar c : command) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                word += c;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
            inWord = true;
        } else if (c.isSpace()) {
            if (inWord)
                result << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        result << word;
    return result;
}

// Where $HOME, ${VAR} and ~ stand in a path, as the shell expansion sway applies to includes.
QString expandPath(QString path)
{
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path.replace(0, 1, QDir::homePath());
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QStringList names = environment.keys();
    // $HOME must not take the place of $HOMEDIR.
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return a.size() > b.size(); });
    for (const QString &name : names) {
        path.replace(QStringLiteral("${") + name + QLatin1Char('}'), environment.value(name));
        path.replace(QLatin1Char('$') + name, environment.value(name));
    }
    return path;
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

// Follows a configuration through its blocks, variables and includes, tracking whether the
// combination is bound in the default mode.
class ConfigScan {
public:
    explicit ConfigScan(const SwayCombination &combination)
        : wanted(combination), wantedKeycode(keycodeOf(combination.keysym))
    {
    }

    void scan(const QString &text, const QString &dir, int depth)
    {
        QStringList blocks;
        for (const QString &line : logicalLines(text)) {
            const QString prefix = blocks.isEmpty() ? QString() : blocks.last() + QLatin1Char(' ');
            if (line == QLatin1String("}")) {
                if (!blocks.isEmpty())
                    blocks.removeLast();
            } else if (line.endsWith(QLatin1Char('{'))) {
                blocks << prefix + line.chopped(1).trimmed();
            } else {
                command(words(substitute(prefix + line)), dir, depth);
            }
        }
    }

    bool bound = false;

private:
    // Replaces each $name with the value of the longest variable the text there begins with.
    QString substitute(const QString &line) const
    {
        if (line.startsWith(QLatin1String("set ")))
            return line;
        QString result;
        for (int i = 0; i < line.size();) {
            const auto variable =
                std::find_if(variables.begin(), variables.end(), [&](const auto &entry) {
                    return QStringView(line).mid(i).startsWith(entry.first);
                });
            if (line.at(i) == QLatin1Char('$') && variable != variables.end()) {
                result += variable->second;
                i += variable->first.size();
            } else {
                result += line.at(i++);
            }
        }
        return result;
    }

    void command(QStringList words, const QString &dir, int depth)
    {
        if (words.isEmpty())
            return;
        const QString verb = words.takeFirst();
        if (verb == QLatin1String("set") && words.size() >= 2) {
            const QString name = words.takeFirst();
            define(name, substitute(words.join(QLatin1Char(' '))));
        } else if (verb == QLatin1String("mode")) {
            while (!words.isEmpty() && words.first().startsWith(QLatin1String("--")))
                words.removeFirst();
            // Bindings of another mode are not active while Keyglance is asked for.
            if (!words.isEmpty() && words.takeFirst() == QLatin1String("default"))
                command(words, dir, depth);
        } else if (verb == QLatin1String("include") && !words.isEmpty()) {
            include(words.join(QLatin1Char(' ')), dir, depth);
        } else if (verb.endsWith(QLatin1String("bindsym")) ||
                   verb.endsWith(QLatin1String("bindcode"))) {
            while (!words.isEmpty() && words.first().startsWith(QLatin1String("--")))
                words.removeFirst();
            if (!words.isEmpty() && matches(verb.endsWith(QLatin1String("code")), words.first()))
                bound = !verb.startsWith(QLatin1String("un"));
        }
    }

    void define(const QString &name, const QString &value)
    {
        variables.erase(std::remove_if(variables.begin(), variables.end(),
                                       [&](const auto &entry) { return entry.first == name; }),
                        variables.end());
        variables.emplace_back(name, value);
        std::stable_sort(variables.begin(), variables.end(), [](const auto &a, const auto &b) {
            return a.first.size() > b.first.size();
        });
    }

    void include(const QString &pattern, const QString &dir, int depth)
    {
        if (depth >= kMostIncludeDepth)
            return;
        const QFileInfo path(QDir(dir).absoluteFilePath(expandPath(pattern)));
        const QStringList files =
            path.fileName().contains(QRegularExpression(QStringLiteral("[*?[]")))
                ? path.dir().entryList({path.fileName()}, QDir::Files, QDir::Name)
                : QStringList{path.fileName()};
        for (const QString &name : files) {
            const QFileInfo file(path.dir().filePath(name));
            QFile config(file.filePath());
            // sway reads each file once; a file including itself ends here.
            if (included.contains(file.canonicalFilePath()) || !config.open(QIODevice::ReadOnly))
                continue;
            included.insert(file.canonicalFilePath());
            scan(QString::fromUtf8(config.readAll()), file.absolutePath(), depth + 1);
        }
    }

    bool matches(bool byCode, const QString &combination) const
    {
        QStringList parts = combination.split(QLatin1Char('+'));
        const QString key = parts.takeLast();
        quint16 modifiers = 0;
        for (const QString &part : parts) {
            const auto name = std::find_if(
                std::begin(kModifierNames), std::end(kModifierNames), [&](const auto &entry) {
                    return part.compare(QLatin1String(entry.first), Qt::CaseInsensitive) == 0;
                });
            if (name != std::end(kModifierNames))
                modifiers |= name->second;
            else if (!part.startsWith(QLatin1String("Group"), Qt::CaseInsensitive))
                return false;
        }
        if (modifiers != wanted.modifiers)
            return false;
        if (byCode)
            return wantedKeycode != 0 && key.toUInt() == wantedKeycode;
        return namesKeysym(key, wanted.keysym);
    }

    SwayCombination wanted;
    quint32 wantedKeycode;
    std::vector<std::pair<QString, QString>> variables;
    QSet<QString> included;
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

bool swayConfigBinds(const QString &config, const QString &configDir,
                     const SwayCombination &combination)
{
    ConfigScan scan(combination);
    scan.scan(config, configDir, 0);
    return scan.bound;
}
