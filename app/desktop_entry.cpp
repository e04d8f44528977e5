#include "app/desktop_entry.h"

#include <QByteArrayList>
#include <algorithm>
#include <optional>

namespace {

// Characters an Exec argument may only hold inside double quotes.
const QString reservedChars = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
// Characters escaped with a backslash inside double quotes.
const QString quotedEscapes = QStringLiteral("\"`$\\");
// Letters of the backslash escapes of string values, and the characters they stand for.
const QString stringEscapes = QStringLiteral("sntr\\");
const QString stringEscaped = QStringLiteral(" \n\t\r\\");

QString escapeString(const QString &value)
{
    QString escaped;
    for (int i = 0; i < value.size(); ++i) {
        const int code = stringEscaped.indexOf(value.at(i));
        // Spaces are escaped only at the edges, where readers trim them.
        if (code > 0 || (code == 0 && (i == 0 || i == value.size() - 1)))
            escaped += QLatin1Char('\\') + stringEscapes.at(code);
        else
            escaped += value.at(i);
    }
    return escaped;
}

std::optional<QString> unescapeString(const QString &value)
{
    QString plain;
    for (int i = 0; i < value.size(); ++i) {
        if (value.at(i) != QLatin1Char('\\')) {
            plain += value.at(i);
            continue;
        }
        const int code = ++i < value.size() ? stringEscapes.indexOf(value.at(i)) : -1;
        if (code < 0)
            return std::nullopt;
        plain += stringEscaped.at(code);
    }
    return plain;
}

QString quoteArgument(const QString &argument)
{
    const bool plain =
        !argument.isEmpty() && std::none_of(argument.begin(), argument.end(),
                                            [](QChar c) { return reservedChars.contains(c); });
    QString quoted;
    for (const QChar c : argument) {
        if (quotedEscapes.contains(c))
            quoted += QLatin1Char('\\');
        quoted += c;
        if (c == QLatin1Char('%'))
            quoted += c;
    }
    return plain ? quoted : QLatin1Char('"') + quoted + QLatin1Char('"');
}

// The argument of a command line holding exactly one argument and no field code.
std::optional<QString> singleArgument(const QString &command)
{
    const bool quoted = command.startsWith(QLatin1Char('"'));
    QString argument;
    int i = quoted ? 1 : 0;
    for (; i < command.size(); ++i) {
        QChar c = command.at(i);
        if (quoted && c == QLatin1Char('"'))
            break;
        if (c == QLatin1Char('%')) {
            if (++i == command.size() || command.at(i) != c)
                return std::nullopt;
        } else if (quoted && c == QLatin1Char('\\')) {
            if (++i == command.size() || !quotedEscapes.contains(command.at(i)))
                return std::nullopt;
            c = command.at(i);
        } else if (!quoted && reservedChars.contains(c)) {
            return std::nullopt;
        }
        argument += c;
    }
    if (quoted ? i != command.size() - 1 : argument.isEmpty())
        return std::nullopt;
    return argument;
}

// A command line split into its arguments at unquoted blanks; a field code such as %f stands for
// arguments given at launch and is dropped.
std::optional<QStringList> splitCommand(const QString &command)
{
    QStringList arguments;
    QString argument;
    bool inArgument = false;
    bool quoted = false;
    bool fieldCode = false;
    for (int i = 0; i < command.size(); ++i) {
        QChar c = command.at(i);
        if (!quoted && (c == QLatin1Char(' ') || c == QLatin1Char('\t'))) {
            if (inArgument && !fieldCode)
                arguments << argument;
            argument.clear();
            inArgument = fieldCode = false;
            continue;
        }
        inArgument = true;
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            continue;
        }
        if (quoted && c == QLatin1Char('\\')) {
            if (++i == command.size() || !quotedEscapes.contains(command.at(i)))
                return std::nullopt;
            c = command.at(i);
        } else if (c == QLatin1Char('%')) {
            if (++i == command.size())
                return std::nullopt;
            c = command.at(i);
            if (c != QLatin1Char('%')) {
                fieldCode = true;
                continue;
            }
        }
        argument += c;
    }
    if (quoted)
        return std::nullopt;
    if (inArgument && !fieldCode)
        arguments << argument;
    return arguments;
}

