#!/usr/bin/env python3
"""AltoControl's idle cost in a KDE Plasma session, children counted: the
real KWin 5.27 (virtual outputs) and kscreen-doctor, the program's real
backend through the i2c stand-in with the monitor on KWin's output. Prints
a Markdown table: CPU seconds per minute of the program and its child
processes (kscreen-doctor), and how often kscreen-doctor ran.
usage: kde_idle_bench.py BUILD SHIM (under xvfb-run)"""

import os
import stat
import sys
import time

from e2e_run import HEARTBEAT
from headless_kwin import start_headless_kwin
from process_cost import cpu_seconds
from real_backend_run import MONITOR_BUS, PANEL_BUS, RealBackendRun

IDLE_SECONDS = int(os.environ.get("IDLE_SECONDS", "60"))
WAYLAND = "wl-quillmark-bench"


class KdeBenchRun(RealBackendRun):
    def build_sysfs(self):
        panel = self.adapter("0000:00:02.0", "0x030000", PANEL_BUS)
        monitor = self.adapter("0000:01:00.0", "0x030000", MONITOR_BUS)
        os.makedirs(os.path.join(self.sys, "sys/module/i2c_dev"))
        self.connector("card0-eDP-1", 95, panel)
        # KWin's virtual output is called "screen".
        self.connector("card1-screen", 96, monitor)


def main():
    build, shim = sys.argv[1], sys.argv[2]
    run = KdeBenchRun(build, shim, "alto")
    kde_env = dict(run.env, XDG_CURRENT_DESKTOP="KDE", KDE_FULL_SESSION="true")
    kwin = start_headless_kwin(run.root, kde_env, WAYLAND)
    # kscreen-doctor itself, counted.
    tools = os.path.join(run.root, "bin")
    os.makedirs(tools)
    counter = os.path.join(run.root, "kscreen-doctor-runs")
    wrapper = os.path.join(tools, "kscreen-doctor")
    with open(wrapper, "w") as out:
        out.write("#!/bin/sh\necho run >> %s\nexec /usr/bin/kscreen-doctor \"$@\"\n" % counter)
    os.chmod(wrapper, stat.S_IRWXU)
    try:
        run.wait_for(lambda: os.path.exists(os.path.join(run.runtime, WAYLAND)), 30, "KWin")
        run.env.update(kde_env, WAYLAND_DISPLAY=WAYLAND, QT_QPA_PLATFORM="xcb",
                       PATH=tools + os.pathsep + run.env["PATH"])
        run.write_private_data(ShowMode=2, ResCommMode=1, ScreenSaveTime=3600)
        run.start()
        run.wait_for(lambda: run.writes().count(HEARTBEAT) >= 3, 60, "the link")
        time.sleep(2)
        runs_before = open(counter).read().count("run") if os.path.exists(counter) else 0
        start = cpu_seconds(run.app.pid, children=True)
        passes = run.writes().count(HEARTBEAT)
        time.sleep(IDLE_SECONDS)
        per_minute = (cpu_seconds(run.app.pid, children=True) - start) * 60 / IDLE_SECONDS
        passes = run.writes().count(HEARTBEAT) - passes
        total = open(counter).read().count("run") if os.path.exists(counter) else 0
        runs = total - runs_before
        print("| AltoControl in KDE Plasma 5.27 (real KWin, kscreen-doctor) | CPU s per minute"
              " idle, children counted | CPU % of one core | worker passes |"
              " kscreen-doctor runs while idle | in all, start included |")
        print("|---|---:|---:|---:|---:|---:|")
        print("| connected, idle, %d s | %.3f | %.2f%% | %d | %d | %d |" % (
            IDLE_SECONDS, per_minute, per_minute / 60 * 100, passes, runs, total))
    finally:
        run.stop()
        kwin.terminate()
        kwin.wait(10)


if __name__ == "__main__":
    main()
