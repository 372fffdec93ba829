#!/usr/bin/env python3
"""The command line on its own, end to end: --autostart without a running
instance, --diagnose facing the other model's monitor (the real emulator),
and a start where no window can be opened."""

import os
import pty
import re
import select
import signal
import subprocess
import sys
import time

from e2e_run import HEARTBEAT, NO_SESSION_BUS, Run, run_checks

OTHER = {"alto": ("tenor", "Tenor", "TenorControl"), "tenor": ("alto", "Alto", "AltoControl")}


class CommandLineRun(Run):
    def cli(self, *arguments):
        return subprocess.run([os.path.join(self.build, "app", self.program), *arguments],
                              env=self.env, capture_output=True, text=True, timeout=60)


def autostart(run):
    run.env["XDG_CONFIG_HOME"] = os.path.join(run.home, ".config")
    entry = os.path.join(run.home, ".config", "autostart", "com.talvex." + run.program + ".desktop")
    result = run.cli("--autostart", "on")
    assert result.returncode == 0, result
    with open(entry) as text:
        lines = text.read().splitlines()
    program = os.path.realpath(os.path.join(run.build, "app", run.program))
    assert "TryExec=" + program in lines and "Exec=%s --hidden" % program in lines, lines
    assert run.cli("--autostart", "off").returncode == 0 and not os.path.exists(entry)
    assert run.cli("--autostart", "maybe").returncode == 2
    assert not os.path.exists(os.path.join(run.home, "tl.log")), "--autostart touched tl.log"
    print("--autostart on and off without a running instance: ok")


def autostart_under_the_former_name(run):
    """An entry written under the program's former name becomes the entry
    under its app id at the next start: start at login survives the rename,
    and what the desktop wrote into it (turned off, a translation) with it."""
    run.env["XDG_CONFIG_HOME"] = os.path.join(run.home, ".config")
    folder = os.path.join(run.home, ".config", "autostart")
    os.makedirs(folder)
    former = os.path.join(folder, run.program + ".desktop")
    with open(former, "w") as out:
        out.write("[Desktop Entry]\nType=Application\nExec=%s --hidden\nHidden=true\n"
                  "X-GNOME-Autostart-enabled=false\nName[de]=Alto\n" % run.program)
    run.start_connected(40)
    entry = os.path.join(folder, "com.talvex.%s.desktop" % run.program)
    run.wait_for(lambda: os.path.exists(entry) and not os.path.exists(former), 15,
                 "the entry to be moved")
    with open(entry) as text:
        lines = text.read().splitlines()
    assert "Exec=%s --hidden" % os.path.realpath(
        os.path.join(run.build, "app", run.program)) in lines, lines
    for carried in ("Hidden=true", "X-GNOME-Autostart-enabled=false", "Name[de]=Alto"):
        assert carried in lines, lines
    assert "X-GNOME-Autostart-enabled=true" not in lines, lines
    print("an autostart entry under the former name is moved to the app id's: ok")


def autostart_kept_where_the_new_name_is_taken(run):
    """A folder at the app id's name: the entry under the former name stays,
    and the log says why, rather than start at login being lost."""
    run.env["XDG_CONFIG_HOME"] = os.path.join(run.home, ".config")
    folder = os.path.join(run.home, ".config", "autostart")
    os.makedirs(os.path.join(folder, "com.talvex.%s.desktop" % run.program))
    former = os.path.join(folder, run.program + ".desktop")
    with open(former, "w") as out:
        out.write("[Desktop Entry]\nType=Application\nExec=%s --hidden\n" % run.program)
    run.start_connected(40)
    run.wait_for(lambda: "Start at login keeps its former entry" in run.output(), 15,
                 "the word on the entry kept")
    assert os.path.isfile(former), "the former entry was lost"
    print("the app id's name taken by a folder: the former entry stays, said: ok")


def diagnose_other_model(run):
    other_model, other_name, other_program = OTHER[run.model]
    run.emulator = subprocess.Popen(
        [os.path.join(run.build, "emulator/quillmark-emulator"), "--model", other_model,
         "--headless", "--wire-log", run.wire_log], stdin=subprocess.PIPE,
        stdout=subprocess.DEVNULL, env=run.env, text=True)
    run.wait_for(lambda: os.path.exists(run.wire_log), 5, "the emulator to start")
    report = run.cli("--diagnose")
    assert report.returncode == 1, report
    last = report.stdout.strip().splitlines()[-1]
    own_name = run.program[:-len("Control")]
    assert last == "monitor: this is a Quillmark %s, not %s %s: run %s" % (
        other_name, "an" if own_name == "Alto" else "a", own_name, other_program), report.stdout
    # The detection's log lines are the program's log's, not the report's.
    assert "/* Read result" not in report.stdout and "Checksums" not in report.stdout, report
    assert not os.path.exists(os.path.join(run.home, "tl.log")), "--diagnose wrote tl.log"
    print("--diagnose facing the other model names the program to run, in a report of its "
          "own: ok")


