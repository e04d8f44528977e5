# Sourced inside a GNOME session by tests/wayland/gnome.sh and bench/gnome_session_bench.sh: keys
# typed through Mutter's remote desktop API, the window Keyglance's Shell extension says has the
# focus, the overview, and GNOME 48's dialog for the portal's shortcut answered as a user would.
mutter_keys=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/mutter-keys.py
keys() { "$mutter_keys" "$@"; }
focused() {
    gdbus call --session --dest org.example.Keyglance.Shell \
        --object-path /org/example/Keyglance/Shell \
        --method org.example.Keyglance.Shell.FocusedWindow |
        sed -n "s/^(uint32 [0-9]*, '\([^']*\)'.*/\1/p"
}
in_overview() {
    gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method org.freedesktop.DBus.Properties.Get org.gnome.Shell OverviewActive |
        grep -q true
}
# Out of the overview, where the dialog has no focus, then its Add button.
confirm_in_dialog() {
    wait_for "{ ! in_overview || keys Escape; } && \
        [ \"\$(focused)\" = org.gnome.Settings.GlobalShortcutsProvider ]" 20 &&
        keys --prime Alt_L a
}
