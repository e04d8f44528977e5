#include "hotkey/gnome_accelerator.h"
#include "hotkey/native_hotkey_linux.h"
#include "session/desktop_portal.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QKeySequence>
#include <QObject>
#include <QtDebug>

#include <utility>

namespace {

// A shortcut as the GlobalShortcuts portal lists it: (sa{sv}).
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};
using PortalShortcuts = QList<PortalShortcut>;

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)
Q_DECLARE_METATYPE(PortalShortcuts)

namespace {

const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kShortcutId = QStringLiteral("toggle-popup");
// Also the shortcut's group in Plasma's settings: a fixed token keeps a key the user chose there.
const QString kSessionToken = QStringLiteral("keyglance");
constexpr int kSessionWaitMs = 10000;
// Plasma 6.4 asks the user to confirm a new shortcut.
constexpr int kBindWaitMs = 120000;

// The trigger as the shortcuts specification of freedesktop.org writes it, such as "CTRL+space".
QString portalTrigger(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QString text;
    const std::pair<Qt::KeyboardModifier, const char *> names[] = {{Qt::ControlModifier, "CTRL"},
                                                                   {Qt::AltModifier, "ALT"},
                                                                   {Qt::ShiftModifier, "SHIFT"},
                                                                   {Qt::MetaModifier, "LOGO"}};
    for (const auto &[modifier, name] : names) {
        if (modifiers & modifier)
            text += QLatin1String(name) + QLatin1Char('+');
    }
    return text + keysymName(keysymFor(key));
}

PortalShortcuts shortcutsIn(const QVariantMap &results)
{
    return qdbus_cast<PortalShortcuts>(results.value(QStringLiteral("shortcuts")));
}

// The trigger the desktop gave our shortcut; empty when it gave none.
std::optional<QString> boundTrigger(const PortalShortcuts &shortcuts)
{
    for (const PortalShortcut &shortcut : shortcuts) {
        if (shortcut.id == kShortcutId)
            return shortcut.properties.value(QStringLiteral("trigger_description")).toString();
    }
    return std::nullopt;
}

// Closing a portal session gives its shortcuts back.
void closeSession(const QString &session)
{
    DesktopPortal::bus().call(
        QDBusMessage::createMethodCall(DesktopPortal::kService, session,
                                       QStringLiteral("org.freedesktop.portal.Session"),
                                       QStringLiteral("Close")),
        QDBus::Block, 1000);
}

// The portal session holding our shortcut.
class PortalHotkey : public QObject, public NativeHotkey {
    Q_OBJECT
public:
    PortalHotkey(QString session, std::function<void()> onPress)
        : m_session(std::move(session)), m_onPress(std::move(onPress))
    {
        QDBusConnection bus = DesktopPortal::bus();
        bus.connect(DesktopPortal::kService, DesktopPortal::kPath, kInterface,
                    QStringLiteral("Activated"), this,
                    SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
        bus.connect(DesktopPortal::kService, DesktopPortal::kPath, kInterface,
                    QStringLiteral("Deactivated"), this,
                    SLOT(onDeactivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    }

    ~PortalHotkey() override { closeSession(m_session); }

private slots:
    void onActivated(const QDBusObjectPath &session, const QString &id, qulonglong,
                     const QVariantMap &)
    {
        if (session.path() != m_session || id != kShortcutId)
            return;
        // A held combination repeats Activated until the one Deactivated of its release.
        if (m_held)
            return;
        m_held = m_reportsReleases;
        m_onPress();
    }

    void onDeactivated(const QDBusObjectPath &session, const QString &id, qulonglong,
                       const QVariantMap &)
    {
        if (session.path() != m_session || id != kShortcutId)
            return;
        m_held = false;
        m_reportsReleases = true;
    }

private:
    QString m_session;
    std::function<void()> m_onPress;
    bool m_held = false;
    bool m_reportsReleases = false;
};

} // namespace

std::unique_ptr<NativeHotkey> registerPortalHotkey(Qt::Key key, Qt::KeyboardModifiers modifiers,
                                                   std::function<void()> onPress,
                                                   const QString &appId)
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcuts>();
    if (keysymFor(key) == 0) {
        warnNotRegistered(key, modifiers, "the key has no keysym");
        return nullptr;
    }
    DesktopPortal::registerAppId(appId);
    const PortalShortcuts wanted{
        {kShortcutId,
         {{QStringLiteral("description"),
           QStringLiteral("Show or hide the shortcuts of the program in front")},
          {QStringLiteral("preferred_trigger"), portalTrigger(key, modifiers)}}}};
    // Plasma 5.27 takes the shortcuts only along with the session and ignores BindShortcuts;
    // later desktops take them through BindShortcuts, the documented way.
    QString why;
    const std::optional<QVariantMap> created = DesktopPortal::request(
        kInterface, QStringLiteral("CreateSession"), {},
        {{QStringLiteral("session_handle_token"), kSessionToken},
         {QStringLiteral("shortcuts"), QVariant::fromValue(wanted)}},
        kSessionWaitMs, &why, [](const QVariantMap &) {
            // Else the combination stays held for no one.
            qInfo().noquote()
                << "QHotkey: the desktop portal made the session too late; closing it";
            closeSession(DesktopPortal::handlePath(QStringLiteral("session"), kSessionToken));
        });
    if (!created) {
        warnNotRegistered(key, modifiers,
                          ("the desktop portal's global shortcuts: " + why).toUtf8().constData());
        return nullptr;
    }
    const QString session = DesktopPortal::handlePath(QStringLiteral("session"), kSessionToken);
    auto hotkey = std::make_unique<PortalHotkey>(session, std::move(onPress));
    std::optional<QString> trigger = boundTrigger(shortcutsIn(*created));
    if (!trigger) {
        const std::optional<QVariantMap> bound = DesktopPortal::request(
            kInterface, QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(session)), QVariant::fromValue(wanted), QString()},
            {}, kBindWaitMs, &why);
        if (bound)
            trigger = boundTrigger(shortcutsIn(*bound));
        if (bound && !trigger)
            why = QStringLiteral("it left the shortcut out");
    }
    if (!trigger) {
        warnNotRegistered(key, modifiers,
                          ("the desktop portal did not bind it: " + why).toUtf8().constData());
        return nullptr;
    }
    if (trigger->isEmpty()) {
        warnNotRegistered(key, modifiers, "the desktop gave the shortcut no key");
        return nullptr;
    }
    // A key the user gave the shortcut in the desktop's own settings is theirs to choose. GNOME
    // describes the trigger in words and its own notation: "Press <Control>space".
    const QKeySequence wantedSequence(int(key) | int(modifiers));
    if (QKeySequence(*trigger, QKeySequence::PortableText) != wantedSequence &&
        !gnomeAcceleratorBinds(trigger->section(QLatin1Char(' '), -1), x11Modifiers(modifiers),
                               keysymFor(key))) {
        qInfo().noquote() << "QHotkey: the desktop's settings give the shortcut" << *trigger
                          << "instead of" << wantedSequence.toString(QKeySequence::PortableText);
        return hotkey;
    }
    // Plasma 5.27's portal reports the preferred trigger even when kglobalaccel kept the
    // combination for the shortcut that had it first; its component is named after our token.
    const std::optional<QString> holder = kglobalaccelHolder(key, modifiers);
    if (holder && !(holder->contains(kSessionToken) && holder->endsWith('/' + kShortcutId))) {
        const QString held = holder->isEmpty() ? QStringLiteral("nothing") : *holder;
        warnNotRegistered(key, modifiers,
                          ("Plasma's global shortcuts give it to " + held).toUtf8().constData());
        return nullptr;
    }
    return hotkey;
}

#include "native_hotkey_portal.moc"
