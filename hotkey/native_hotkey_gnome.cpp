// GLib's headers name struct members "signals", which Qt defines as a keyword: they come first.
#include <gio/gio.h>

#include "hotkey/gnome_accelerator.h"
#include "hotkey/native_hotkey_linux.h"
#include "session/desktop_portal.h"
#include "session/gnome_shell.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QtDebug>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace {

const char kMediaKeysSchema[] = "org.gnome.settings-daemon.plugins.media-keys";
const char kCustomKeybindingSchema[] =
    "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
const char kCustomKeybindings[] = "custom-keybindings";
const QLatin1String kOurPath("/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/"
                             "keyglance/");
// Where GNOME keeps the bindings of its shell, its window manager and its settings daemon.
const char *const kKeybindingSchemas[] = {
    "org.gnome.desktop.wm.keybindings", "org.gnome.shell.keybindings",
    "org.gnome.mutter.keybindings", "org.gnome.mutter.wayland.keybindings", kMediaKeysSchema};

constexpr int kPortalWaitMs = 3000;
constexpr int kExtensionWaitMs = 1000;
const QString kGnomeAppId = QStringLiteral("org.example.Keyglance");

struct SchemaUnref {
    void operator()(GSettingsSchema *schema) const { g_settings_schema_unref(schema); }
};
struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct VariantUnref {
    void operator()(GVariant *value) const { g_variant_unref(value); }
};
struct StrvFree {
    void operator()(gchar **strings) const { g_strfreev(strings); }
};
using Schema = std::unique_ptr<GSettingsSchema, SchemaUnref>;
using Settings = std::unique_ptr<GSettings, ObjectUnref>;
using Variant = std::unique_ptr<GVariant, VariantUnref>;
using Strv = std::unique_ptr<gchar *, StrvFree>;

// Null when GNOME's schema of that id is not installed, which GSettings itself would abort on.
Schema installedSchema(const char *id)
{
    GSettingsSchemaSource *source = g_settings_schema_source_get_default();
    return Schema(source ? g_settings_schema_source_lookup(source, id, TRUE) : nullptr);
}

Settings settingsOf(const Schema &schema, const char *path = nullptr)
{
    return Settings(g_settings_new_full(schema.get(), nullptr, path));
}

// The strings of a key that holds a string or a list of them; none for any other key.
QStringList strings(GSettings *settings, const char *key)
{
    const Variant value(g_settings_get_value(settings, key));
    if (g_variant_is_of_type(value.get(), G_VARIANT_TYPE_STRING))
        return {QString::fromUtf8(g_variant_get_string(value.get(), nullptr))};
    QStringList list;
    if (g_variant_is_of_type(value.get(), G_VARIANT_TYPE_STRING_ARRAY)) {
        const Strv array(g_variant_dup_strv(value.get(), nullptr));
        for (gchar *const *string = array.get(); *string; ++string)
            list << QString::fromUtf8(*string);
    }
    return list;
}

void setStrings(GSettings *settings, const char *key, const QStringList &list)
{
    std::vector<QByteArray> utf8;
    for (const QString &string : list)
        utf8.push_back(string.toUtf8());
    std::vector<const gchar *> array;
    for (const QByteArray &string : utf8)
        array.push_back(string.constData());
    array.push_back(nullptr);
    g_settings_set_strv(settings, key, array.data());
}

void setString(GSettings *settings, const char *key, const QString &value)
{
    g_settings_set_string(settings, key, value.toUtf8().constData());
}

// GNOME splits a keybinding's command as a shell would.
QString shellQuoted(QString word)
{
    return QLatin1Char('\'') + word.replace(QLatin1Char('\''), QLatin1String("'\\''")) +
           QLatin1Char('\'');
}

// GNOME's custom keybindings: a list of settings paths, each holding one keybinding.
struct CustomKeybindings {
    Settings list;
    Schema schema;

    QStringList paths() const { return strings(list.get(), kCustomKeybindings); }

    // Null for a path GSettings would refuse.
    Settings at(const QString &path) const
    {
        const bool valid = path.startsWith(QLatin1Char('/')) && path.endsWith(QLatin1Char('/')) &&
                           !path.contains(QLatin1String("//"));
        return valid ? settingsOf(schema, path.toUtf8().constData()) : Settings();
    }
};

// Which of the user's bindings already holds the combination; empty when none does.
QString holderOf(const CustomKeybindings &custom, quint16 modifiers, quint32 keysym)
{
    const auto binds = [&](const QStringList &accelerators) {
        return std::any_of(accelerators.begin(), accelerators.end(), [&](const QString &text) {
            return gnomeAcceleratorBinds(text, modifiers, keysym);
        });
    };
    for (const QString &path : custom.paths()) {
        const Settings keybinding = custom.at(path);
        if (keybinding && path != kOurPath && binds(strings(keybinding.get(), "binding")))
            return QStringLiteral("GNOME's custom keybinding \"%1\" binds it")
                .arg(strings(keybinding.get(), "name").value(0));
    }
    for (const char *id : kKeybindingSchemas) {
        const Schema schema = installedSchema(id);
        if (!schema)
            continue;
        const Settings settings = settingsOf(schema);
        const Strv keys(g_settings_schema_list_keys(schema.get()));
        for (gchar *const *key = keys.get(); *key; ++key) {
            if (binds(strings(settings.get(), *key)))
                return QStringLiteral("GNOME's setting %1 %2 binds it").arg(id, *key);
        }
    }
    return {};
}

