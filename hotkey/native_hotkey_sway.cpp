#include "hotkey/native_hotkey_linux.h"
#include "hotkey/sway_config.h"
#include "session/sway_ipc.h"

#include <QtDebug>

#include <utility>

namespace {

// What sway runs for our binding: nothing, but its binding event tells us.
const QString kBindingCommand = QStringLiteral("nop keyglance");

// The combination bound in sway for as long as the object lives, unless sway's configuration
// binds it itself: the user's binding stays theirs.
class SwayHotkey : public NativeHotkey {
public:
    SwayHotkey(std::unique_ptr<SwayIpc> commands, const SwayCombination &combination,
               std::function<void()> onPress)
        : m_commands(std::move(commands)), m_combination(combination),
          m_text(swayCombinationText(combination)), m_onPress(std::move(onPress))
    {
        QObject::connect(&m_events, &SwayIpc::eventReceived, &m_events,
                         [this](quint32 type, const QJsonObject &event) { onEvent(type, event); });
        QObject::connect(&m_events, &SwayIpc::closed, &m_events, [this] {
            m_bound = false;
            qWarning().noquote() << "QHotkey: lost sway's IPC," << m_text
                                 << "no longer reaches this program:" << m_events.errorString();
        });
    }

    ~SwayHotkey() override
    {
        if (m_bound && !m_commands->runCommand(QStringLiteral("unbindsym ") + m_text))
            qWarning().noquote() << "QHotkey: could not unbind" << m_text
                                 << "in sway:" << m_commands->errorString();
    }

    // Subscribes to the binding events, then binds; false with why when it cannot.
    bool bind(QString *why)
    {
        if (!m_events.open(swaySocketPath()) ||
            !m_events.subscribe({QStringLiteral("binding"), QStringLiteral("workspace")})) {
            *why = QStringLiteral("sway's IPC: ") + m_events.errorString();
            return false;
        }
        return bindUnlessConfigured(why);
    }

private:
    bool bindUnlessConfigured(QString *why)
    {
        const std::optional<QJsonDocument> version = m_commands->request(SwayIpc::GetVersion);
        const std::optional<QJsonDocument> config =
            version ? m_commands->request(SwayIpc::GetConfig) : std::nullopt;
        if (!config) {
            *why = QStringLiteral("sway's IPC: ") + m_commands->errorString();
            return false;
        }
        // sway tells no program its bindings: a line that may bind the combination leaves it
        // to the user.
        if (const std::optional<QString> line = swayConfigMayBind(
                config->object()[QLatin1String("config")].toString(),
                version->object()[QLatin1String("loaded_config_file_name")].toString(),
                m_combination)) {
            *why = QStringLiteral("sway's configuration may bind it, at ") + *line;
            return false;
        }
        // --no-repeat: a held combination runs the binding once.
        if (!m_commands->runCommand(QStringLiteral("bindsym --no-repeat --no-warn %1 %2")
                                        .arg(m_text, kBindingCommand))) {
            *why = QStringLiteral("sway refused the binding: ") + m_commands->errorString();
            return false;
        }
        m_bound = true;
        return true;
    }

    void onEvent(quint32 type, const QJsonObject &event)
    {
        if (type == SwayIpc::BindingEvent && m_bound &&
            event[QLatin1String("binding")][QLatin1String("command")].toString() ==
                kBindingCommand) {
            m_onPress();
        } else if (type == SwayIpc::WorkspaceEvent &&
                   event[QLatin1String("change")].toString() == QLatin1String("reload")) {
            // A reload drops every binding made at run time; the new configuration may now
            // bind the combination itself.
            m_bound = false;
            QString why;
            if (!bindUnlessConfigured(&why))
                qWarning().noquote() << "QHotkey: after sway reloaded its configuration," << m_text
                                     << "is not ours:" << why;
        }
    }

    std::unique_ptr<SwayIpc> m_commands;
    SwayIpc m_events;
    SwayCombination m_combination;
    QString m_text;
    std::function<void()> m_onPress;
    bool m_bound = false;
};

} // namespace

std::unique_ptr<NativeHotkey> registerSwayHotkey(Qt::Key key, Qt::KeyboardModifiers modifiers,
                                                 std::function<void()> onPress)
{
    const SwayCombination combination{x11Modifiers(modifiers), keysymFor(key)};
    if (combination.keysym == 0) {
        warnNotRegistered(key, modifiers, "the key has no keysym");
        return nullptr;
    }
    auto commands = std::make_unique<SwayIpc>();
    if (!commands->open(swaySocketPath())) {
        const QString why = QStringLiteral("sway's IPC is unreachable: ") + commands->errorString();
        warnNotRegistered(key, modifiers, why.toUtf8().constData());
        return nullptr;
    }
    auto hotkey =
        std::make_unique<SwayHotkey>(std::move(commands), combination, std::move(onPress));
    QString why;
    if (!hotkey->bind(&why)) {
        warnNotRegistered(key, modifiers, why.toUtf8().constData());
        return nullptr;
    }
    return hotkey;
}
