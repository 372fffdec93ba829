#!/usr/bin/env python3
"""The program against the real mutter (43 on Debian 12, 48 on Debian 13), as
a native Wayland client of it: mutter runs nested on the Xvfb display with
two dummy monitors, LVDS1 (the Quillmark, reached
through the i2c stand-in as connector card1-LVDS1) and LVDS2, on the run's
private bus. The fixed resolution and the way back are asked for over D-Bus
with the Quillmark left of, above, and at scale 2 beside the other monitor;
what mutter then runs is read back from its GetCurrentState."""

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


class MutterRun(RealBackendRun):
    def __init__(self, build, shim, model, layout, mode_specs=MODE_SPECS):
        super().__init__(build, shim, model)
        self.mutter = subprocess.Popen(
            ["mutter", "--nested", "--wayland", "--no-x11", "--wayland-display", WAYLAND],
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
        self.connector("card1-LVDS1", 96, monitor)

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
        return sorted((str(key[0]), sizes[str(key[0])], int(x), int(y), float(scale))
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


def monitors(x, y, scale):
    """mutter's layout for LVDS1 at 0,0 with its scale and LVDS2 at x,y."""
    return dbus.Array([
        dbus.Struct((0, 0, scale, dbus.UInt32(0), True,
                     [("LVDS1", "1600x1200@60.000", dbus.Dictionary({}, signature="sv"))])),
        dbus.Struct((x, y, 1.0, dbus.UInt32(0), False,
                     [("LVDS2", "1600x1200@60.000", dbus.Dictionary({}, signature="sv"))]))],
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


def scenario(layout, fixed, back):
    return (lambda arguments: MutterRun(arguments.build, arguments.shim, arguments.model, layout),
            both_ways(fixed, back))


if __name__ == "__main__":
    if shutil.which("mutter") is None:
        print("mutter is not installed (scripts/install-deps installs it)")
        sys.exit(1)
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
