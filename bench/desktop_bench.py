#!/usr/bin/env python3
"""Idle cost and hotkey latency of AltoControl, under Xvfb, against the
headless emulator, beside a minimal Qt program: the X11 key grab, and the
command-line action a desktop's own shortcut runs. Prints Markdown tables."""

import os
import statistics
import subprocess
import sys
import tempfile
import time

from e2e_run import WireLog
from process_cost import cpu_seconds, peak_rss_kb

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
IDLE_SECONDS = int(os.environ.get("IDLE_SECONDS", "60"))
PRESSES = int(os.environ.get("PRESSES", "24"))


def painted(window, env):
    """True once the window shows more than its background: it has been drawn."""
    shot = subprocess.run(["import", "-window", window, "-format", "%[fx:standard_deviation]",
                           "info:"], env=env, capture_output=True, text=True).stdout.strip()
    try:
        return float(shot) > 0.01
    except ValueError:
        return False


def first_paint_ms(env, runs=5):
    """Start of AltoControl to its first painted main window, median of runs."""
    times = []
    for _ in range(runs):
        start = time.time()
        app = subprocess.Popen([BUILD + "/app/AltoControl"], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, env=env)
        try:
            deadline = start + 10
            while time.time() < deadline:
                found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                                        "AltoControl"], env=env, capture_output=True,
                                       text=True).stdout.split()
                if found and painted(found[0], env):
                    times.append((time.time() - start) * 1000)
                    break
                time.sleep(0.01)
        finally:
            app.terminate()
            app.wait()
    return statistics.median(times) if times else float("nan"), len(times)


def latencies_of(trigger, steps, wire_log):
    """Milliseconds from each trigger to the threshold frame it causes; steps
    are the thresholds (in tens) the triggers lead to, in order."""
    latencies = []
    for count, step in enumerate(steps):
        before = time.time() * 1000
        trigger()
        # In A2 the worker sends the threshold itself (held to 130..250).
        wanted = "51 84 03 08 09 %02x" % min(max(10 * step, 130), 250)
        deadline = time.time() + 5
        sent = None
        while time.time() < deadline and sent is None:
            for record in WireLog(wire_log).records():
                if record.get("bytes", "").startswith(wanted) and record["wall_ms"] >= before:
                    sent = record["wall_ms"]
            time.sleep(0.02)
        if sent is not None:
            latencies.append(sent - before)
        time.sleep(0.7 + 0.37 * (count % 3))  # triggers fall on every part of a pass
    return sorted(latencies)


def main():
    root = tempfile.mkdtemp(prefix="quillmark-bench-")
    env = dict(os.environ, HOME=os.path.join(root, "home"), XDG_RUNTIME_DIR=os.path.join(root, "run"))
    os.makedirs(env["HOME"])
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
    with open(os.path.join(env["HOME"], ".QuillMark"), "w") as data:
        data.write("0\n1\n0\n120\n3600\n0\n2\n1\n1\n0\n2\n262144\n32\n262144\n7\n262144\n2\n")
    wire_log = os.path.join(root, "wire.jsonl")
    # A private session bus, so the D-Bus control object runs as in a session.
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
    paint, runs = first_paint_ms(env)
    print("| start to first painted main window | runs | median (ms) |")
    print("|---|---:|---:|")
    print("| AltoControl | %d | %.0f |\n" % (runs, paint))
    emulator = subprocess.Popen([BUILD + "/emulator/quillmark-emulator", "--headless", "--wire-log",
                                 wire_log], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, env=env)
    time.sleep(0.5)
    app = subprocess.Popen([BUILD + "/app/AltoControl"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, env=env)
    minimal = subprocess.Popen([BUILD + "/bench/minimal_qt"], env=env)
    try:
        heartbeat = "51 84 03 08 01 01 b0"
        deadline = time.time() + 30
        while time.time() < deadline and not any(r.get("bytes") == heartbeat for r in WireLog(wire_log).records()):
            time.sleep(0.2)
        time.sleep(2)
        start = {p.pid: cpu_seconds(p.pid) for p in (app, minimal)}
        time.sleep(IDLE_SECONDS)
        per_minute = {p.pid: (cpu_seconds(p.pid) - start[p.pid]) * 60 / IDLE_SECONDS
                      for p in (app, minimal)}
        rss = {p.pid: peak_rss_kb(p.pid) for p in (app, minimal)}

        print("| program | CPU s per minute idle | CPU % of one core | peak RSS (MiB) |")
        print("|---|---:|---:|---:|")
        for name, p in (("AltoControl (connected, idle)", app), ("minimal Qt program", minimal)):
            print("| %s | %.3f | %.2f%% | %.1f |" % (name, per_minute[p.pid],
                                                     per_minute[p.pid] / 60 * 100, rss[p.pid] / 1024))
        floor = per_minute[minimal.pid]
        ratio = "%.1f" % (per_minute[app.pid] / floor) if floor >= 0.01 else "(floor below 0.01 s)"
        print("| ratio | %s | | %.2f |\n" % (ratio, rss[app.pid] / rss[minimal.pid]))

        window = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "AltoControl"],
                                env=env, capture_output=True, text=True).stdout.split()[0]
        subprocess.run(["xdotool", "windowfocus", "--sync", window], env=env)
        beats = [r["t_ms"] for r in WireLog(wire_log).records() if r.get("bytes") == heartbeat]
        periods = [b - a for a, b in zip(beats, beats[1:]) if b - a < 2000]
        period = statistics.median(periods)
        print("| hotkey to threshold frame | presses | median (ms) | 95th percentile (ms) |"
              " floor: half a pass (ms) | pass period (ms) |")
        print("|---|---:|---:|---:|---:|---:|")
        # Up from 0 by the X11 key grab, then down by the command a desktop's
        # own shortcut runs (GNOME's custom shortcuts, sway's bindsym).
        press = lambda: subprocess.run(["xdotool", "key", "ctrl+u"], env=env)
        command = lambda: subprocess.run([BUILD + "/app/AltoControl", "--contrast-down"], env=env,
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for name, trigger, steps in (("Control+U (X11 key grab)", press, range(1, PRESSES + 1)),
                                     ("AltoControl --contrast-down (desktop shortcut)", command,
                                      range(PRESSES - 1, -1, -1))):
            latencies = latencies_of(trigger, steps, wire_log)
            p95 = latencies[min(len(latencies) - 1, int(round(0.95 * (len(latencies) - 1))))]
            print("| %s | %d | %.0f | %.0f | %.0f | %.0f |" % (
                name, len(latencies), statistics.median(latencies), p95, period / 2, period))
    finally:
        for process in (app, minimal, emulator, bus):
            process.terminate()
            process.wait()


if __name__ == "__main__":
    main()
