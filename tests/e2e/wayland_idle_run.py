#!/usr/bin/env python3
"""The Wayland idle client against a real compositor from Debian: sway,
headless, run as an unprivileged user; org_kde_kwin_idle on sway 1.7,
ext_idle_notifier_v1 on sway 1.9 and later. With no input the seat goes
idle after a second and activity stops being reported; input (the cursor
moved through sway's IPC) brings the reports back. Waits for what the
client reports, whatever the machine's load."""

import select
import shutil
import subprocess
import sys
import time

from e2e_run import exit_with
from headless_sway import HeadlessSway

# Activity comes once a second while the seat is active: a silence this
# long is the seat gone idle.
IDLE_SILENCE = 3.0


def next_line(probe, seconds):
    """The probe's next line, or None when it said nothing for that long."""
    ready, _, _ = select.select([probe.stdout], [], [], seconds)
    return probe.stdout.readline().strip() if ready else None


def main():
    if shutil.which("sway") is None:
        print("sway is not installed")
        return 1
    sway = HeadlessSway()
    probe = None
    try:
        probe = subprocess.Popen(sway.as_user([sway.reachable_copy(sys.argv[1])]),
                                 env=sway.env, stdout=subprocess.PIPE, text=True, bufsize=1)
        expected = "source " + sway.idle_protocol()
        first = next_line(probe, 30)
        assert first == expected, "sway %d.%d: %s expected, got %r" % (*sway.version(), expected,
                                                                         first)
        deadline = time.time() + 60
        while next_line(probe, IDLE_SILENCE) is not None:
            assert time.time() < deadline, "activity went on without input"
        print("idle after a second without input: ok")
        sway.move_cursor(20, 20)
        line = next_line(probe, 30)
        assert line is not None and line.startswith("activity"), "no activity after the cursor " \
            "moved: %r" % line
        print("activity again on input: ok")
    finally:
        if probe:
            probe.kill()
            probe.wait()
        sway.stop()
    return 0


if __name__ == "__main__":
    exit_with(main)
