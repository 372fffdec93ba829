#!/usr/bin/env python3
"""CPU of the emulator with its window, under Xvfb: alone (no messages at
all), then serving a connected, idle AltoControl (a heartbeat and a status
poll every pass). Prints a Markdown table."""

import os
import subprocess
import sys
import tempfile
import time

from e2e_run import WireLog
from process_cost import cpu_seconds, peak_rss_kb

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
IDLE_SECONDS = int(os.environ.get("IDLE_SECONDS", "30"))
HEARTBEAT = "51 84 03 08 01 01 b0"


def per_minute(pid, seconds):
    start = cpu_seconds(pid)
    time.sleep(seconds)
    return (cpu_seconds(pid) - start) * 60 / seconds


def main():
    root = tempfile.mkdtemp(prefix="quillmark-emulator-bench-")
    env = dict(os.environ, HOME=os.path.join(root, "home"), XDG_RUNTIME_DIR=os.path.join(root, "run"))
    os.makedirs(env["HOME"])
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
    with open(os.path.join(env["HOME"], ".QuillMark"), "w") as data:  # no screen save while measured
        data.write("0\n1\n0\n120\n3600\n0\n2\n1\n1\n200\n2\n262144\n32\n262144\n7\n262144\n2\n")
    wire_log = os.path.join(root, "wire.jsonl")
    emulator = subprocess.Popen([BUILD + "/emulator/quillmark-emulator", "--wire-log", wire_log],
                                stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, env=env)
    app = None
    try:
        deadline = time.time() + 20
        while time.time() < deadline and not subprocess.run(
                ["xdotool", "search", "--onlyvisible", "--name", "Quillmark"], env=env,
                capture_output=True).stdout:
            time.sleep(0.2)
        time.sleep(2)  # the first picture drawn and shown
        alone = per_minute(emulator.pid, IDLE_SECONDS)
        app = subprocess.Popen([BUILD + "/app/AltoControl", "--hidden"], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, env=env)
        deadline = time.time() + 30
        while time.time() < deadline and not any(r.get("bytes") == HEARTBEAT for r in WireLog(wire_log).records()):
            time.sleep(0.2)
        time.sleep(3)  # the connection's mode, clear and threshold settled on the panel
        before = len(WireLog(wire_log).records())
        serving = per_minute(emulator.pid, IDLE_SECONDS)
        messages = (len(WireLog(wire_log).records()) - before) * 60 / IDLE_SECONDS
        print("| emulator with its window | messages per minute | CPU s per minute | CPU % of one core"
              " | peak RSS (MiB) |")
        print("|---|---:|---:|---:|---:|")
        print("| alone, no client | 0 | %.3f | %.2f%% | |" % (alone, alone / 60 * 100))
        print("| serving AltoControl, idle | %.0f | %.3f | %.2f%% | %.1f |" % (
            messages, serving, serving / 60 * 100, peak_rss_kb(emulator.pid) / 1024))
    finally:
        for process in (app, emulator):
            if process:
                process.terminate()
                process.wait()


if __name__ == "__main__":
    main()
