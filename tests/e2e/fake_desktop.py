#!/usr/bin/python3
"""Fakes of a Wayland desktop's session services on a private session bus:
GNOME's org.gnome.Mutter.IdleMonitor and the GlobalShortcuts portal
(org.freedesktop.portal.Desktop, frontend version 1 as Debian 12 ships it).

and org.gnome.Mutter.DisplayConfig with a laptop panel (eDP-1, 1920x1080)
and the monitor on HDMI-1 (1600x1200, with 1100x825 among its modes).

Commands on standard input:
  input                 the user touched a key or the pointer now
  activate ID           the desktop reports the shortcut ID pressed
  quit
Lines on standard output tell the test what the program asked for:
  registered ID TRIGGER a shortcut registered by CreateSession (Plasma 5.27)
  bound ID TRIGGER      a shortcut bound by BindShortcuts
  identified APP_ID     a program named itself (Registry.Register, GNOME 48)
  dialog CODE           GNOME's "Add Keyboard Shortcuts" dialog answered CODE
  applied METHOD CONNECTOR:MODE ...   a layout applied with ApplyMonitorsConfig
Arguments: --no-idle-monitor, --no-portal, --no-display-config leave a
service out; --gnome48 makes the portal GNOME 48's, whose dialog the user
confirms, or cancels with --dialog-cancels."""

import os
import sys
import time

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PORTAL = "org.freedesktop.portal.Desktop"
PORTAL_PATH = "/org/freedesktop/portal/desktop"
SHORTCUTS = "org.freedesktop.portal.GlobalShortcuts"
REGISTRY = "org.freedesktop.host.portal.Registry"


def say(line):
    print(line, flush=True)


