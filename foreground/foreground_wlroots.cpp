#include "foreground/desktop_entries_linux.h"
#include "foreground/foreground_linux.h"
#include "foreground/program_name.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <QSocketNotifier>
#include <QtDebug>

#include <wayland-client.h>

#include <algorithm>
#include <cstring>
#include <list>
#include <memory>
#include <set>

namespace {

// Follows the compositor's list of windows on a connection of its own, so that it works
// whichever platform Qt runs on.
class ToplevelTracker {
public:
    // Null when there is no Wayland display or its compositor does not list its windows.
    static ToplevelTracker *instance()
    {
        static const std::unique_ptr<ToplevelTracker> tracker = connect();
        return tracker && tracker->alive ? tracker.get() : nullptr;
    }

    ~ToplevelTracker()
    {
        for (Toplevel &toplevel : toplevels)
            zwlr_foreign_toplevel_handle_v1_destroy(toplevel.handle);
        for (const Output &output : outputs)
            wl_output_release(output.output);
        if (manager)
            zwlr_foreign_toplevel_manager_v1_destroy(manager);
        if (registry)
            wl_registry_destroy(registry);
        wl_display_disconnect(display);
    }

    // The activated window's name, as of a round trip to the compositor just now.
    std::optional<QString> activatedName()
    {
        if (wl_display_roundtrip(display) < 0) {
            lost();
            return std::nullopt;
        }
        const Toplevel *active = activated();
        return active ? chooseProgramName(windowProgramName({}, active->appId), active->title)
                      : QString();
    }

    // The name of an output that shows the activated window, as of the last lookup's round trip;
    // empty when none does.
    QString activatedOutput() const
    {
        const Toplevel *active = activated();
        if (!active)
            return {};
        for (const Output &output : outputs) {
            if (active->outputs.count(output.output))
                return output.name;
        }
        return {};
    }

private:
    struct Toplevel {
        zwlr_foreign_toplevel_handle_v1 *handle;
        QString appId, title;
        bool activated = false;
        std::set<wl_output *> outputs;
        // Changes take effect together at the done event.
        QString pendingAppId, pendingTitle;
        bool pendingActivated = false;
    };

    explicit ToplevelTracker(wl_display *display) : display(display) {}

    static std::unique_ptr<ToplevelTracker> connect()
    {
        if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            return nullptr;
        wl_display *display = wl_display_connect(nullptr);
        if (!display)
            return nullptr;
        std::unique_ptr<ToplevelTracker> tracker(new ToplevelTracker(display));
        tracker->registry = wl_display_get_registry(display);
        wl_registry_add_listener(tracker->registry, &registryListener, tracker.get());
        // The first round trip announces the globals, the second the windows already open.
        if (wl_display_roundtrip(display) < 0 || !tracker->manager ||
            wl_display_roundtrip(display) < 0)
            return nullptr;
        tracker->notifier =
            std::make_unique<QSocketNotifier>(wl_display_get_fd(display), QSocketNotifier::Read);
        QObject::connect(tracker->notifier.get(), &QSocketNotifier::activated,
                         [raw = tracker.get()] { raw->readEvents(); });
        tracker->alive = true;
        return tracker;
    }

    // Reads what the compositor sent, so its queue never fills while no key is pressed.
    void readEvents()
    {
        if (wl_display_prepare_read(display) == 0) {
            if (wl_display_read_events(display) < 0) {
                lost();
                return;
            }
        }
        if (wl_display_dispatch_pending(display) < 0 || wl_display_flush(display) < 0)
            lost();
    }

    void lost()
    {
        if (!alive)
            return;
        alive = false;
        notifier.reset();
        qWarning() << "Keyglance: lost the Wayland compositor's list of windows";
    }

    const Toplevel *activated() const
    {
        const auto it = std::find_if(toplevels.begin(), toplevels.end(),
                                     [](const Toplevel &toplevel) { return toplevel.activated; });
        return it == toplevels.end() ? nullptr : &*it;
    }

    Toplevel *find(zwlr_foreign_toplevel_handle_v1 *handle)
    {
        const auto it = std::find_if(toplevels.begin(), toplevels.end(),
                                     [handle](const Toplevel &t) { return t.handle == handle; });
        return it == toplevels.end() ? nullptr : &*it;
    }

    // Outputs name themselves from version 4 on.
    struct Output {
        uint32_t global;
        wl_output *output;
        QString name;
    };

