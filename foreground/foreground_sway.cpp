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

} // namespace

std::optional<QString> swayForegroundProgramName()
{
    // One connection for the program's life, opened again after sway dropped it.
    static SwayIpc ipc;
    static bool warned = false;
    std::optional<QJsonDocument> tree;
    if (ipc.isOpen() || ipc.open(swaySocketPath()))
        tree = ipc.request(SwayIpc::GetTree);
    if (!tree) {
        if (!warned)
            qWarning().noquote() << "Keyglance: cannot ask sway for the focused window:"
                                 << ipc.errorString();
        warned = true;
        return std::nullopt;
    }
    warned = false;
    const QJsonObject window = focusedNode(tree->object());
    const qint64 pid = window[QLatin1String("pid")].toVariant().toLongLong();
    if (pid <= 0)
        return QString();
    return chooseProgramName(processExeName(quint32(pid)),
                             cutTitle(window[QLatin1String("name")].toString()));
}
