#!/usr/bin/env python3
"""The wlroots display-mode path against a real compositor: headless sway,
through the real wlr-randr. Sway 1.10 (Debian 13) runs its virtual output at
1280x720 and takes any size as a custom mode: 1100x825 is done and read back;
then, with 1100x825@60 the one mode it lists, 1280x720 is refused without a
change. Sway 1.7's headless outputs refuse every mode (skipped there)."""

import shutil
import subprocess
import sys

from e2e_run import exit_with
from headless_sway import HeadlessSway

SKIPPED = 77


def main(probe):
    if shutil.which("sway") is None or shutil.which("wlr-randr") is None:
        print("sway or wlr-randr is not installed (scripts/install-deps installs them)")
        return 1
    if HeadlessSway.version() < (1, 9):
        print("sway %d.%d: its headless outputs refuse every mode; skipped" %
              HeadlessSway.version())
        return SKIPPED
    sway = HeadlessSway()
    try:
        result = subprocess.run(sway.as_user([sway.reachable_copy(probe), "card0-HEADLESS-1",
                                              "1100x825", "1280x720"]),
                                env=sway.env, capture_output=True, text=True, timeout=60)
    finally:
        sway.stop()
    lines = result.stdout.splitlines()
    print("\n".join(lines))
    assert lines[:3] == ["now 1280x720", "1100x825: done", "now 1100x825"], lines
    print("a size switched through wlr-randr and read back: ok")
    assert lines[3:] == ["1280x720: refused: the desktop lists no such mode for the monitor",
                         "now 1100x825"], lines
    print("a size the output does not list: refused, the display as it was: ok")
    return 0


if __name__ == "__main__":
    exit_with(main, sys.argv[1])