// The combination bound to the toggle command among GNOME's custom keybindings for as long as
// the object lives; the user's own keybindings stay as they are.
class GnomeHotkey : public NativeHotkey {
public:
    GnomeHotkey(CustomKeybindings keybindings, const QString &accelerator)
        : custom(std::move(keybindings))
    {
        // GNOME reads a keybinding as soon as its path joins the list: by then it must be whole.
        const Settings ours = custom.at(kOurPath);
        setString(ours.get(), "name", QStringLiteral("Keyglance"));
        setString(ours.get(), "command",
                  shellQuoted(QCoreApplication::applicationDirPath() + "/keyglance-toggle"));
        setString(ours.get(), "binding", accelerator);
        const QStringList paths = custom.paths();
        if (!paths.contains(kOurPath))
            setStrings(custom.list.get(), kCustomKeybindings, paths + QStringList(kOurPath));
        g_settings_sync();
    }

    ~GnomeHotkey() override
    {
        QStringList paths = custom.paths();
        paths.removeAll(kOurPath);
        if (paths.isEmpty())
            g_settings_reset(custom.list.get(), kCustomKeybindings);
        else
            setStrings(custom.list.get(), kCustomKeybindings, paths);
        const Settings ours = custom.at(kOurPath);
        for (const char *key : {"name", "command", "binding"})
            g_settings_reset(ours.get(), key);
        g_settings_sync();
    }

private:
    CustomKeybindings custom;
};

// The combination held by Keyglance's GNOME Shell extension for as long as the object lives; the
// extension lets it go by itself should the program end without a word.
class ShellExtensionHotkey : public QObject, public NativeHotkey {
    Q_OBJECT
public:
    explicit ShellExtensionHotkey(std::function<void()> onPress) : m_onPress(std::move(onPress))
    {
        QDBusConnection::sessionBus().connect(
            GnomeShellExtension::kService, GnomeShellExtension::kPath,
            GnomeShellExtension::kInterface, QStringLiteral("Pressed"), this, SLOT(pressed()));
    }

    ~ShellExtensionHotkey() override
    {
        GnomeShellExtension::call(QStringLiteral("ReleaseCombination"), {}, kExtensionWaitMs);
    }

private slots:
    void pressed() { m_onPress(); }

private:
    std::function<void()> m_onPress;
};

// Null when the extension does not run (or is older than its key) or another binding holds the
// combination.
std::unique_ptr<NativeHotkey> grabInShell(const QString &accelerator, std::function<void()> onPress)
{
    // Listening before the grab: a press may follow at once.
    auto hotkey = std::make_unique<ShellExtensionHotkey>(std::move(onPress));
    const QDBusMessage reply = GnomeShellExtension::call(QStringLiteral("GrabCombination"),
                                                         {accelerator}, kExtensionWaitMs);
    if (reply.type() == QDBusMessage::ReplyMessage && reply.signature() == QLatin1String("b") &&
        reply.arguments().constFirst().toBool())
        return hotkey;
    return nullptr;
}

// Whether GNOME's own backend of the desktop portal has global shortcuts, as from its version 48.
bool gnomePortalHasGlobalShortcuts()
{
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.impl.portal.desktop.gnome"),
                                       QStringLiteral("/org/freedesktop/portal/desktop"),
                                       QStringLiteral("org.freedesktop.DBus.Introspectable"),
                                       QStringLiteral("Introspect")),
        QDBus::Block, kPortalWaitMs);
    return reply.type() == QDBusMessage::ReplyMessage &&
           reply.arguments().value(0).toString().contains(
               QLatin1String("org.freedesktop.impl.portal.GlobalShortcuts"));
}

} // namespace

std::unique_ptr<NativeHotkey> registerGnomeHotkey(Qt::Key key, Qt::KeyboardModifiers modifiers,
                                                  std::function<void()> onPress)
{
    const quint16 x11 = x11Modifiers(modifiers);
    const quint32 keysym = keysymFor(key);
    const Schema mediaKeys = installedSchema(kMediaKeysSchema);
    Schema customSchema = installedSchema(kCustomKeybindingSchema);
    if (!mediaKeys || !customSchema) {
        warnNotRegistered(key, modifiers, "GNOME's keybinding settings are not installed");
        return nullptr;
    }
    if (keysym == 0) {
        warnNotRegistered(key, modifiers, "the key has no keysym");
        return nullptr;
    }
    // A combination in the user's own settings stays theirs, whichever way Keyglance would take it.
    CustomKeybindings custom{settingsOf(mediaKeys), std::move(customSchema)};
    const QString holder = holderOf(custom, x11, keysym);
    if (!holder.isEmpty()) {
        warnNotRegistered(key, modifiers, holder.toUtf8().constData());
        return nullptr;
    }
    // The portal's shortcut is the user's to see and change in GNOME's settings, and a held
    // combination presses it once.
    if (gnomePortalHasGlobalShortcuts()) {
        // GNOME binds shortcuts only for a program named by an application id (reverse DNS)
        // with its desktop entry.
        DesktopPortal::provideDesktopEntry(kGnomeAppId);
        if (std::unique_ptr<NativeHotkey> hotkey =
                registerPortalHotkey(key, modifiers, onPress, kGnomeAppId))
            return hotkey;
    }
    // The extension's key is gone with the extension or the Shell: nothing stays in the user's
    // settings, and it ignores auto-repeat, which a custom keybinding would run again and again.
    const QString accelerator = gnomeAccelerator(x11, keysym);
    if (std::unique_ptr<NativeHotkey> hotkey = grabInShell(accelerator, onPress)) {
        qInfo().noquote() << "QHotkey: Keyglance's GNOME Shell extension holds" << accelerator;
        return hotkey;
    }
    return std::make_unique<GnomeHotkey>(std::move(custom), accelerator);
}

#include "native_hotkey_gnome.moc"