class IdleMonitor(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/gnome/Mutter/IdleMonitor/Core")
        self.last_input = time.monotonic()

    @dbus.service.method("org.gnome.Mutter.IdleMonitor", out_signature="t")
    def GetIdletime(self):
        return dbus.UInt64(int((time.monotonic() - self.last_input) * 1000))


class Request(dbus.service.Object):
    @dbus.service.signal("org.freedesktop.portal.Request", signature="ua{sv}")
    def Response(self, code, results):
        pass


class Portal(dbus.service.Object):
    """As Plasma 5.27's portal behaves: CreateSession's "shortcuts" option
    registers the shortcuts, ListShortcuts lists them, BindShortcuts (which
    there opens System Settings) is reported. With refuses, every request is
    answered with code 2, as the KDE backend answers outside KDE.

    As GNOME 48's portal (frontend 1.20) behaves, with gnome48: a program
    outside a sandbox is known only once it named itself with a reverse-DNS
    app id (Registry.Register, before any other call); CreateSession
    registers nothing; BindShortcuts answers 2 for an unknown program and
    for a session that bound before, else shows the dialog, whose answer
    (dialog_code) is the Response; what was bound is listed for the app id in
    later sessions. The user's answer cannot come from a headless
    gnome-shell, so this part stands in for it."""

    def __init__(self, bus, refuses=False, gnome48=False, dialog_code=0):
        super().__init__(bus, PORTAL_PATH)
        self.bus = bus
        self.session = None
        self.refuses = refuses
        self.gnome48 = gnome48
        self.dialog_code = dialog_code
        self.registered = {}
        self.app_ids = {}
        self.bound_sessions = set()

    def respond(self, sender, token, results, code=None):
        path = "%s/request/%s/%s" % (PORTAL_PATH, sender[1:].replace(".", "_"), token)
        request = Request(self.bus, path)
        if code is None:
            code = 2 if self.refuses else 0
        code = dbus.UInt32(code)
        # After the method's reply, as the real frontend answers.
        GLib.timeout_add(50, lambda: (request.Response(code, results if code == 0 else {}),
                                      False)[1])
        return dbus.ObjectPath(path)

    def listed(self, sender):
        if not self.gnome48:
            return self.registered
        return self.registered.setdefault(self.app_ids.get(sender), {})

    @dbus.service.method(REGISTRY, in_signature="sa{sv}", sender_keyword="sender")
    def Register(self, app_id, options, sender=None):
        if not self.gnome48:
            raise dbus.exceptions.DBusException(
                "no such interface", name="org.freedesktop.DBus.Error.UnknownMethod")
        if app_id.count(".") < 2 or sender in self.app_ids:
            raise dbus.exceptions.DBusException(
                "invalid app id", name="org.freedesktop.portal.Error.InvalidArgument")
        self.app_ids[sender] = str(app_id)
        say("identified %s" % app_id)

    def report(self, verb, shortcuts):
        for shortcut_id, properties in shortcuts:
            self.registered[str(shortcut_id)] = properties
            say("%s %s %s" % (verb, shortcut_id, properties.get("preferred_trigger", "")))

    @dbus.service.method("org.freedesktop.DBus.Properties", in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface == SHORTCUTS and name == "version":
            return dbus.UInt32(1)
        raise dbus.exceptions.DBusException("no such property",
                                            name="org.freedesktop.DBus.Error.InvalidArgs")

    @dbus.service.method(SHORTCUTS, in_signature="a{sv}", out_signature="o",
                         sender_keyword="sender")
    def CreateSession(self, options, sender=None):
        if not self.refuses and not self.gnome48:
            self.report("registered", options.get("shortcuts", []))
        self.session = "%s/session/%s/%s" % (PORTAL_PATH, sender[1:].replace(".", "_"),
                                             options["session_handle_token"])
        # Debian 12's frontend answers with a string.
        return self.respond(sender, options["handle_token"],
                            {"session_handle": dbus.String(self.session)})

    @dbus.service.method(SHORTCUTS, in_signature="oa(sa{sv})sa{sv}", out_signature="o",
                         sender_keyword="sender")
    def BindShortcuts(self, session, shortcuts, parent, options, sender=None):
        code = None
        if self.gnome48:
            if sender not in self.app_ids or session in self.bound_sessions:
                return self.respond(sender, options["handle_token"], {}, 2)
            self.bound_sessions.add(session)
            code = self.dialog_code
            say("dialog %d" % code)
            if code != 0:
                return self.respond(sender, options["handle_token"], {}, code)
        for shortcut_id, properties in shortcuts:
            self.listed(sender)[str(shortcut_id)] = properties
            say("bound %s %s" % (shortcut_id, properties.get("preferred_trigger", "")))
        return self.respond(sender, options["handle_token"], {"shortcuts": shortcuts}, code)

    @dbus.service.method(SHORTCUTS, in_signature="oa{sv}", out_signature="o",
                         sender_keyword="sender")
    def ListShortcuts(self, session, options, sender=None):
        listed = dbus.Array([dbus.Struct((name, dbus.Dictionary(properties, signature="sv")))
                             for name, properties in self.listed(sender).items()],
                            signature="(sa{sv})")
        return self.respond(sender, options["handle_token"], {"shortcuts": listed})

    @dbus.service.signal(SHORTCUTS, signature="osta{sv}")
    def Activated(self, session, shortcut_id, timestamp, options):
        pass


class DisplayConfig(dbus.service.Object):
    """Mutter 43's DisplayConfig as it was measured: a laptop panel (eDP-1) and
    the monitor (HDMI-1), the monitor right of, left of or above the panel,
    at scale 1 or 2. ApplyMonitorsConfig refuses what mutter refuses: a scale
    the mode does not list, overlapping monitors, and a monitor that touches
    no other ("Logical monitors not adjacent")."""
    MODES = {"eDP-1": [(1920, 1080)], "HDMI-1": [(1600, 1200), (1100, 825), (1280, 800)]}
    SCALES = {(1920, 1080): [1.0, 2.0], (1600, 1200): [1.0, 2.0], (1100, 825): [1.0],
              (1280, 800): [1.0]}
    LAYOUTS = {"right": {"eDP-1": (0, 0), "HDMI-1": (1920, 0)},
               "left": {"HDMI-1": (0, 0), "eDP-1": (1600, 0)},
               "above": {"HDMI-1": (0, 0), "eDP-1": (0, 1200)}}

    def __init__(self, bus, layout="right", monitor_scale=1.0, refuses=False):
        super().__init__(bus, "/org/gnome/Mutter/DisplayConfig")
        self.current = {"eDP-1": "1920x1080@60.000", "HDMI-1": "1600x1200@60.000"}
        self.places = {name: [x, y, monitor_scale if name == "HDMI-1" else 1.0]
                       for name, (x, y) in self.LAYOUTS[layout].items()}
        self.refuses = refuses
        self.serial = 7

    def size(self, connector, mode_id=None):
        width, height = (mode_id or self.current[connector]).split("@")[0].split("x")
        return int(width), int(height)

    @dbus.service.method("org.gnome.Mutter.DisplayConfig",
                         out_signature="ua((ssss)a(siiddada{sv})a{sv})a(iiduba(ssss)a{sv})a{sv}")
    def GetCurrentState(self):
        monitors, logical = [], []
        for connector in ("eDP-1", "HDMI-1"):
            monitor_key = (connector, "TAL", "monitor", "0x1")
            modes = []
            for width, height in self.MODES[connector]:
                mode_id = "%dx%d@60.000" % (width, height)
                properties = {"is-current": dbus.Boolean(True)} if mode_id == self.current[
                    connector] else dbus.Dictionary({}, signature="sv")
                modes.append((mode_id, width, height, 60.0, 1.0,
                              dbus.Array(self.SCALES[(width, height)], "d"),
                              dbus.Dictionary(properties, signature="sv")))
            monitors.append((monitor_key, modes, dbus.Dictionary({}, signature="sv")))
            x, y, scale = self.places[connector]
            logical.append((x, y, scale, dbus.UInt32(0), connector == "eDP-1", [monitor_key],
                            dbus.Dictionary({}, signature="sv")))
        return (dbus.UInt32(self.serial), monitors, logical, dbus.Dictionary({}, signature="sv"))

    @staticmethod
    def invalid(text):
        return dbus.exceptions.DBusException(text, name="org.freedesktop.DBus.Error.InvalidArgs")

    def check_layout(self, rectangles):
        for name, (x, y, width, height) in rectangles.items():
            others = [r for other, r in rectangles.items() if other != name]
            for ox, oy, ow, oh in others:
                if x < ox + ow and ox < x + width and y < oy + oh and oy < y + height:
                    raise self.invalid("Logical monitors overlap")
            touches = any((x + width == ox or ox + ow == x) and y < oy + oh and oy < y + height
                          or (y + height == oy or oy + oh == y) and x < ox + ow and ox < x + width
                          for ox, oy, ow, oh in others)
            if others and not touches:
                raise self.invalid("Logical monitors not adjacent")

    @dbus.service.method("org.gnome.Mutter.DisplayConfig", in_signature="uua(iiduba(ssa{sv}))a{sv}")
    def ApplyMonitorsConfig(self, serial, method, logical_monitors, properties):
        if serial != self.serial:
            raise dbus.exceptions.DBusException("stale information",
                                                name="org.freedesktop.DBus.Error.AccessDenied")
        if self.refuses:
            raise self.invalid("Logical monitors not adjacent")
        rectangles, applied = {}, []
        for x, y, scale, transform, primary, monitors in logical_monitors:
            for connector, mode_id, _ in monitors:
                width, height = self.size(str(connector), str(mode_id))
                if float(scale) not in self.SCALES[(width, height)]:
                    raise self.invalid("Scale %g not valid for resolution %dx%d"
                                       % (scale, width, height))
                rectangles[str(connector)] = (int(x), int(y), width, height)
                applied.append("%s:%s@%d,%d" % (connector, mode_id, x, y))
        self.check_layout(rectangles)
        for x, y, scale, transform, primary, monitors in logical_monitors:
            for connector, mode_id, _ in monitors:
                self.current[str(connector)] = str(mode_id)
                self.places[str(connector)] = [int(x), int(y), float(scale)]
        self.serial += 1
        say("applied %d %s" % (method, " ".join(sorted(applied))))


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    idle = portal = None
    if "--no-idle-monitor" not in sys.argv:
        idle = IdleMonitor(bus)
        idle.name = dbus.service.BusName("org.gnome.Mutter.IdleMonitor", bus)
    if "--no-portal" not in sys.argv:
        portal = Portal(bus, refuses="--portal-refuses" in sys.argv,
                        gnome48="--gnome48" in sys.argv,
                        dialog_code=1 if "--dialog-cancels" in sys.argv else 0)
        portal.name = dbus.service.BusName(PORTAL, bus)
    if "--no-display-config" not in sys.argv:
        layout = next((a.split("=")[1] for a in sys.argv if a.startswith("--layout=")), "right")
        display_config = DisplayConfig(bus, layout, 2.0 if "--monitor-scale-2" in sys.argv else 1.0,
                                       "--display-config-refuses" in sys.argv)
        display_config.name = dbus.service.BusName("org.gnome.Mutter.DisplayConfig", bus)
    loop = GLib.MainLoop()

    pending = b""

    # Whole reads of the descriptor: a buffered readline could keep lines
    # that the watch never reports again.
    def commands(source, condition):
        nonlocal pending
        data = os.read(sys.stdin.fileno(), 4096)
        if not data:
            loop.quit()
            return False
        pending += data
        *lines, pending = pending.split(b"\n")
        for line in lines:
            words = line.decode().split()
            if words == ["quit"]:
                loop.quit()
                return False
            if words == ["input"] and idle:
                idle.last_input = time.monotonic()
            elif len(words) == 2 and words[0] == "activate" and portal and portal.session:
                portal.Activated(dbus.ObjectPath(portal.session), words[1], dbus.UInt64(0), {})
        return True

    GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP, commands)
    say("ready")
    loop.run()


if __name__ == "__main__":
    main()
