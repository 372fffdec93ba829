#!/usr/bin/python3
"""Binds the hotkeys as the program did before it named itself to the
portal: no app id, the session token quillmark_<program>. On Plasma 6 the
shortcuts then live in kglobalaccel's component token_quillmark_<program>.
Usage: former_portal_client.py PROGRAM; exit 0 once the bind was answered 0,
3 when the portal takes no client without an app id (1.22 and later), so
that no program could have bound anything under the former name there."""

import sys

import dbus
import dbus.exceptions
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PATH = "/org/freedesktop/portal/desktop"


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    portal = dbus.Interface(bus.get_object("org.freedesktop.portal.Desktop", PATH),
                            "org.freedesktop.portal.GlobalShortcuts")
    sender = bus.get_unique_name()[1:].replace(".", "_")
    token = "quillmark_" + sys.argv[1].lower()
    loop = GLib.MainLoop()
    codes = []

    def answered(code, results):
        codes.append(int(code))
        loop.quit()

    def call(method, handle, *arguments):
        bus.add_signal_receiver(answered, "Response", "org.freedesktop.portal.Request",
                                path="%s/request/%s/%s" % (PATH, sender, handle))
        getattr(portal, method)(*arguments)
        GLib.timeout_add_seconds(20, loop.quit)
        loop.run()

    try:
        call("CreateSession", "former1", {"handle_token": "former1",
                                          "session_handle_token": token})
    except dbus.exceptions.DBusException as refusal:
        print(refusal.get_dbus_message())
        sys.exit(3 if "app id" in (refusal.get_dbus_message() or "") else 1)
    session = dbus.ObjectPath("%s/session/%s/%s" % (PATH, sender, token))
    shortcut = dbus.Struct(("contrast-up", {"description": "Contrast up",
                                            "preferred_trigger": "CTRL+U"}), signature="sa{sv}")
    call("BindShortcuts", "former2", session, dbus.Array([shortcut], signature="(sa{sv})"), "",
         {"handle_token": "former2"})
    sys.exit(0 if codes == [0, 0] else 1)


if __name__ == "__main__":
    main()
