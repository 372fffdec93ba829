#!/usr/bin/env python3
"""The command line on its own, end to end: --autostart without a running
instance, --diagnose facing the other model's monitor (the real emulator),
and a start where no window can be opened."""

import os
import subprocess
import sys

from e2e_run import Run, run_checks

OTHER = {"alto": ("tenor", "Tenor", "TenorControl"), "tenor": ("alto", "Alto", "AltoControl")}


class CommandLineRun(Run):
    def cli(self, *arguments):
        return subprocess.run([os.path.join(self.build, "app", self.program), *arguments],
                              env=self.env, capture_output=True, text=True, timeout=60)


def autostart(run):
    run.env["XDG_CONFIG_HOME"] = os.path.join(run.home, ".config")
    entry = os.path.join(run.home, ".config", "autostart", run.program + ".desktop")
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
    assert last == "monitor: this is a Quillmark %s, not a %s: run %s" % (
        other_name, run.program[:-len("Control")], other_program), report.stdout
    print("--diagnose facing the other model names the program to run: ok")


def no_graphical_session(run):
    """A text console, or a Wayland display that is not there: one line that
    says what is missing and exit 1, never Qt's abort and its advice to reinstall."""
    for variable in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"):
        run.env.pop(variable, None)
    for wayland, expected in ((None, "needs a graphical session (X11 or Wayland)"),
                              ("wayland-nothing-here", "cannot reach the Wayland display")):
        if wayland:
            run.env["WAYLAND_DISPLAY"] = wayland
        result = run.cli()
        lines = result.stderr.strip().splitlines()
        assert result.returncode == 1, result
        assert len(lines) == 1 and lines[0].startswith(run.program + ": ") and expected in lines[0], \
            result.stderr
    print("no window to be had: one line and exit 1: ok")


if __name__ == "__main__":
    sys.exit(run_checks([(lambda arguments: CommandLineRun(arguments.build, arguments.model), check)
                         for check in (autostart, diagnose_other_model, no_graphical_session)]))
