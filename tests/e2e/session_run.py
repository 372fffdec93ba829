#!/usr/bin/env python3
"""The program as a session-long utility, end to end: a private session bus
(a real dbus-daemon), the real program under Xvfb and the real emulator.
Drives the D-Bus control object and the command line, and checks the wire
bytes, the log lines and the saved private data file; a second start
changes nothing but the first's window."""

import os
import signal
import subprocess
import sys
import time

from e2e_run import HEARTBEAT, Run, frame, run_checks

NAME_PATH_INTERFACE = ["com.talvex.%s", "/com/talvex/QuillmarkControl",
                       "com.talvex.QuillmarkControl"]


class SessionRun(Run):
    def __init__(self, build, model):
        super().__init__(build, model)
        self.env["XDG_CONFIG_HOME"] = os.path.join(self.home, ".config")
        self.service = NAME_PATH_INTERFACE[0] % self.program

    def cli(self, *arguments):
        return subprocess.run([os.path.join(self.build, "app", self.program), *arguments],
                              env=self.env, capture_output=True, text=True, timeout=30)

    def dbus_send(self, method, *arguments):
        return subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=" + self.service,
                               NAME_PATH_INTERFACE[1], NAME_PATH_INTERFACE[2] + "." + method,
                               *arguments], env=self.env, capture_output=True, text=True,
                              timeout=30)

    def name_owned(self):
        return "boolean true" in subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
             "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
             "string:" + self.service], env=self.env, capture_output=True, text=True).stdout

    def introspect(self):
        return subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=" + self.service,
                               NAME_PATH_INTERFACE[1], "org.freedesktop.DBus.Introspectable.Introspect"],
                              env=self.env, capture_output=True, text=True, timeout=30).stdout

    def sent_since(self, mark, predicate):
        """The frames written since mark that predicate picks, after two more heartbeats."""
        beats = len([w for w in self.writes(mark) if w == HEARTBEAT])
        self.wait_for(lambda: len([w for w in self.writes(mark) if w == HEARTBEAT])
                      >= beats + 2, 15, "two more passes")
        return [w for w in self.writes(mark) if predicate(w)]


