#!/usr/bin/env python3
"""The real program with its real Linux backend (DRM sysfs, /dev/i2c-N,
flock, I2C_RDWR), end to end against the emulator's monitor model through
the LD_PRELOAD stand-in for i2c-dev and sysfs (i2c_shim.cpp). The fake
machine has two graphics cards whose connectors share a connector_id, a
connector without a ddc link, and an SMBus controller that must never be
touched. Shows the connection sequence, a hotkey, an unplug and replug, and
a bus held by another program, with the DDC/CI pacing on the wire."""

import os
import subprocess
import sys
import time

from e2e_run import CONNECTION_SEQUENCE, HEARTBEAT, Run, frame, run_checks
from fake_desktop_process import FakeDesktop

SMBUS, PANEL_BUS, MONITOR_BUS, AUX_BUS = 0, 3, 5, 7
FAKE_BIN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fake-bin")


class RealBackendRun(Run):
    def __init__(self, build, shim, model):
        super().__init__(build, model)
        self.sys = os.path.join(self.root, "fake")
        self.shim_log = os.path.join(self.root, "shim.log")
        self.held = os.path.join(self.root, "bus-held")
        # The emulator serves from a folder the program does not scan: the
        # monitor is reached through /dev/i2c-5 only.
        self.emulator_runtime = os.path.join(self.root, "emulator-run")
        os.makedirs(self.emulator_runtime, mode=0o700)
        self.shim = shim
        self.build_sysfs()

    def write(self, path, content, mode="w"):
        path = os.path.join(self.sys, path.lstrip("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, mode) as out:
            out.write(content)

    def adapter(self, pci, pci_class, bus):
        device = "/sys/devices/%s" % pci
        self.write(device + "/class", pci_class + "\n")
        adapter = "%s/i2c-%d" % (device, bus)
        os.makedirs(os.path.join(self.sys, adapter.lstrip("/"), "i2c-dev", "i2c-%d" % bus))
        link = os.path.join(self.sys, "sys/class/i2c-dev/i2c-%d" % bus)
        os.makedirs(link)
        os.symlink(os.path.join(self.sys, adapter.lstrip("/")), os.path.join(link, "device"))
        return os.path.join(self.sys, adapter.lstrip("/"))

    def connector(self, name, connector_id, adapter, edid=b""):
        folder = "/sys/class/drm/" + name
        self.write(folder + "/status", "connected\n")
        self.write(folder + "/connector_id", "%d\n" % connector_id)
        self.write(folder + "/edid", edid, "wb")
        if adapter:
            os.symlink(adapter, os.path.join(self.sys, folder.lstrip("/"), "ddc"))

    def build_sysfs(self):
        self.adapter("0000:00:1f.4", "0x0c0500", SMBUS)  # memory EEPROMs: never touched
        panel = self.adapter("0000:00:02.0", "0x030000", PANEL_BUS)
        monitor = self.adapter("0000:01:00.0", "0x030000", MONITOR_BUS)
        self.adapter("0000:01:00.0", "0x030000", AUX_BUS)
        os.makedirs(os.path.join(self.sys, "sys/module/i2c_dev"))
        # Both cards number a connector 95.
        self.connector("card0-eDP-1", 95, panel)
        self.connector("card1-HDMI-A-1", 95, monitor)
        other_monitor = bytes([0, 255, 255, 255, 255, 255, 255, 0] + [7] * 120)
        self.connector("card1-DP-2", 96, None, other_monitor)

    def set_status(self, name, status):
        self.write("/sys/class/drm/%s/status" % name, status + "\n")

    def start(self):
        emulator_env = dict(self.env, XDG_RUNTIME_DIR=self.emulator_runtime)
        self.emulator = subprocess.Popen(
            [os.path.join(self.build, "emulator/quillmark-emulator"), "--model", self.model,
             "--wire-log", self.wire_log, "--strict-timing", "--headless"],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=emulator_env, text=True)
        socket = self.emulator.stdout.readline().split(" on ")[-1].strip()
        self.env.update(LD_PRELOAD=self.shim, QUILLMARK_SHIM_ROOT=self.sys,
                        QUILLMARK_SHIM_BUSES="%d,%d,%d,%d" % (SMBUS, PANEL_BUS, MONITOR_BUS,
                                                              AUX_BUS),
                        QUILLMARK_SHIM_MONITOR_BUS=str(MONITOR_BUS), QUILLMARK_SHIM_SOCKET=socket,
                        QUILLMARK_SHIM_HELD=self.held, QUILLMARK_SHIM_LOG=self.shim_log)
        with open(self.program_output, "w") as out:
            self.app = subprocess.Popen([os.path.join(self.build, "app", self.program)],
                                        stdout=out, stderr=subprocess.STDOUT, env=self.env)

    def opened(self):
        if not os.path.exists(self.shim_log):
            return []
        with open(self.shim_log) as log:
            return log.read().split()


def check(run):
    run.start_connected(40)
    output = run.output()
    assert "/dev/i2c-%d: no answer" % PANEL_BUS in output, "no cause for the panel's bus"
    assert "/dev/i2c-%d" % SMBUS not in run.opened(), "the SMBus controller was opened"
    print("connection through /dev/i2c-%d past a colliding connector_id: ok" % MONITOR_BUS)

    mark = run.now_ms()
    run.type_into(run.window_named(run.program), "ctrl+u")
    run.wait_for_sequence([frame(10, 210)], 10, mark)
    print("hotkey: ok")

    # Another DDC tool holds the bus for 0.6 s: waited out, no failure counted.
    drops = run.output().count("before sleep 10s.")
    open(run.held, "w").close()
    time.sleep(0.6)
    os.remove(run.held)
    mark = run.now_ms()
    run.wait_for(lambda: run.writes(mark).count(HEARTBEAT) >= 2, 10, "heartbeats after the hold")
    assert run.output().count("before sleep 10s.") == drops, "the held bus dropped the link"
    print("bus held by another program: ok")

    run.command("unplug")
    run.set_status("card1-HDMI-A-1", "disconnected")
    run.wait_for(lambda: run.output().count("before sleep 10s.") > drops, 30, "the link to drop")
    mark = run.now_ms()
    run.command("plug")
    run.set_status("card1-HDMI-A-1", "connected")
    run.wait_for_sequence(CONNECTION_SEQUENCE, 40, mark)
    print("unplug and replug: ok")

    run.check_pacing()
    assert "/dev/i2c-%d" % SMBUS not in run.opened(), "the SMBus controller was opened"
    print("pacing on the wire and no SMBus probing: ok")


class WaylandRealBackendRun(RealBackendRun):
    """The same machine in a GNOME Wayland session: display modes through a
    fake org.gnome.Mutter.DisplayConfig (fake_desktop.py)."""

    def __init__(self, build, shim, model, desktop="GNOME", services=()):
        super().__init__(build, shim, model)
        self.env.update(WAYLAND_DISPLAY="wayland-quillmark-test", XDG_CURRENT_DESKTOP=desktop,
                        QT_QPA_PLATFORM="xcb")
        self.desktop = FakeDesktop(self.env, services)

    def applied(self):
        while True:
            line = self.desktop.line(60)
            assert line is not None, "the fake desktop reported no layout"
            if line.startswith("applied "):
                return line.split()

    def stop(self):
        self.desktop.stop()
        super().stop()


def pick_fixed_resolution(run):
    # Flexible at 1600x1200; then the fixed mode is picked over D-Bus.
    run.write_private_data(ShowMode=2, ResCommMode=1)
    run.start()
    run.wait_for(lambda: run.writes().count(HEARTBEAT) >= 3, 40, "the link")
    subprocess.run(["dbus-send", "--session", "--print-reply",
                    "--dest=com.talvex." + run.program, "/com/talvex/QuillmarkControl",
                    "com.talvex.QuillmarkControl.SetResolutionMode", "uint32:2"],
                   env=run.env, check=True, capture_output=True, timeout=30)


def check_wayland_display_modes(run):
    pick_fixed_resolution(run)
    applied = run.applied()
    # Persistent (GNOME asks the user to keep it), the monitor at 1100x825, the panel untouched.
    assert applied[1:] == ["2", "HDMI-1:1100x825@60.000@1920,0", "eDP-1:1920x1080@60.000@0,0"], \
        applied
    print("fixed resolution through Mutter's DisplayConfig, the other monitor kept: ok")


def set_resolution_mode(run, mode):
    return subprocess.run(["dbus-send", "--session", "--print-reply",
                           "--dest=com.talvex." + run.program, "/com/talvex/QuillmarkControl",
                           "com.talvex.QuillmarkControl.SetResolutionMode", "uint32:%d" % mode],
                          env=run.env, capture_output=True, text=True, timeout=30)


def check_gnome_layout(expected_fixed, expected_back):
    """The monitor left of or above the panel, or at scale 2: the switch and the
    way back give layouts Mutter accepts (neighbours moved, scales it lists)."""
    def check_run(run):
        pick_fixed_resolution(run)
        fixed = run.applied()[2:]
        assert fixed == expected_fixed, "fixed: %s" % fixed
        run.wait_for(lambda: frame(4, 2) in run.writes(), 10, "the monitor told of fixed")
        back = set_resolution_mode(run, 1)
        assert back.returncode == 0, back.stderr
        restored = run.applied()[2:]
        assert restored == expected_back, "back: %s" % restored
        print("GNOME layout %s, both ways: ok" % " ".join(expected_fixed))
    return check_run


def check_refused_display_modes(reason):
    """A desktop that refuses the switch: a failure, not a fixed mode."""
    return lambda run: refused_display_modes(run, reason)


def refused_display_modes(run, reason):
    run.write_private_data(ShowMode=2, ResCommMode=1)
    run.start()
    run.wait_for(lambda: run.writes().count(HEARTBEAT) >= 3, 40, "the link")
    mark = run.now_ms()
    refused = subprocess.run(["dbus-send", "--session", "--print-reply",
                              "--dest=com.talvex." + run.program, "/com/talvex/QuillmarkControl",
                              "com.talvex.QuillmarkControl.SetResolutionMode", "uint32:2"],
                             env=run.env, capture_output=True, text=True, timeout=30)
    assert refused.returncode != 0, refused
    assert "ResolutionRefused" in refused.stderr, refused.stderr
    assert reason in refused.stderr, refused.stderr
    assert "Cancel resolution setting .xxxxxxxx." in run.output()
    passes = run.writes().count(HEARTBEAT)
    run.wait_for(lambda: run.writes().count(HEARTBEAT) >= passes + 3, 20, "three passes")
    assert frame(4, 2) not in run.writes(mark), "the monitor was told of a fixed mode"
    with open(os.path.join(run.home, ".QuillMark")) as data:
        assert data.read().split()[8] == "1", "the refused mode was recorded"
    print("a refused fixed mode is a failure: nothing recorded, nothing sent, the reason told: ok")


def tool_run(desktop, **tool_env):
    """A session whose compositor is reached through its display tool (the
    stand-ins in fake-bin), with no DisplayConfig on the bus."""
    def make(arguments):
        run = WaylandRealBackendRun(arguments.build, arguments.shim, arguments.model, desktop,
                                    ["--no-display-config"])
        run.env["PATH"] = FAKE_BIN + os.pathsep + run.env["PATH"]
        run.env["FAKE_KSCREEN_LOG"] = run.env["FAKE_WLR_RANDR_LOG"] = os.path.join(run.root,
                                                                                   "tool.log")
        run.env.update(tool_env)
        return run
    return make


def tool_check(expected, tool):
    """Only the monitor's output changes, at the refresh rate its 1100x825 mode has."""
    def check_run(run):
        pick_fixed_resolution(run)
        log = run.env["FAKE_KSCREEN_LOG"]
        run.wait_for(lambda: os.path.exists(log), 10, tool + " to be asked")
        with open(log) as changes:
            assert changes.read().split("\n")[0] == expected, "asked: " + open(log).read()
        print("fixed resolution through %s, the monitor's output only: ok" % tool)
        if tool == "kscreen-doctor":
            # Read at the start and again after the change, never once per pass.
            passes = run.writes().count(HEARTBEAT)
            run.wait_for(lambda: run.writes().count(HEARTBEAT) >= passes + 10, 30, "ten passes")
            with open(log + ".runs") as runs:
                listings = len(runs.read().split())
            assert listings <= 3, "kscreen-doctor -j ran %d times" % listings
            print("kscreen-doctor read once, not per pass, without the program's Qt variables: ok")
    return check_run


if __name__ == "__main__":
    sys.exit(run_checks(
        [(lambda arguments: RealBackendRun(arguments.build, arguments.shim, arguments.model),
          check),
         (lambda arguments: WaylandRealBackendRun(arguments.build, arguments.shim,
                                                  arguments.model),
          check_wayland_display_modes),
         (lambda arguments: WaylandRealBackendRun(arguments.build, arguments.shim,
                                                  arguments.model,
                                                  services=["--display-config-refuses"]),
          check_refused_display_modes("Logical monitors not adjacent")),
         (lambda arguments: WaylandRealBackendRun(arguments.build, arguments.shim,
                                                  arguments.model, services=["--layout=left"]),
          check_gnome_layout(["HDMI-1:1100x825@60.000@0,0", "eDP-1:1920x1080@60.000@1100,0"],
                             ["HDMI-1:1600x1200@60.000@0,0", "eDP-1:1920x1080@60.000@1600,0"])),
         (lambda arguments: WaylandRealBackendRun(arguments.build, arguments.shim,
                                                  arguments.model, services=["--layout=above"]),
          check_gnome_layout(["HDMI-1:1100x825@60.000@0,0", "eDP-1:1920x1080@60.000@0,825"],
                             ["HDMI-1:1600x1200@60.000@0,0", "eDP-1:1920x1080@60.000@0,1200"])),
         (lambda arguments: WaylandRealBackendRun(arguments.build, arguments.shim,
                                                  arguments.model,
                                                  services=["--monitor-scale-2"]),
          check_gnome_layout(["HDMI-1:1100x825@60.000@1920,0", "eDP-1:1920x1080@60.000@0,0"],
                             ["HDMI-1:1600x1200@60.000@1920,0", "eDP-1:1920x1080@60.000@0,0"])),
         (tool_run("KDE"), tool_check("output.HDMI-A-1.mode.1100x825@60", "kscreen-doctor")),
         # Plasma 6's kscreen-doctor says yes to a change KWin does not make.
         (tool_run("KDE", FAKE_KSCREEN_IGNORES="1"),
          check_refused_display_modes("the display kept its mode")),
         (tool_run("sway"),
          tool_check("--output HDMI-A-1 --mode 1100x825@59.940000Hz", "wlr-randr"))],
        ["--shim"]))
