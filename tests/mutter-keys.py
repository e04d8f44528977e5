#!/usr/bin/python3
"""Types one key combination in a GNOME session through Mutter's remote desktop API, as a
keyboard would: the keys go down in order and come up in reverse.

An application sees the virtual keyboard only from its first key on, and misses that key: with
--prime a lone Shift comes first, for a key meant for a window rather than for the shell.

With --serve it types the combination at each line it reads, until its input ends: one session for
a whole benchmark, so that a press costs one call.

Usage: mutter-keys.py [--serve] [--prime] [--hold SECONDS] KEYSYM... (X keysym names, as in
Control_L space)"""
import sys
import time

import dbus

KEYSYMS = {
    "Control_L": 0xFFE3, "Escape": 0xFF1B, "space": 0x20,
    "Super_L": 0xFFEB, "Shift_L": 0xFFE1, "Right": 0xFF53, "Alt_L": 0xFFE9, "a": 0x61,
}

names = sys.argv[1:]
serve = names[:1] == ["--serve"]
names = names[1:] if serve else names
prime = names[:1] == ["--prime"]
names = names[1:] if prime else names
hold = 0.0
if names[:1] == ["--hold"] and len(names) > 1:
    hold = float(names[1])
    names = names[2:]
if not names or any(name not in KEYSYMS for name in names):
    sys.exit(__doc__)
keys = [dbus.UInt32(KEYSYMS[name]) for name in names]
bus = dbus.SessionBus()
service = "org.gnome.Mutter.RemoteDesktop"
desktop = bus.get_object(service, "/org/gnome/Mutter/RemoteDesktop")
path = desktop.CreateSession(dbus_interface=service)
# The session, and the keys it holds down, end with this connection.
session = dbus.Interface(bus.get_object(service, path), service + ".Session")
session.Start()
if prime:
    session.NotifyKeyboardKeysym(dbus.UInt32(KEYSYMS["Shift_L"]), True)
    session.NotifyKeyboardKeysym(dbus.UInt32(KEYSYMS["Shift_L"]), False)
    time.sleep(0.5)
for _ in sys.stdin if serve else [None]:
    for key in keys:
        session.NotifyKeyboardKeysym(key, True)
    time.sleep(hold)
    for key in reversed(keys):
        session.NotifyKeyboardKeysym(key, False)
session.Stop()
