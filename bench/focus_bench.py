#!/usr/bin/env python3
"""The monitor following the task, under Xvfb with icewm (an EWMH window
manager): latency from a focus change (xdotool windowactivate) to the mode
frame it causes on the emulator's wire, against the floor of half a worker
pass; and the idle cost, with rules active and no focus change, of the
program and of the window manager. Prints Markdown tables."""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from e2e_run import WireLog, frame, private_data
from process_cost import cpu_seconds

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
IDLE_SECONDS = int(os.environ.get("IDLE_SECONDS", "60"))
SWITCHES = int(os.environ.get("SWITCHES", "24"))
HEARTBEAT = "51 84 03 08 01 01 b0"
# Fixed resolution mode: A2 is ShowMode 5, A16 is 6.
APPS = {"org.example.Editor": frame(7, 5), "org.example.Reader": frame(7, 6)}


def window_of(name, env):
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % name],
                           env=env, capture_output=True, text=True).stdout.split()
    return found[0] if found else None


def main():
    root = tempfile.mkdtemp(prefix="quillmark-focus-bench-")
    home = os.path.join(root, "home")
    env = dict(os.environ, HOME=home, XDG_RUNTIME_DIR=os.path.join(root, "run"),
               QT_QPA_PLATFORM="xcb")
    env.pop("WAYLAND_DISPLAY", None)
    os.makedirs(os.path.join(home, ".config", "quillmark"))
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
    with open(os.path.join(home, ".QuillMark"), "w") as data:
        data.write(private_data(ShowMode=5))
    with open(os.path.join(home, ".config", "quillmark", "modes-by-application"), "w") as rules:
        rules.write("[Modes]\norg.example.Editor=A2\norg.example.Reader=A16\n")
    wire_log = os.path.join(root, "wire.jsonl")
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
    processes = [bus]
    try:
        manager = subprocess.Popen([shutil.which("icewm") or "openbox"], env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        processes.append(manager)
        processes.append(subprocess.Popen(
            [BUILD + "/emulator/quillmark-emulator", "--headless", "--wire-log", wire_log],
            stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, env=env))
        time.sleep(1)
        app = subprocess.Popen([BUILD + "/app/AltoControl"], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, env=env)
        processes.append(app)
        deadline = time.time() + 30
        while time.time() < deadline and \
                [r.get("bytes") for r in WireLog(wire_log).records()].count(HEARTBEAT) < 3:
            time.sleep(0.2)
        for name in APPS:
            processes.append(subprocess.Popen([BUILD + "/tests/focus_window", name], env=env,
                                              stdout=subprocess.DEVNULL,
                                              stderr=subprocess.DEVNULL))
        windows = {}
        deadline = time.time() + 15
        while time.time() < deadline and len(windows) < len(APPS):
            windows = {name: window_of(name, env) for name in APPS if window_of(name, env)}
            time.sleep(0.2)
        time.sleep(6)  # past the launch's wait

        latencies = []
        names = list(APPS)
        for count in range(SWITCHES):
            name = names[count % 2]
            before = time.time() * 1000
            subprocess.run(["xdotool", "windowactivate", windows[name]], env=env)
            deadline = time.time() + 5
            sent = None
            while time.time() < deadline and sent is None:
                for record in WireLog(wire_log).records():
                    if record.get("bytes") == APPS[name] and record["wall_ms"] >= before:
                        sent = record["wall_ms"]
                time.sleep(0.02)
            if sent is not None:
                latencies.append(sent - before)
            time.sleep(0.9 + 0.37 * (count % 3))  # changes fall on every part of a pass
        beats = [r["t_ms"] for r in WireLog(wire_log).records() if r.get("bytes") == HEARTBEAT]
        period = statistics.median([b - a for a, b in zip(beats, beats[1:]) if b - a < 2000])
        latencies.sort()
        p95 = latencies[min(len(latencies) - 1, int(round(0.95 * (len(latencies) - 1))))]
        print("| focus change to mode frame | changes | median (ms) | 95th percentile (ms) |"
              " floor: half a pass (ms) | pass period (ms) |")
        print("|---|---:|---:|---:|---:|---:|")
        print("| xdotool windowactivate (icewm, X11) | %d | %.0f | %.0f | %.0f | %.0f |\n" % (
            len(latencies), statistics.median(latencies), p95, period / 2, period))

        start = {p.pid: cpu_seconds(p.pid) for p in (app, manager)}
        time.sleep(IDLE_SECONDS)
        print("| idle, rules active, no focus change | CPU s per minute | CPU % of one core |")
        print("|---|---:|---:|")
        for name, process in (("AltoControl", app), ("icewm", manager)):
            per_minute = (cpu_seconds(process.pid) - start[process.pid]) * 60 / IDLE_SECONDS
            print("| %s | %.3f | %.2f%% |" % (name, per_minute, per_minute / 60 * 100))
    finally:
        for process in reversed(processes):
            process.terminate()
            process.wait()
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
