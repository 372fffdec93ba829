#!/usr/bin/env python3
"""The program in a Wayland session, end to end: a private session bus with
fakes of GNOME's IdleMonitor and the GlobalShortcuts portal
(fake_desktop.py), the real program (drawn through Xwayland's stand-in,
Xvfb) and the real emulator. Activity in the session keeps screen save away
while it goes on and screen save comes after the idle time; a portal
activation sends the hotkey's bytes. Without an idle source, screen save
never comes by itself."""

import os
import subprocess
import sys
import time

from e2e_run import HEARTBEAT, Run, frame, run_checks
from fake_desktop_process import FakeDesktop

SCREEN_SAVE_ON, SCREEN_SAVE_OFF = frame(2, 1), frame(2, 0)


class WaylandRun(Run):
    def __init__(self, build, model, services):
        super().__init__(build, model)
        # A Wayland session: the program is drawn through Xwayland (here Xvfb).
        self.env.update(WAYLAND_DISPLAY="wayland-quillmark-test", XDG_CURRENT_DESKTOP="GNOME",
                        QT_QPA_PLATFORM="xcb")
        self.desktop = FakeDesktop(self.env, services)

    def tell(self, line):
        self.desktop.tell(line)

    def start_connected(self, **changes):
        # ScreenSaveTime 3 s, contrast hotkeys enabled, A2 in the fixed mode, threshold 200.
        self.write_private_data(**{"ScreenSaveTime": 3, **changes})
        self.start()
        self.wait_for(lambda: self.writes().count(HEARTBEAT) >= 3, 30, "the link")
        # The launch's 5 s wait (the count runs only after it) is over by now.
        time.sleep(6)

    def stop(self):
        self.desktop.stop()
        super().stop()


def check_with_desktop(run):
    run.start_connected()
    assert "Idle time from org.gnome.Mutter.IdleMonitor." in run.output(), run.output()[-2000:]
    report = subprocess.run([os.path.join(run.build, "app", run.program), "--diagnose"],
                            env=run.env, capture_output=True, text=True, timeout=30).stdout
    for line in ("session: Wayland session (GNOME)", "idle time: org.gnome.Mutter.IdleMonitor",
                 "global hotkeys: the GlobalShortcuts portal"):
        assert line in report, report
    print("--diagnose in a Wayland session: ok")

    # The user works in a Wayland window: screen save never comes.
    mark = run.now_ms()
    end = time.time() + 8
    while time.time() < end:
        run.tell("input")
        time.sleep(0.4)
    assert SCREEN_SAVE_ON not in run.writes(mark), "screen save while the user works"
    print("no screen save while input goes on: ok")

    # Then nothing: screen save after the idle time (3 s), to within a second or two.
    run.wait_for_sequence([SCREEN_SAVE_ON], 6, mark)
    run.tell("input")
    run.wait_for_sequence([SCREEN_SAVE_OFF], 5, mark)
    print("screen save after the idle time, off on input: ok")

    # The hotkeys are the desktop's global shortcuts, registered at
    # CreateSession (as Plasma 5.27 takes them) and, being listed then, never
    # bound again: binding would open System Settings at every start.
    registered = []
    while len(registered) < 3:
        line = (run.desktop.line(10) or "").split()
        if line and line[0] in ("registered", "bound"):
            registered.append(line)
    assert ["registered", "contrast-up", "CTRL+U"] in registered, registered
    assert ["registered", "refresh", "CTRL+X"] in registered, registered
    run.wait_for(lambda: "Hotkeys registered with the desktop's global shortcuts portal."
                 in run.output(), 10, "the portal's answer")
    mark = run.now_ms()
    run.tell("activate contrast-up")
    run.wait_for(lambda: "Press Contrast up hotkey." in run.output(), 10, "the activation")
    run.wait_for_sequence([frame(10, 210)], 10, mark)
    assert run.output().count("Press Contrast up hotkey.") == 1
    assert "bound" not in run.desktop.lines(), "BindShortcuts though the shortcuts were listed"
    print("portal activation sends the hotkey's bytes, nothing bound twice: ok")


def check_refusing_portal(run):
    run.start_connected()
    run.wait_for(lambda: "did not take the hotkeys (response 2)" in run.output(), 10,
                 "the refusal to be told")
    assert "Hotkeys registered" not in run.output()
    assert "--hotkey contrast-up, --hotkey contrast-down and --hotkey refresh" in run.output()
    print("a portal answering code 2: the hotkeys are said to be unavailable: ok")
    report = subprocess.run([os.path.join(run.build, "app", run.program), "--diagnose"],
                            env=run.env, capture_output=True, text=True, timeout=30).stdout
    assert "global hotkeys: none (the portal answered 2); bind" in report, report
    print("--diagnose beside the instance names what carries its hotkeys: none: ok")


