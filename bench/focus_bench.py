#!/usr/bin/env python3
"""The monitor following the task: latency from a focus change to the mode
frame it causes on the emulator's wire, against the floor of half a worker
pass; and the idle cost, with rules active and no focus change, of the
program and of the desktop. On X11 under Xvfb with icewm (an EWMH window
manager, xdotool windowactivate), and with the program a native Wayland
client on headless sway (swaymsg focus; sway's IPC window events), KWin (a
KWin script activates the window; the program's script reports) and
gnome-shell (its Eval, in unsafe mode, activates the window; the package's
extension reports). Prints Markdown tables."""

import os
import statistics
import subprocess
import sys
import time

from e2e_run import WireLog, frame, private_data
from focus_run import GnomeDesktop, KWinDesktop, SwayDesktop, X11Desktop
from process_cost import cpu_seconds

# Absolute: gnome-shell ignores a relative XDG_DATA_DIRS entry (the extension).
BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
IDLE_SECONDS = int(os.environ.get("IDLE_SECONDS", "60"))
SWITCHES = int(os.environ.get("SWITCHES", "24"))
HEARTBEAT = "51 84 03 08 01 01 b0"
# Fixed resolution mode: A2 is ShowMode 5, A16 is 6.
APPS = {"org.example.Editor": frame(7, 5), "org.example.Reader": frame(7, 6)}


class X11(X11Desktop):
    """Xvfb (the caller's DISPLAY) with icewm and a session bus of its own."""
    label = "xdotool windowactivate (icewm, X11)"

    def __init__(self):
        super().__init__(BUILD, "alto")
        self.desktop_name = os.path.basename(self.manager.args[0])
        self.windows = {}

    def desktop_pid(self):
        return self.manager.pid

    def shown(self, name):
        if name not in self.windows:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % name],
                                   env=self.env, capture_output=True, text=True).stdout.split()
            if found:
                self.windows[name] = found[0]
        return name in self.windows

    def focus(self, name):
        # The window found once: only the activation is timed.
        subprocess.run(["xdotool", "windowactivate", self.windows[name]], env=self.env)


class Sway(SwayDesktop):
    """Headless sway; the program and the windows are its Wayland clients."""
    label = "swaymsg focus (sway, Wayland)"
    desktop_name = "sway"

    def desktop_pid(self):
        return self.sway.process.pid

    def shown(self, name):
        return name in self.sway.app_ids()


class KWin(KWinDesktop):
    """Headless KWin; a script of the benchmark's own activates a window."""
    label = "KWin script activates (KWin, Wayland)"
    desktop_name = "kwin_wayland"
    ACTIVATE = """for (const w of (workspace.windowList ? workspace.windowList() : workspace.clientList())) {
  if (w.desktopFileName == "%s") {
    if (workspace.windowList) workspace.activeWindow = w; else workspace.activeClient = w;
  }
}"""

    def __init__(self):
        super().__init__(BUILD, "alto")

    def desktop_pid(self):
        return self.manager.pid

    def scripting(self, method, *arguments):
        return subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.kde.KWin",
                               "/Scripting", "org.kde.kwin.Scripting." + method, *arguments],
                              env=self.env, capture_output=True, text=True).stdout

    def shown(self, name):
        # Each window's activation script, written once: only its run is timed.
        path = os.path.join(self.run.root, name + ".js")
        with open(path, "w") as out:
            out.write(self.ACTIVATE % name)
        return True

    def focus(self, name):
        path = os.path.join(self.run.root, name + ".js")
        self.scripting("loadScript", "string:" + path, "string:bench-" + name)
        self.scripting("start")
        self.scripting("unloadScript", "string:bench-" + name)


class Gnome(GnomeDesktop):
    """Headless gnome-shell, its extension enabled first."""
    label = "Shell Eval activates (GNOME Shell, Wayland)"
    desktop_name = "gnome-shell"

    def __init__(self):
        super().__init__(BUILD, "alto")
        self.enable_extension()

    def desktop_pid(self):
        return self.manager.pid

def wait_for_frame(wire_log, frame_bytes, since_ms, seconds):
    """The wall time of the first frame_bytes on the wire from since_ms on,
    or None after seconds."""
    deadline = time.time() + seconds
    while time.time() < deadline:
        for record in WireLog(wire_log).records():
            if record.get("bytes") == frame_bytes and record["wall_ms"] >= since_ms:
                return record["wall_ms"]
        time.sleep(0.02)
    return None


