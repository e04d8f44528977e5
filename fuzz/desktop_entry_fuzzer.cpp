// Reads arbitrary text as a desktop entry and writes entries from arbitrary strings, checking
// both against a plain reading of the desktop entry format written independently here.
#include "app/desktop_entry.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace {

// Fields of the entries desktopEntry writes, in order, each on its own line.
const QStringList writtenKeys = {QStringLiteral("Type"), QStringLiteral("Name"),
                                 QStringLiteral("Exec"), QStringLiteral("Path"),
                                 QStringLiteral("X-GNOME-Autostart-enabled")};

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

QString decode(const QByteArray &bytes)
{
    // The explicit size keeps NUL characters instead of stopping at the first one.
    return QString::fromUtf8(bytes.constData(), bytes.size());
}

QString trimBlanks(QString text)
{
    const auto blank = [](QChar c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.isEmpty() && blank(text.front()))
        text.remove(0, 1);
    while (!text.isEmpty() && blank(text.back()))
        text.chop(1);
    return text;
}

// The value of the last key of the [Desktop Entry] group, as written; none when it is missing.
std::optional<QString> entryValue(const QByteArray &text, const QString &key)
{
    std::optional<QString> value;
    bool inEntryGroup = false;
    for (const QByteArray &rawLine : text.split('\n')) {
        const QString line = trimBlanks(decode(rawLine));
        if (line.startsWith('[')) {
            inEntryGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const int equals = line.indexOf('=');
        if (inEntryGroup && equals >= 0 && trimBlanks(line.left(equals)) == key)
            value = trimBlanks(line.mid(equals + 1));
    }
    return value;
}

std::optional<QString> unescapeString(const QString &value)
{
    QString plain;
    for (int i = 0; i < value.size(); ++i) {
        QChar c = value.at(i);
        if (c == '\\') {
            if (++i == value.size())
                return std::nullopt;
            switch (value.at(i).unicode()) {
            case 's':
                c = ' ';
                break;
            case 'n':
                c = '\n';
                break;
            case 't':
                c = '\t';
                break;
            case 'r':
                c = '\r';
                break;
            case '\\':
                break;
            default:
                return std::nullopt;
            }
        }
        plain += c;
    }
    return plain;
}

// Takes the argument starting at command[i], leaving i after it.
std::optional<QString> takeArgument(const QString &command, int &i)
{
    static const QString reserved = QStringLiteral("\t\n\"'\\><~|&;$*?#()`");
    static const QString quotedEscapes = QStringLiteral("\"`$\\");
    const bool quoted = command.at(i) == '"';
    if (quoted)
        ++i;
    QString argument;
    for (; i < command.size(); ++i) {
        QChar c = command.at(i);
        if (quoted ? c == '"' : c == ' ')
            break;
        if (c == '%') {
            // Field codes expand to run-time values: never one fixed program.
            if (++i == command.size() || command.at(i) != '%')
                return std::nullopt;
        } else if (quoted && c == '\\') {
            if (++i == command.size() || !quotedEscapes.contains(command.at(i)))
                return std::nullopt;
            c = command.at(i);
        } else if (!quoted && reserved.contains(c)) {
            return std::nullopt;
        }
        argument += c;
    }
    if (quoted) {
        // The closing quote must be there and end the argument.
        if (i == command.size())
            return std::nullopt;
        ++i;
        if (i < command.size() && command.at(i) != ' ')
            return std::nullopt;
    }
    return argument;
}

// The program and arguments an Exec value starts; none when it is malformed or has field codes.
std::optional<QStringList> execArguments(const QString &value)
{
    const auto command = unescapeString(value);
    if (!command)
        return std::nullopt;
    QStringList arguments;
    for (int i = 0; i < command->size();) {
        if (command->at(i) == ' ') {
            ++i;
            continue;
        }
        const auto argument = takeArgument(*command, i);
        if (!argument)
            return std::nullopt;
        arguments << *argument;
    }
    return arguments;
}

void checkReader(const QByteArray &text)
{
    const QString execValue = desktopExecValue(text);
    const auto exec = entryValue(text, QStringLiteral("Exec"));
    if (!exec)
        check(execValue.isEmpty());
    const auto path = entryValue(text, QStringLiteral("Path"));
    check(desktopPathValue(text) ==
          (path ? unescapeString(*path) : std::nullopt).value_or(QString()));

    // Where the strict reading takes the command line, the one for other programs' entries reads
    // the same arguments.
    if (const auto strict = exec ? execArguments(*exec) : std::nullopt)
        check(desktopExecArguments(text) == *strict);

    // Whatever reads as an absolute path must be the one program the entry starts.
    if (execValue.startsWith('/')) {
        check(execArguments(*exec) == QStringList{execValue});
        check(desktopExecValue(
                  desktopEntry(QStringLiteral("kg"), execValue, QStringLiteral("/"))) == execValue);
    }
}

void checkWriter(const QString &name, const QString &path, const QString &workingDir)
{
    const QByteArray entry = desktopEntry(name, path, workingDir);
    check(desktopExecValue(entry) == path);

    // One line per field, so no value can start a key or group of its own.
    check(entry.endsWith('\n') && !entry.contains('\r'));
    const QByteArrayList lines = entry.split('\n');
    check(lines.size() == writtenKeys.size() + 2 && lines.first() == "[Desktop Entry]");
    for (int i = 0; i < writtenKeys.size(); ++i)
        check(lines.at(i + 1).startsWith(writtenKeys.at(i).toUtf8() + '='));

    check(unescapeString(*entryValue(entry, QStringLiteral("Name"))) == name);
    check(unescapeString(*entryValue(entry, QStringLiteral("Path"))) == workingDir);
    check(execArguments(*entryValue(entry, QStringLiteral("Exec"))) == QStringList{path});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), static_cast<int>(size));
    checkReader(text);

    // NUL separates the writer's name, path and working directory.
    const QByteArrayList fields = text.split('\0');
    checkWriter(decode(fields.value(0)), decode(fields.value(1)), decode(fields.mid(2).join('\0')));
    return 0;
}
