#!/usr/bin/env python3
"""The program against the real mutter (43 on Debian 12, 48 on Debian 13, 50
on Debian testing), as a native Wayland client of it, on the run's private
bus. Up to 48, mutter runs nested on the Xvfb display with two dummy
monitors of several modes each, LVDS1 (the Quillmark, reached through the
i2c stand-in as connector card1-LVDS1) and LVDS2: the fixed resolution and
the way back are asked for over D-Bus with the Quillmark left of, above, and
at scale 2 beside the other monitor; what mutter then runs is read back from
its GetCurrentState. Mutter 49 dropped the nested mode and the dummy
monitors' variables: there it runs headless with two virtual monitors
(Meta-0, the Quillmark as card1-Meta-0, and Meta-1), each of one mode only,
which is what the runs ask of it: the fixed mode refused where the monitor
has no 1100x825, and the way back taken where 1100x825 is its one mode."""

import os
import shutil
import subprocess
import sys

import dbus

from e2e_run import HEARTBEAT, frame, run_checks
from real_backend_run import MONITOR_BUS, PANEL_BUS, RealBackendRun

WAYLAND = "wl-quillmark-mutter"
MODE_SPECS = "1600x1200:1100x825@60:1920x1080"
CONFIG = ("org.gnome.Mutter.DisplayConfig", "/org/gnome/Mutter/DisplayConfig")
NESTED = shutil.which("mutter") is not None and "--nested" in subprocess.run(
    ["mutter", "--help"], capture_output=True, text=True).stdout
# The monitors' connectors as mutter names them, and as the checks name them.
CONNECTORS = ({} if NESTED else {"Meta-0": "LVDS1", "Meta-1": "LVDS2"})
QUILLMARK = "LVDS1" if NESTED else "Meta-0"


def mutter_command(mode_specs):
    if NESTED:
        return ["mutter", "--nested", "--wayland", "--no-x11", "--wayland-display", WAYLAND]
    # One mode per virtual monitor: the first of the specs.
    first = mode_specs.split(":")[0].split("@")[0]
    return ["mutter", "--headless", "--wayland", "--no-x11", "--wayland-display", WAYLAND,
            "--virtual-monitor", first, "--virtual-monitor", first]