def running_without_a_bus(run):
    """An instance that runs without a session bus: an action names that, not
    a program that does not run."""
    run.env["DBUS_SESSION_BUS_ADDRESS"] = NO_SESSION_BUS
    run.write_private_data()
    run.start()
    run.wait_for(lambda: run.writes().count(HEARTBEAT) >= 2, 30, "the link")
    result = run.cli("--refresh")
    assert result.returncode == 1 and "runs, but not on this session bus" in result.stderr, result
    print("an action beside an instance without a session bus: ok")


def process_state(pid):
    """The state letter of /proc/PID/stat, or None once the process is gone
    (it may end between any two reads)."""
    try:
        with open("/proc/%d/stat" % pid) as stat:
            return stat.read().rsplit(")", 1)[1].split()[0]
    except (FileNotFoundError, ProcessLookupError):
        return None


def emulator_in_the_background(run):
    """`quillmark-emulator &` typed in an interactive shell keeps serving (a
    read of the terminal would have the shell stop it), and reads its
    commands once brought to the foreground."""
    pid, terminal = pty.fork()
    if pid == 0:
        os.execvpe("bash", ["bash", "--norc", "--noprofile", "-i"], run.env)
    typed, emulator_pid = [], None

    def type_line(line):
        os.write(terminal, (line + "\n").encode())

    def read_until(pattern, seconds):
        deadline = time.time() + seconds
        while time.time() < deadline:
            if select.select([terminal], [], [], 0.2)[0]:
                typed.append(os.read(terminal, 4096).decode(errors="replace"))
            found = re.search(pattern, "".join(typed))
            if found:
                return found
        raise AssertionError("the shell did not show %r: %s" % (pattern, "".join(typed)))

    try:
        emulator = os.path.join(run.build, "emulator/quillmark-emulator")
        type_line("%s --model %s --headless --wire-log %s & echo EMULATOR=$!" %
                  (emulator, run.model, run.wire_log))
        emulator_pid = int(read_until(r"EMULATOR=(\d+)", 10).group(1))
        run.wait_for(lambda: os.path.exists(run.wire_log), 10, "the emulator to serve")
        time.sleep(1)
        assert process_state(emulator_pid) not in ("T", None), \
            "the emulator was stopped in the background, or ended"
        assert run.cli("--diagnose").returncode == 0, "the backgrounded emulator did not answer"
        type_line("fg")
        time.sleep(1)
        type_line("quit")
        run.wait_for(lambda: process_state(emulator_pid) in ("Z", None), 10,
                     "the emulator to take 'quit' in the foreground")
    finally:
        for process in (emulator_pid, pid):
            if process is not None:
                try:
                    os.kill(process, signal.SIGKILL)
                except ProcessLookupError:
                    pass
        os.waitpid(pid, 0)
    print("the emulator in the background of a shell serves, and reads in the foreground: ok")


def no_graphical_session(run):
    """A text console, or a Wayland display that is not there: the program and
    the emulator say in one line what is missing and exit 1, never Qt's abort
    and its advice to reinstall; the emulator says "serving" only once it serves."""
    emulator = [os.path.join(run.build, "emulator/quillmark-emulator"), "--model", run.model]
    for variable in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"):
        run.env.pop(variable, None)
    for changes, expected in (
            ({}, "needs a graphical session (X11 or Wayland)"),
            ({"WAYLAND_DISPLAY": "wayland-nothing-here"}, "cannot reach the Wayland display"),
            ({"QT_QPA_PLATFORM": "xcb"}, "the platform QT_QPA_PLATFORM names (xcb)")):
        run.env.update(changes)
        result = run.cli()
        lines = result.stderr.strip().splitlines()
        assert result.returncode == 1, result
        assert len(lines) == 1 and lines[0].startswith(run.program + ": ") and expected in lines[0], \
            result.stderr
        served = subprocess.run(emulator, env=run.env, stdin=subprocess.DEVNULL,
                                capture_output=True, text=True, timeout=30)
        lines = served.stderr.strip().splitlines()
        assert served.returncode == 1 and "serving" not in served.stdout, served
        assert len(lines) == 1 and lines[0].startswith("quillmark-emulator: ") and \
            expected in lines[0], served.stderr
        assert changes or "--headless" in lines[0], lines
    print("no window to be had: one line and exit 1, the program's and the emulator's: ok")


if __name__ == "__main__":
    sys.exit(run_checks([(lambda arguments: CommandLineRun(arguments.build, arguments.model), check)
                         for check in (autostart, autostart_under_the_former_name,
                                       autostart_kept_where_the_new_name_is_taken,
                                       diagnose_other_model, running_without_a_bus,
                                       emulator_in_the_background, no_graphical_session)]))
