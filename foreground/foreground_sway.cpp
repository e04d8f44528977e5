#include "foreground/desktop_entries_linux.h"
#include "foreground/foreground.h"
#include "foreground/foreground_linux.h"
#include "foreground/program_name.h"
#include "session/sway_ipc.h"

#include <QJsonArray>
#include <QtDebug>

namespace {

// The focused node of sway's tree: the focused window, or the workspace when none is.
QJsonObject focusedNode(const QJsonObject &node, int depth = 0)
{
    if (node[QLatin1String("focused")].toBool())
        return node;
    constexpr int maxDepth = 64;
    if (depth == maxDepth)
        return {};
    for (const char *children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue child : node[QLatin1String(children)].toArray()) {
            const QJsonObject focused = focusedNode(child.toObject(), depth + 1);
            if (!focused.isEmpty())
                return focused;
        }
    }
    return {};
}

// One connection for the program's life, opened again after sway dropped it; nullopt, with
// why, when sway cannot be asked.
std::optional<QJsonDocument> askSway(SwayIpc::Message message, QString *why = nullptr)
{
    static SwayIpc ipc;
    std::optional<QJsonDocument> reply;
    if (ipc.isOpen() || ipc.open(swaySocketPath()))
        reply = ipc.request(message);
    if (!reply && why)
        *why = ipc.errorString();
    return reply;
}

} // namespace

QString swayFocusedOutput()
{
    const std::optional<QJsonDocument> outputs = askSway(SwayIpc::GetOutputs);
    for (const QJsonValue output : outputs ? outputs->array() : QJsonArray()) {
        if (output[QLatin1String("focused")].toBool())
            return output[QLatin1String("name")].toString();
    }
    return {};
}

std::optional<QString> swayForegroundProgramName()
{
    static bool warned = false;
    QString why;
    const std::optional<QJsonDocument> tree = askSway(SwayIpc::GetTree, &why);
    if (!tree) {
        if (!warned)
            qWarning().noquote() << "Keyglance: cannot ask sway for the focused window:" << why;
        warned = true;
        return std::nullopt;
    }
    warned = false;
    const QJsonObject window = focusedNode(tree->object());
    // For an XWayland window too, the process as the X server knows it.
    const qint64 pid = window[QLatin1String("pid")].toVariant().toLongLong();
    // A Wayland window's app_id, an XWayland one's class.
    QString appId = window[QLatin1String("app_id")].toString();
    if (appId.isEmpty())
        appId = window[QLatin1String("window_properties")][QLatin1String("class")].toString();
    return chooseProgramName(
        windowProgramName(pid > 0 ? processExeName(quint32(pid)) : QString(), appId),
        cutTitle(window[QLatin1String("name")].toString()));
}