class MutterRun(RealBackendRun):
    def __init__(self, build, shim, model, layout, mode_specs=MODE_SPECS):
        super().__init__(build, shim, model)
        self.mutter = subprocess.Popen(
            mutter_command(mode_specs),
            env=dict(self.env, MUTTER_DEBUG_NUM_DUMMY_MONITORS="2",
                     MUTTER_DEBUG_DUMMY_MODE_SPECS=mode_specs),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.bus_connection = dbus.bus.BusConnection(self.env["DBUS_SESSION_BUS_ADDRESS"])
        self.wait_for(self.config_ready, 30, "mutter's DisplayConfig")
        if layout:
            self.config().ApplyMonitorsConfig(self.state()[0], 1, layout, {})
        self.env.update(WAYLAND_DISPLAY=WAYLAND, XDG_CURRENT_DESKTOP="GNOME",
                        XDG_SESSION_TYPE="wayland")
        self.env.pop("QT_QPA_PLATFORM", None)

    def build_sysfs(self):
        panel = self.adapter("0000:00:02.0", "0x030000", PANEL_BUS)
        monitor = self.adapter("0000:01:00.0", "0x030000", MONITOR_BUS)
        os.makedirs(os.path.join(self.sys, "sys/module/i2c_dev"))
        self.connector("card0-LVDS2", 95, panel)
        self.connector("card1-" + QUILLMARK, 96, monitor)

    def config(self):
        return dbus.Interface(self.bus_connection.get_object(*CONFIG), CONFIG[0])

    def config_ready(self):
        try:
            self.state()
            return True
        except dbus.exceptions.DBusException:
            return False

    def state(self):
        return self.config().GetCurrentState()

    def layout(self):
        """Each monitor: (connector, current size, x, y, scale)."""
        serial, monitors, logical, _ = self.state()
        sizes = {}
        for key, modes, _ in monitors:
            for mode in modes:
                if mode[6].get("is-current"):
                    sizes[str(key[0])] = "%dx%d" % (mode[1], mode[2])
        return sorted((CONNECTORS.get(str(key[0]), str(key[0])), sizes[str(key[0])], int(x),
                       int(y), float(scale))
                      for x, y, scale, _, _, keys, _ in logical for key in keys)

    def set_resolution_mode(self, mode):
        return subprocess.run(["dbus-send", "--session", "--print-reply",
                               "--dest=com.talvex." + self.program,
                               "/com/talvex/QuillmarkControl",
                               "com.talvex.QuillmarkControl.SetResolutionMode", "uint32:%d" % mode],
                              env=self.env, capture_output=True, text=True, timeout=30)

    def stop(self):
        if self.mutter.poll() is None:
            self.mutter.terminate()
            self.mutter.wait(10)
        super().stop()


def monitors(x, y, scale, mode="1600x1200@60.000"):
    """mutter's layout for the Quillmark at 0,0 with its scale and the other at x,y."""
    quillmark, other = QUILLMARK, ("LVDS2" if NESTED else "Meta-1")
    return dbus.Array([
        dbus.Struct((0, 0, scale, dbus.UInt32(0), True,
                     [(quillmark, mode, dbus.Dictionary({}, signature="sv"))])),
        dbus.Struct((x, y, 1.0, dbus.UInt32(0), False,
                     [(other, mode, dbus.Dictionary({}, signature="sv"))]))],
        signature="(iiduba(ssa{sv}))")


def both_ways(fixed, back):
    def check(run):
        run.write_private_data(ShowMode=2, ResCommMode=1)
        run.start()
        run.wait_for(lambda: run.writes().count(HEARTBEAT) >= 3, 40, "the link")
        run.wait_for(lambda: run.wayland_client_of(os.path.join(run.runtime, WAYLAND)), 10,
                     "the program as mutter's Wayland client")
        result = run.set_resolution_mode(2)
        assert result.returncode == 0, result.stderr
        assert run.layout() == fixed, run.layout()
        run.wait_for(lambda: frame(4, 2) in run.writes(), 10, "the monitor told of fixed")
        result = run.set_resolution_mode(1)
        assert result.returncode == 0, result.stderr
        assert run.layout() == back, run.layout()
        print("mutter took both switches, the program its Wayland client: %s: ok" % (fixed,))
    return check


def flexible_without_the_remembered_size(run):
    """Connected in the fixed mode on a display whose modes are 1100x825 and
    1920x1080: the size remembered for the flexible mode (1600x1200) is not
    one of them, and the way back is taken all the same, the monitor told,
    the screen kept at its size and the reason on the status line."""
    run.write_private_data(ShowMode=5, ResCommMode=2)
    run.start()
    run.wait_for(lambda: run.writes().count(HEARTBEAT) >= 3, 40, "the link")
    mark = run.now_ms()
    result = run.set_resolution_mode(1)
    assert result.returncode == 0, result.stderr
    run.wait_for(lambda: frame(4, 1) in run.writes(mark), 10, "the monitor told of flexible")
    assert run.saved()["ResCommMode"] == 1, run.saved()
    assert ("LVDS1", "1100x825", 0, 0, 1.0) in run.layout(), run.layout()
    print("the way back to flexible on a display without 1600x1200: taken, the size kept: ok")


def fixed_refused_without_the_size(run):
    """The fixed mode asked of a display that has no 1100x825: mutter keeps
    its mode, the program records nothing, tells the monitor nothing, and
    gives mutter's reason to the caller."""
    run.write_private_data(ShowMode=2, ResCommMode=1)
    run.start()
    run.wait_for(lambda: run.writes().count(HEARTBEAT) >= 3, 40, "the link")
    run.wait_for(lambda: run.wayland_client_of(os.path.join(run.runtime, WAYLAND)), 10,
                 "the program as mutter's Wayland client")
    before = run.layout()
    mark = run.now_ms()
    result = run.set_resolution_mode(2)
    assert result.returncode != 0 and "ResolutionRefused" in result.stderr, result
    assert run.layout() == before, run.layout()
    assert run.saved()["ResCommMode"] == 1, run.saved()
    assert frame(4, 2) not in run.writes(mark), "the monitor told of a switch not made"
    print("the fixed mode on a display without 1100x825: refused, nothing changed: ok")


def scenario(layout, fixed, back):
    return (lambda arguments: MutterRun(arguments.build, arguments.shim, arguments.model, layout),
            both_ways(fixed, back))


if __name__ == "__main__":
    if shutil.which("mutter") is None:
        print("mutter is not installed (scripts/install-deps installs it)")
        sys.exit(1)
    if not NESTED:
        sys.exit(run_checks([
            (lambda arguments: MutterRun(arguments.build, arguments.shim, arguments.model, None),
             fixed_refused_without_the_size),
            (lambda arguments: MutterRun(arguments.build, arguments.shim, arguments.model,
                                         monitors(1100, 0, 1.0, "1100x825@60.000"),
                                         "1100x825@60"),
             flexible_without_the_remembered_size),
        ], ["--shim"]))
    sys.exit(run_checks([
        # Left of the other monitor (mutter's own layout).
        scenario(None,
                 [("LVDS1", "1100x825", 0, 0, 1.0), ("LVDS2", "1600x1200", 1100, 0, 1.0)],
                 [("LVDS1", "1600x1200", 0, 0, 1.0), ("LVDS2", "1600x1200", 1600, 0, 1.0)]),
        # Above it.
        scenario(monitors(0, 1200, 1.0),
                 [("LVDS1", "1100x825", 0, 0, 1.0), ("LVDS2", "1600x1200", 0, 825, 1.0)],
                 [("LVDS1", "1600x1200", 0, 0, 1.0), ("LVDS2", "1600x1200", 0, 1200, 1.0)]),
        # At scale 2, which 1100x825 does not offer: scale 1 there.
        scenario(monitors(1600, 0, 2.0),
                 [("LVDS1", "1100x825", 0, 0, 1.0), ("LVDS2", "1600x1200", 1100, 0, 1.0)],
                 [("LVDS1", "1600x1200", 0, 0, 1.0), ("LVDS2", "1600x1200", 1600, 0, 1.0)]),
        (lambda arguments: MutterRun(arguments.build, arguments.shim, arguments.model, None,
                                     "1100x825@60:1920x1080"),
         flexible_without_the_remembered_size),
    ], ["--shim"]))