    static void global(void *data, wl_registry *registry, uint32_t name, const char *interface,
                       uint32_t version)
    {
        auto *tracker = static_cast<ToplevelTracker *>(data);
        if (std::strcmp(interface, wl_output_interface.name) == 0 && version >= 4) {
            auto *output =
                static_cast<wl_output *>(wl_registry_bind(registry, name, &wl_output_interface, 4));
            tracker->outputs.push_back({name, output, {}});
            wl_output_add_listener(output, &outputListener, tracker);
        }
        if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) != 0 ||
            tracker->manager)
            return;
        tracker->manager = static_cast<zwlr_foreign_toplevel_manager_v1 *>(wl_registry_bind(
            registry, name, &zwlr_foreign_toplevel_manager_v1_interface, std::min(version, 3u)));
        zwlr_foreign_toplevel_manager_v1_add_listener(tracker->manager, &managerListener, tracker);
    }
    static void globalRemove(void *data, wl_registry *, uint32_t name)
    {
        auto *tracker = static_cast<ToplevelTracker *>(data);
        tracker->outputs.remove_if([tracker, name](const Output &output) {
            if (output.global != name)
                return false;
            for (Toplevel &toplevel : tracker->toplevels)
                toplevel.outputs.erase(output.output);
            wl_output_release(output.output);
            return true;
        });
    }

    static void outputName(void *data, wl_output *output, const char *name)
    {
        for (Output &known : static_cast<ToplevelTracker *>(data)->outputs) {
            if (known.output == output)
                known.name = QString::fromUtf8(name);
        }
    }
    static void outputGeometry(void *, wl_output *, int32_t, int32_t, int32_t, int32_t, int32_t,
                               const char *, const char *, int32_t)
    {
    }
    static void outputMode(void *, wl_output *, uint32_t, int32_t, int32_t, int32_t) {}
    static void outputDone(void *, wl_output *) {}
    static void outputScale(void *, wl_output *, int32_t) {}
    static void outputDescription(void *, wl_output *, const char *) {}

    static void toplevel(void *data, zwlr_foreign_toplevel_manager_v1 *,
                         zwlr_foreign_toplevel_handle_v1 *handle)
    {
        auto *tracker = static_cast<ToplevelTracker *>(data);
        tracker->toplevels.push_back(Toplevel{handle, {}, {}, false, {}, {}, {}, false});
        zwlr_foreign_toplevel_handle_v1_add_listener(handle, &handleListener, tracker);
    }
    static void finished(void *data, zwlr_foreign_toplevel_manager_v1 *)
    {
        static_cast<ToplevelTracker *>(data)->lost();
    }

    static void title(void *data, zwlr_foreign_toplevel_handle_v1 *handle, const char *text)
    {
        if (Toplevel *toplevel = static_cast<ToplevelTracker *>(data)->find(handle))
            toplevel->pendingTitle = QString::fromUtf8(text);
    }
    static void appId(void *data, zwlr_foreign_toplevel_handle_v1 *handle, const char *id)
    {
        if (Toplevel *toplevel = static_cast<ToplevelTracker *>(data)->find(handle))
            toplevel->pendingAppId = QString::fromUtf8(id);
    }
    static void state(void *data, zwlr_foreign_toplevel_handle_v1 *handle, wl_array *states)
    {
        Toplevel *toplevel = static_cast<ToplevelTracker *>(data)->find(handle);
        if (!toplevel)
            return;
        const auto *first = static_cast<const uint32_t *>(states->data);
        const auto *last = first + states->size / sizeof(uint32_t);
        toplevel->pendingActivated =
            std::find(first, last, ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) != last;
    }
    static void done(void *data, zwlr_foreign_toplevel_handle_v1 *handle)
    {
        if (Toplevel *toplevel = static_cast<ToplevelTracker *>(data)->find(handle)) {
            toplevel->appId = toplevel->pendingAppId;
            toplevel->title = cutTitle(toplevel->pendingTitle);
            toplevel->activated = toplevel->pendingActivated;
        }
    }
    static void closed(void *data, zwlr_foreign_toplevel_handle_v1 *handle)
    {
        auto *tracker = static_cast<ToplevelTracker *>(data);
        tracker->toplevels.remove_if([handle](const Toplevel &t) { return t.handle == handle; });
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
    }
    static void outputEnter(void *data, zwlr_foreign_toplevel_handle_v1 *handle, wl_output *output)
    {
        if (Toplevel *toplevel = static_cast<ToplevelTracker *>(data)->find(handle))
            toplevel->outputs.insert(output);
    }
    static void outputLeave(void *data, zwlr_foreign_toplevel_handle_v1 *handle, wl_output *output)
    {
        if (Toplevel *toplevel = static_cast<ToplevelTracker *>(data)->find(handle))
            toplevel->outputs.erase(output);
    }
    static void parent(void *, zwlr_foreign_toplevel_handle_v1 *, zwlr_foreign_toplevel_handle_v1 *)
    {
    }

    static constexpr wl_registry_listener registryListener{global, globalRemove};
    static constexpr wl_output_listener outputListener{
        outputGeometry, outputMode, outputDone, outputScale, outputName, outputDescription};
    static constexpr zwlr_foreign_toplevel_manager_v1_listener managerListener{toplevel, finished};
    static constexpr zwlr_foreign_toplevel_handle_v1_listener handleListener{
        title, appId, outputEnter, outputLeave, state, done, closed, parent};

    wl_display *display;
    wl_registry *registry = nullptr;
    zwlr_foreign_toplevel_manager_v1 *manager = nullptr;
    std::list<Toplevel> toplevels;
    std::list<Output> outputs;
    std::unique_ptr<QSocketNotifier> notifier;
    bool alive = false;
};

} // namespace

std::optional<QString> wlrootsForegroundProgramName()
{
    ToplevelTracker *tracker = ToplevelTracker::instance();
    return tracker ? tracker->activatedName() : std::nullopt;
}

std::optional<QString> wlrootsActivatedOutput()
{
    ToplevelTracker *tracker = ToplevelTracker::instance();
    return tracker ? std::optional<QString>(tracker->activatedOutput()) : std::nullopt;
}
