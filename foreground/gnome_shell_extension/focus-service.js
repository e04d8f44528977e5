// Answers Keyglance, on the session bus, which window has the keyboard focus: GNOME Shell tells
// no ordinary program. The same in both formats of the extension (see CMakeLists.txt).
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
  </interface>
</node>`;

class FocusService {
    enable() {
        this._object = Gio.DBusExportedObject.wrapJSObject(INTERFACE, this);
        this._object.export(Gio.DBus.session, OBJECT_PATH);
        this._name = Gio.bus_own_name_on_connection(Gio.DBus.session, BUS_NAME,
            Gio.BusNameOwnerFlags.NONE, null, null);
    }

    disable() {
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
}
