#!/usr/bin/env python3
"""The Wayland idle client against a real compositor from Debian: sway,
headless, run as an unprivileged user; org_kde_kwin_idle on sway 1.7,
ext_idle_notifier_v1 on sway 1.10. With no input the seat goes idle
after a second and activity stops being reported; input (the cursor moved
through sway's IPC) brings the reports back."""

import shutil
import subprocess
import sys
import time

from headless_sway import HeadlessSway


def main():
    if shutil.which("sway") is None:
        print("sway is not installed")
        return 1
    sway = HeadlessSway()
    try:
        probe = subprocess.Popen(sway.as_user([sway.reachable_copy(sys.argv[1]), "6"]),
                                 env=sway.env, stdout=subprocess.PIPE, text=True)
        time.sleep(4)
        sway.move_cursor(20, 20)
        output = probe.communicate(timeout=20)[0].split("\n")
    finally:
        sway.stop()
    print("\n".join(output))
    expected = "source " + sway.idle_protocol()
    assert output[0] == expected, "sway %d.%d: %s expected" % (*sway.version(), expected)
    times = [int(line.split()[1]) for line in output if line.startswith("activity")]
    quiet = [t for t in times if 2200 <= t < 3900]
    assert not quiet, "activity reported while the seat was idle: %s" % quiet
    print("idle after a second without input: ok")
    assert any(t >= 3900 for t in times), "no activity after the cursor moved"
    print("activity again on input: ok")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except AssertionError as failure:
        print("FAILED:", failure)
        sys.exit(1)
