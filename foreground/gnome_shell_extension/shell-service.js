// Answers Keyglance, on the session bus, which window has the keyboard focus, and holds its
// combination for it: GNOME Shell tells no ordinary program the one, nor lends it keys. The same in
// both formats of the extension (see CMakeLists.txt).
const BUS_NAME = 'org.example.Keyglance.Shell';
const OBJECT_PATH = '/org/example/Keyglance/Shell';
const INTERFACE = `
<node>
  <interface name="org.example.Keyglance.Shell">
    <method name="FocusedWindow">
      <arg type="u" name="pid" direction="out"/>
      <arg type="s" name="wmClass" direction="out"/>
      <arg type="s" name="title" direction="out"/>
    </method>
    <method name="FocusedWindowFrame">
      <arg type="i" name="x" direction="out"/>
      <arg type="i" name="y" direction="out"/>
      <arg type="i" name="width" direction="out"/>
      <arg type="i" name="height" direction="out"/>
    </method>
    <method name="GrabCombination">
      <arg type="s" name="accelerator" direction="in"/>
      <arg type="b" name="grabbed" direction="out"/>
    </method>
    <method name="ReleaseCombination"/>
    <signal name="Pressed"/>
  </interface>
</node>`;

class ShellService {
    enable() {
        this._object = Gio.DBusExportedObject.wrapJSObject(INTERFACE, this);
        this._object.export(Gio.DBus.session, OBJECT_PATH);
        this._name = Gio.bus_own_name_on_connection(Gio.DBus.session, BUS_NAME,
            Gio.BusNameOwnerFlags.NONE, null, null);
        this._action = Meta.KeyBindingAction.NONE;
        this._watch = 0;
        this._activated = global.display.connect('accelerator-activated', (display, action) => {
            if (action === this._action)
                this._object.emit_signal('Pressed', null);
        });
    }

    disable() {
        this._release();
        global.display.disconnect(this._activated);
        Gio.bus_unown_name(this._name);
        this._object.unexport();
        this._object = null;
    }

    // The process (0 when Mutter does not know it), WM class and title; all empty without a
    // focused window.
    FocusedWindow() {
        const window = global.display.focus_window;
        if (!window)
            return [0, '', ''];
        return [Math.max(window.get_pid(), 0), window.get_wm_class() ?? '',
            window.get_title() ?? ''];
    }

    // Its frame in the layout of the monitors (x, y, width, height); all 0 without one.
    FocusedWindowFrame() {
        const window = global.display.focus_window;
        if (!window)
            return [0, 0, 0, 0];
        const frame = window.get_frame_rect();
        return [frame.x, frame.y, frame.width, frame.height];
    }

    // Holds the combination for the caller until it lets it go or leaves the bus, in every mode
    // of the Shell (its overview too), a held combination pressing it once; false when another
    // binding has it.
    GrabCombinationAsync([accelerator], invocation) {
        this._release();
        this._action = global.display.grab_accelerator(accelerator,
            Meta.KeyBindingFlags.IGNORE_AUTOREPEAT);
        const grabbed = this._action !== Meta.KeyBindingAction.NONE;
        if (grabbed) {
            Main.wm.allowKeybinding(Meta.external_binding_name_for_action(this._action),
                Shell.ActionMode.ALL);
            this._watch = Gio.bus_watch_name_on_connection(Gio.DBus.session,
                invocation.get_sender(), Gio.BusNameWatcherFlags.NONE, null,
                () => this._release());
        }
        invocation.return_value(new GLib.Variant('(b)', [grabbed]));
    }

    ReleaseCombination() {
        this._release();
    }

    _release() {
        if (this._watch)
            Gio.bus_unwatch_name(this._watch);
        this._watch = 0;
        if (this._action === Meta.KeyBindingAction.NONE)
            return;
        Main.wm.allowKeybinding(Meta.external_binding_name_for_action(this._action),
            Shell.ActionMode.NONE);
        global.display.ungrab_accelerator(this._action);
        this._action = Meta.KeyBindingAction.NONE;
    }
}
