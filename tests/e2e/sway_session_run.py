#!/usr/bin/env python3
"""The real program in a real Wayland session: headless sway (run as an
unprivileged user, as the program and the emulator are) and the emulator.
The program is a native Wayland client of sway: its window is in sway's
tree. It takes the session's idle time from sway's idle protocol
(org_kde_kwin_idle on sway 1.7, ext_idle_notifier_v1 on 1.10):
screen save does not come while input goes on (the cursor moved through
sway's IPC) and comes after the idle time once it stops."""

import os
import subprocess
import sys
import time

from e2e_run import HEARTBEAT, Run, WireLog, frame, private_data, read_text
from headless_sway import HeadlessSway

SCREEN_SAVE_ON, SCREEN_SAVE_OFF = frame(2, 1), frame(2, 0)


def main(build, model):
    program = "AltoControl" if model == "alto" else "TenorControl"
    sway = HeadlessSway()
    emulator = app = None
    output_path = os.path.join(sway.home, "program.out")
    wire_path = os.path.join(sway.home, "wire.jsonl")
    wire = WireLog(wire_path)
    writes, now_ms = wire.writes, wire.now_ms

    def output():
        return read_text(output_path)

    try:
        env = dict(sway.env, XDG_SESSION_TYPE="wayland")
        # ScreenSaveTime 3 s, A2 in the fixed mode.
        with open(os.path.join(sway.home, ".QuillMark"), "w") as out:
            out.write(private_data(ScreenSaveTime=3))
        if os.geteuid() == 0:
            os.chown(os.path.join(sway.home, ".QuillMark"), sway.account.pw_uid,
                     sway.account.pw_gid)
        emulator = subprocess.Popen(
            sway.as_user([sway.reachable_copy(os.path.join(build, "emulator/quillmark-emulator")),
                          "--model", model, "--headless", "--strict-timing", "--wire-log",
                          wire_path]),
            env=env, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
        with open(output_path, "w") as out:
            if os.geteuid() == 0:
                os.chown(output_path, sway.account.pw_uid, sway.account.pw_gid)
            app_copy = sway.reachable_copy(os.path.join(build, "app", program))
            app = subprocess.Popen(sway.as_user([app_copy]),
                env=env, stdout=out, stderr=subprocess.STDOUT)
        Run.wait_for(lambda: writes().count(HEARTBEAT) >= 3, 30, "the link")
        assert "Running in a Wayland session" in output(), output()[-2000:]
        assert "Idle time from %s." % sway.idle_protocol() in output(), output()[-2000:]
        Run.wait_for(lambda: "com.talvex." + program in sway.app_ids(), 10, "the window on sway")
        print("a native Wayland window on sway %d.%d: ok" % sway.version())
        report = subprocess.run(sway.as_user([app_copy, "--diagnose"]), env=env,
                                capture_output=True, text=True, timeout=60).stdout
        for action, keys in (("--hotkey contrast-up", "Ctrl+u"),
                             ("--hotkey contrast-down", "Ctrl+d")):
            assert "  bindsym %s exec %s %s\n" % (keys, app_copy, action) in report, report
        # The refresh hotkey is off in Settings: pasted, its line would still act.
        assert "refresh\n" not in report, report
        print("--diagnose gives sway's bindsym lines for the hotkeys as set, and only those on: ok")
        time.sleep(6)  # the launch's wait, before which the count does not run

        mark = now_ms()
        end = time.time() + 8
        step = 0
        while time.time() < end:
            step += 1
            sway.move_cursor(10 + step % 2 * 10, 10)
            time.sleep(0.4)
        assert SCREEN_SAVE_ON not in writes(mark), "screen save while input went on"
        print("no screen save while input goes on: ok")

        deadline = time.time() + 8
        while time.time() < deadline and SCREEN_SAVE_ON not in writes(mark):
            time.sleep(0.2)
        assert SCREEN_SAVE_ON in writes(mark), "no screen save after the idle time"
        sway.move_cursor(30, 30)
        Run.wait_for(lambda: SCREEN_SAVE_OFF in writes(mark), 6, "screen save off on input")
        print("screen save after the idle time, off on input: ok")
        return 0
    except AssertionError as failure:
        print("FAILED:", failure)
        print(output()[-3000:] if os.path.exists(output_path) else "")
        return 1
    finally:
        for process in (app, emulator):
            if process is not None:
                process.terminate()
                process.wait()
        sway.stop()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