// A stretch of an entry's text, [begin, end), with only the blanks the writer escapes at a
// value's edges taken off it, so no other character is lost.
struct Span {
    int begin;
    int end;

    Span trimmed(const QByteArray &text) const
    {
        const auto blank = [&text](int i) {
            return text.at(i) == ' ' || text.at(i) == '\t' || text.at(i) == '\r';
        };
        Span span = *this;
        while (span.begin < span.end && blank(span.begin))
            ++span.begin;
        while (span.end > span.begin && blank(span.end - 1))
            --span.end;
        return span;
    }
    bool equals(const QByteArray &text, QLatin1String other) const
    {
        return end - begin == other.size() &&
               std::equal(other.begin(), other.end(), text.constData() + begin);
    }
};

// The last value of key in the [Desktop Entry] group with its escapes undone (empty when the key
// is missing); none when an escape is malformed. Lines are compared as bytes: read for every
// desktop entry of the system, only the value found is decoded.
std::optional<QString> entryString(const QByteArray &entryText, QLatin1String key)
{
    Span raw{0, 0};
    bool inEntryGroup = false;
    for (int begin = 0; begin <= entryText.size();) {
        int end = entryText.indexOf('\n', begin);
        if (end < 0)
            end = entryText.size();
        const Span line = Span{begin, end}.trimmed(entryText);
        begin = end + 1;
        if (line.begin < line.end && entryText.at(line.begin) == '[') {
            inEntryGroup = line.equals(entryText, QLatin1String("[Desktop Entry]"));
            continue;
        }
        const int equals = entryText.indexOf('=', line.begin);
        if (inEntryGroup && equals > line.begin && equals < line.end &&
            Span{line.begin, equals}.trimmed(entryText).equals(entryText, key))
            raw = Span{equals + 1, line.end}.trimmed(entryText);
    }
    return unescapeString(
        QString::fromUtf8(entryText.constData() + raw.begin, raw.end - raw.begin));
}

} // namespace

QString desktopExecValue(const QByteArray &entryText)
{
    // Anything but one lone program reads as no value: written as it stands, it could pass for
    // a path (an unquoted "/opt/Key Glance/kg" runs "/opt/Key").
    const auto command = entryString(entryText, QLatin1String("Exec"));
    return (command ? singleArgument(*command) : std::nullopt).value_or(QString());
}

QString desktopEntryString(const QByteArray &entryText, const char *key)
{
    return entryString(entryText, QLatin1String(key)).value_or(QString());
}

QStringList desktopExecArguments(const QByteArray &entryText)
{
    const auto command = entryString(entryText, QLatin1String("Exec"));
    return command ? splitCommand(*command).value_or(QStringList()) : QStringList();
}

QString desktopPathValue(const QByteArray &entryText)
{
    return entryString(entryText, QLatin1String("Path")).value_or(QString());
}

QByteArray desktopEntry(const QString &name, const QString &path, const QString &workingDir)
{
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\nPath=%3\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(escapeString(name), escapeString(quoteArgument(path)), escapeString(workingDir))
        .toUtf8();
}

QByteArray hiddenApplicationEntry(const QString &name, const QString &path)
{
    // GLib looks for the program as Exec writes it, "%%" and all, and drops an entry whose
    // program it cannot find; through env it finds one.
    const QString exec =
        (path.contains(QLatin1Char('%')) ? QLatin1String("env ") : QLatin1String()) +
        quoteArgument(path);
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\nNoDisplay=true\n")
        .arg(escapeString(name), escapeString(exec))
        .toUtf8();
}