def check(run):
    # ShowMode 5 (A2, fixed), ResCommMode 2, hotkeys off (the actions need no hotkey), Threshold 200.
    run.write_private_data(FreshHandSoftEnable=0)
    result = run.cli("--refresh")
    assert result.returncode == 1 and "not running" in result.stderr, result
    print("an action without a running program fails: ok")

    run.start()
    # In the launch (its wait holds the main thread), --status waits for it.
    run.wait_for(run.name_owned, 20, "the bus name")
    early = run.cli("--status")
    assert early.returncode == 0 and "mode: A2 (5)" in early.stdout, early
    print("--status in the launch waits for the instance: ok")
    run.wait_for(lambda: run.writes().count(HEARTBEAT) >= 2, 30, "the link")
    monitor = subprocess.Popen(["dbus-monitor", "--session",
                                "type='signal',interface='org.freedesktop.DBus.Properties'"],
                               env=run.env, stdout=subprocess.PIPE, text=True)
    time.sleep(0.5)

    # Beside the running instance, the report asks it and leaves the buses alone.
    mark = run.now_ms()
    report = run.cli("--diagnose")
    assert report.returncode == 0, report
    assert "runs and holds the monitor" in report.stdout, report.stdout
    assert "monitor: answered (through the running instance)" in report.stdout, report.stdout
    assert "status exchange" not in report.stdout, report.stdout
    print("--diagnose beside the running instance: ok")

    status = run.cli("--status")
    assert status.returncode == 0, status
    # The connection sends no threshold: the monitor keeps its own until the
    # contrast changes, and --status says so.
    assert status.stdout.splitlines() == [
        "online: yes", "mode: A2 (5)", "threshold: 200",
        "threshold on the monitor: its own until the contrast is changed "
        "(none is sent when it connects)", "resolution mode: fixed (2)"], status.stdout
    print("--status: ok")

    # The contrast step and the refresh as the hotkeys make them, though their
    # key combinations are not enabled.
    mark = run.now_ms()
    assert run.cli("--contrast-up").returncode == 0
    run.wait_for_sequence([frame(10, 210)], 10, mark)
    assert run.output().count("Press Contrast up hotkey.") == 1
    mark = run.now_ms()
    assert run.dbus_send("Refresh").returncode == 0
    run.wait_for_sequence([frame(6, 2)], 10, mark)
    assert "Presss refresh hotkey." in run.output()
    print("contrast and refresh over D-Bus and the command line: ok")

    # The mode and the resolution mode in force, chosen from every surface but
    # the panel: nothing is sent and the user's threshold stays.
    mark = run.now_ms()
    assert run.cli("--mode", "a2").returncode == 0
    assert run.dbus_send("SetShowMode", "uint32:5").returncode == 0
    assert run.dbus_send("SetResolutionMode", "uint32:2").returncode == 0
    mode_or_threshold = run.sent_since(mark, lambda w: w.split()[4] in ("04", "05", "07", "08", "09", "0a", "0b"))
    assert mode_or_threshold == [], mode_or_threshold
    status = run.cli("--status").stdout
    assert "mode: A2 (5)" in status and "threshold: 210" in status, status
    assert "threshold on the monitor" not in status, status  # 210 was sent
    print("the mode in force is a no-op: ok")

    # A mode as the panel's button chooses it, saved as the panel saves it.
    mark = run.now_ms()
    result = run.cli("--mode", "a16")
    assert result.returncode == 0, result
    run.wait_for_sequence([frame(7, 6)], 10, mark)
    run.wait_for(lambda: run.saved()["ShowMode"] == 6, 5, "ShowMode 6 to be saved")
    assert "Switch to A16 mode." in run.output()
    result = run.cli("--resolution", "flexible")
    assert result.returncode == 0, result
    run.wait_for(lambda: run.saved()["ResCommMode"] == 1 and run.saved()["ShowMode"] == 3, 5,
                 "ResCommMode 1 saved")
    # Into the fixed family on A2: the mode's default threshold, sent on the next pass.
    mark = run.now_ms()
    assert run.dbus_send("SetShowMode", "uint32:2").returncode == 0
    run.wait_for_sequence([frame(7, 2), frame(9, 190)], 10, mark)
    print("mode and resolution mode: ok")

    # Bad arguments change nothing and name the valid values.
    before = run.saved()
    bad = run.dbus_send("SetShowMode", "uint32:5")
    assert bad.returncode != 0 and "1 (Floyd), 2 (A2), 3 (A16)" in bad.stderr, bad
    bad = run.dbus_send("SetResolutionMode", "uint32:7")
    assert bad.returncode != 0 and "1 (flexible) or 2 (fixed" in bad.stderr, bad
    result = run.cli("--mode", "a5")
    assert result.returncode == 1 and "floyd, a2, a16" in result.stderr, result
    assert run.cli("--mode", "sepia").returncode == 2
    assert run.saved() == before
    print("bad arguments: ok")

    # A second start hands over and ends; the log and the settings stay as they are.
    log = os.path.join(run.home, "tl.log")
    log_size = os.path.getsize(log)
    data_time = os.stat(os.path.join(run.home, ".QuillMark")).st_mtime_ns
    second = run.cli()
    assert second.returncode == 0, second
    assert os.path.getsize(log) >= log_size, "the second start emptied tl.log"
    assert os.stat(os.path.join(run.home, ".QuillMark")).st_mtime_ns == data_time
    assert run.app.poll() is None, "the first instance ended"
    print("second start: ok")

    # The changes were announced.
    run.dbus_send("ContrastDown")
    time.sleep(1)
    monitor.terminate()
    signals = monitor.communicate(timeout=5)[0]
    for name in ("Threshold", "ShowMode", "ResCommMode"):
        assert '"%s"' % name in signals, "no PropertiesChanged for " + name
    print("PropertiesChanged: ok")

    # Properties come from one adaptor: the interface is listed once.
    xml = run.introspect()
    assert xml.count('interface name="org.freedesktop.DBus.Properties"') == 1, xml
    for member in ("ContrastUp", "PressHotkey", "SetShowMode", "SetResolutionMode", "Quit"):
        assert 'method name="%s"' % member in xml, xml
    for name in ("Online", "ShowMode", "Threshold", "ResCommMode", "Model"):
        assert 'property name="%s"' % name in xml, xml
    print("introspection: ok")

    # Unplugged: every action that needs the monitor fails and says why.
    run.command("unplug")
    run.wait_for(lambda: "online: no" in run.cli("--status").stdout, 30, "the link to drop")
    status = run.cli("--status").stdout
    assert "link lost: the monitor's display is gone" in status, status
    for arguments in (["--contrast-up"], ["--contrast-down"], ["--refresh"], ["--mode", "a16"]):
        result = run.cli(*arguments)
        assert result.returncode == 1 and "Cannot detect Talvex Display exist" in result.stderr, \
            (arguments, result)
    print("actions without a monitor: exit 1 with the reason: ok")
    # A desktop's own shortcut runs --hotkey: the key does what the key grab
    # does, here nothing, the contrast hotkeys being off in Settings.
    status, pressed = run.cli("--status").stdout, run.output().count("Press Contrast up")
    assert run.cli("--hotkey", "contrast-up").returncode == 0
    assert run.cli("--status").stdout == status, status
    assert run.output().count("Press Contrast up") == pressed, "the key acted while off"
    assert run.cli("--hotkey", "sideways").returncode == 2
    print("--hotkey of a hotkey off in Settings: nothing, as the key: ok")

    # Ten mode changes queued on the bus, then SIGTERM: none of them holds off
    # the end, which comes with the closing line.
    callers = [subprocess.Popen(["dbus-send", "--session", "--dest=" + run.service,
                                 "--print-reply", NAME_PATH_INTERFACE[1],
                                 NAME_PATH_INTERFACE[2] + ".SetShowMode",
                                 "uint32:%d" % (1 + i % 3)], env=run.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
               for i in range(10)]
    run.app.send_signal(signal.SIGTERM)
    assert run.app.wait(10) == 0
    assert run.output().count("--------- ...") == 1
    for caller in callers:
        caller.wait(30)
    print("queued calls and SIGTERM: ok")


if __name__ == "__main__":
    sys.exit(run_checks([(lambda arguments: SessionRun(arguments.build, arguments.model), check)]))