def measure(desktop):
    """One desktop's two tables."""
    env, as_user = desktop.env, desktop.as_user
    processes = []

    def start(command, **options):
        process = subprocess.Popen(as_user(command), env=env, **options)
        processes.append(process)
        return process

    try:
        config = os.path.join(desktop.home, ".config")
        rules = os.path.join(config, "quillmark", "modes-by-application")
        os.makedirs(os.path.dirname(rules))
        data = os.path.join(desktop.home, ".QuillMark")
        with open(data, "w") as out:
            out.write(private_data(ShowMode=5))
        with open(rules, "w") as out:
            out.write("[Modes]\norg.example.Editor=A2\norg.example.Reader=A16\n")
        for path in (data, config, os.path.dirname(rules), rules):
            desktop.give(path)
        wire_log = os.path.join(desktop.home, "wire.jsonl")
        start([desktop.reachable_copy(BUILD + "/emulator/quillmark-emulator"), "--headless",
               "--wire-log", wire_log], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
        time.sleep(1)
        app = start([desktop.reachable_copy(BUILD + "/app/AltoControl")],
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 30
        while time.time() < deadline and \
                [r.get("bytes") for r in WireLog(wire_log).records()].count(HEARTBEAT) < 3:
            time.sleep(0.2)
        window = desktop.reachable_copy(BUILD + "/tests/focus_window")
        for name in APPS:
            start([window, name], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 15
        while time.time() < deadline and not all(desktop.shown(name) for name in APPS):
            time.sleep(0.2)
        time.sleep(6)  # past the launch's wait
        # The first timed change must be one: the focus starts on the other
        # window, once its mode is on the wire (an activation made while the
        # desktop still settles may not take: it is asked again).
        first = list(APPS)[1]
        for _ in range(5):
            asked = time.time() * 1000
            desktop.focus(first)
            if wait_for_frame(wire_log, APPS[first], asked, 3) is not None:
                break
        time.sleep(1)

        latencies = []
        names = list(APPS)
        for count in range(SWITCHES):
            name = names[count % 2]
            before = time.time() * 1000
            desktop.focus(name)
            sent = wait_for_frame(wire_log, APPS[name], before, 5)
            if sent is not None:
                latencies.append(sent - before)
            time.sleep(0.9 + 0.37 * (count % 3))  # changes fall on every part of a pass
        latencies.sort()
        p95 = latencies[min(len(latencies) - 1, int(round(0.95 * (len(latencies) - 1))))]

        costs = []
        watched = (("AltoControl", app.pid), (desktop.desktop_name, desktop.desktop_pid()))
        start_cpu = {pid: cpu_seconds(pid) for _, pid in watched}
        quiet_from = time.time() * 1000
        time.sleep(IDLE_SECONDS)
        # The pass of a quiet minute: one that sends a mode is longer by the
        # mode's own pacing, and is not the pass a change waits for.
        beats = [r["t_ms"] for r in WireLog(wire_log).records()
                 if r.get("bytes") == HEARTBEAT and r["wall_ms"] >= quiet_from]
        period = statistics.median([b - a for a, b in zip(beats, beats[1:])])
        timing = "| %s | %d | %.0f | %.0f | %.0f | %.0f |" % (
            desktop.label, len(latencies), statistics.median(latencies), p95, period / 2, period)
        for name, pid in watched:
            per_minute = (cpu_seconds(pid) - start_cpu[pid]) * 60 / IDLE_SECONDS
            costs.append("| %s: %s | %.3f | %.2f%% |" % (desktop.label.split("(")[1].rstrip(")"),
                                                         name, per_minute, per_minute / 60 * 100))
        return timing, costs
    finally:
        for process in reversed(processes):
            process.terminate()
            process.wait()


def main():
    timings, costs = [], []
    for kind in (X11, Sway, KWin, Gnome):
        desktop = kind()
        try:
            timing, cost = measure(desktop)
        finally:
            desktop.stop()
        timings.append(timing)
        costs += cost
    print("| focus change to mode frame | changes | median (ms) | 95th percentile (ms) |"
          " floor: half a pass (ms) | pass period (ms) |")
    print("|---|---:|---:|---:|---:|---:|")
    print("\n".join(timings) + "\n")
    print("| idle, rules active, no focus change | CPU s per minute | CPU % of one core |")
    print("|---|---:|---:|")
    print("\n".join(costs))


if __name__ == "__main__":
    main()