def check_gnome48_confirmed(run):
    """GNOME 48: the program names itself, GNOME's dialog comes once, at the
    first start, with the keys the user set (Ctrl+R for the refresh), and
    the next start finds the hotkeys listed."""
    run.start_connected(RefreshHotkeyKeyCode=15)
    seen = run.desktop.wait_for_line("identified com.talvex." + run.program)
    seen += run.desktop.wait_for_line("dialog 0")
    seen += run.desktop.wait_for_line("bound contrast-up CTRL+U")
    seen += run.desktop.wait_for_line("bound refresh CTRL+R")
    assert not any(line.startswith("registered") for line in seen), seen
    assert seen.count("dialog 0") == 1 and "bound refresh CTRL+X" not in seen, seen
    run.wait_for(lambda: "Hotkeys registered with the desktop's global shortcuts portal."
                 in run.output(), 10, "the portal's answer")
    mark = run.now_ms()
    run.tell("activate contrast-up")
    run.wait_for_sequence([frame(10, 210)], 10, mark)
    print("GNOME 48: named com.talvex.%s, its dialog confirmed, activation reaches the wire: ok"
          % run.program)
    run.restart_program()
    run.wait_for(lambda: "Hotkeys registered" in run.output(), 30, "the second start's answer")
    later = run.desktop.lines(2.0)
    assert "dialog" not in later and "bound" not in later, later
    print("GNOME 48: the next start binds nothing and asks nothing: ok")


def check_gnome48_cancelled(run):
    """GNOME 48, the user cancels the dialog: said, remembered, not asked at
    the next start."""
    run.start_connected()
    run.desktop.wait_for_line("dialog 1")
    run.wait_for(lambda: "The desktop's shortcut dialog was cancelled" in run.output(), 10,
                 "the cancel to be told")
    # Past the program's look at Settings (every 2 s): the cancel holds.
    assert "dialog" not in run.desktop.lines(3.0), "GNOME's dialog again after a cancel"
    report = subprocess.run([os.path.join(run.build, "app", run.program), "--diagnose"],
                            env=run.env, capture_output=True, text=True, timeout=30).stdout
    assert "global hotkeys: none (the desktop's shortcut dialog was cancelled; Settings > " \
        "Hotkeys > Add to GNOME's keyboard shortcuts asks again)" in report, report
    mark = os.path.join(run.home, ".local", "state", "quillmark",
                        "com.talvex.%s.shortcuts-declined" % run.program)
    assert os.path.isfile(mark), "the cancel is not remembered"
    run.restart_program()
    run.wait_for(lambda: "The hotkeys are not bound: the desktop's shortcut dialog was cancelled "
                 "before" in run.output(), 30, "the second start's word")
    assert "dialog" not in run.desktop.lines(2.0), "GNOME's dialog again at the next start"
    run.app.terminate()
    run.app.wait(10)
    report = subprocess.run([os.path.join(run.build, "app", run.program), "--diagnose"],
                            env=run.env, capture_output=True, text=True, timeout=30).stdout
    assert "global hotkeys: none (not bound since the desktop's shortcut dialog was cancelled" \
        in report, report
    print("GNOME 48, dialog cancelled: said, remembered, not asked again at the next start: ok")


def check_without_sources(run):
    run.start_connected()
    assert "gives no idle time" in run.output(), run.output()[-2000:]
    assert "No global shortcuts portal in this session" in run.output()
    mark = run.now_ms()
    time.sleep(7)
    assert SCREEN_SAVE_ON not in run.writes(mark), "screen save without an idle source"
    print("no idle source, no idle screen save: ok")


if __name__ == "__main__":
    sys.exit(run_checks([
        (lambda arguments: WaylandRun(arguments.build, arguments.model, []), check_with_desktop),
        (lambda arguments: WaylandRun(arguments.build, arguments.model,
                                      ["--no-idle-monitor", "--no-portal"]),
         check_without_sources),
        (lambda arguments: WaylandRun(arguments.build, arguments.model, ["--portal-refuses"]),
         check_refusing_portal),
        (lambda arguments: WaylandRun(arguments.build, arguments.model, ["--gnome48"]),
         check_gnome48_confirmed),
        (lambda arguments: WaylandRun(arguments.build, arguments.model,
                                      ["--gnome48", "--dialog-cancels"]),
         check_gnome48_cancelled)]))
