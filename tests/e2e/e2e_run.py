#!/usr/bin/env python3
"""End-to-end run of a control program against the real monitor emulator.

Runs under Xvfb (the caller wraps it in tests/support/with-xvfb) with a temporary HOME and
XDG_RUNTIME_DIR, prepares a private data file, and reads the emulator's wire
log and the program's output to check what reached the monitor.
"""

import argparse
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HEARTBEAT = "51 84 03 08 01 01 b0"
# The private data file's seventeen lines, in their order, with the values the
# runs start from: ShowMode 5 (A2, fixed), ResCommMode 2, contrast hotkeys on,
# Threshold 200, English, Ctrl+U / Ctrl+D / Ctrl+X.
PRIVATE_DATA_FIELDS = [
    ("FreshAutoEnable", 0), ("FreshHandSoftEnable", 1), ("FreshHandHardEnable", 0),
    ("AutoFreshTime", 120), ("ScreenSaveTime", 600), ("AutoRefreshTimerTurnOnFlag", 0),
    ("ShowMode", 5), ("WorkMode", 1), ("ResCommMode", 2), ("Threshold", 200), ("Language", 2),
    ("ContrastHotkeyModifierFlags", 262144), ("ContrastHotkeyKeyCode", 32),
    ("RefreshHotkeyModifierFlags", 262144), ("RefreshHotkeyKeyCode", 7),
    ("ContrastHotkeyDownModifierFlags", 262144), ("ContrastHotkeyDownKeyCode", 2)]


def private_data(**changes):
    """The file's text: the runs' start values with the named fields changed."""
    names = [name for name, _ in PRIVATE_DATA_FIELDS]
    unknown = set(changes) - set(names)
    assert not unknown, "no such field: %s" % unknown
    return "".join("%d\n" % changes.get(name, value) for name, value in PRIVATE_DATA_FIELDS)


def saved_fields(text):
    """The named fields of a saved private data file."""
    return dict(zip((name for name, _ in PRIVATE_DATA_FIELDS), map(int, text.split())))
STATUS_REQUEST = "51 82 01 08 01 01 b4"


# No session bus. Where none is named, libdbus starts one for an X11 display
# (dbus-x11's autolaunch, which python3-dbusmock pulls in): an address that
# leads nowhere is no bus on every machine.
NO_SESSION_BUS = "unix:path=/nonexistent/quillmark-no-session-bus"

PRIVATE_BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


def frame(type_byte, value):
    payload = [0x51, 0x84, 0x03, 0x08, type_byte, value]
    checksum = 0x6E
    for byte in payload:
        checksum ^= byte
    return " ".join("%02x" % b for b in payload + [checksum])


# Mode A2 in the fixed resolution mode, the clear, resolution mode 2.
CONNECTION_SEQUENCE = [frame(7, 5), frame(6, 1), frame(4, 2)]


class WireLog:
    """The emulator's wire log: each message on the monitor's bus, with its time."""

    def __init__(self, path):
        self.path = path

    def records(self):
        if not os.path.exists(self.path):
            return []
        with open(self.path) as log:
            return [json.loads(line) for line in log if line.strip()]

    def writes(self, since_ms=0):
        return [r["bytes"] for r in self.records() if r["op"] == "write" and r["t_ms"] >= since_ms]

    def now_ms(self):
        records = self.records()
        return records[-1]["t_ms"] if records else 0


def read_text(path):
    """A program's output file as it stands, undecodable bytes replaced."""
    with open(path, errors="replace") as out:
        return out.read()


class Run:
    bus_config = PRIVATE_BUS_CONFIG

    def __init__(self, build, model):
        self.build = build
        self.model = model
        self.program = "AltoControl" if model == "alto" else "TenorControl"
        self.root = tempfile.mkdtemp(prefix="quillmark-e2e-")
        self.home = os.path.join(self.root, "home")
        self.runtime = os.path.join(self.root, "run")
        os.makedirs(self.home)
        os.makedirs(self.runtime, mode=0o700)
        self.wire_log = os.path.join(self.root, "wire.jsonl")
        self.wire = WireLog(self.wire_log)
        self.program_output = os.path.join(self.root, "program.out")
        self.env = dict(os.environ, HOME=self.home, XDG_RUNTIME_DIR=self.runtime)
        # A private session bus: the program is one instance per bus, and runs
        # side by side must not meet.
        # It activates nothing: only what a test starts on it is there, even
        # where the real desktop's services are installed.
        config = os.path.join(self.root, "bus.conf")
        with open(config, "w") as out:
            out.write(self.bus_config)
        self.bus = subprocess.Popen(["dbus-daemon", "--config-file", config, "--nofork",
                                     "--print-address"],
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self.bus.stdout.readline().strip()
        self.emulator = None
        self.app = None

    def write_private_data(self, **changes):
        with open(os.path.join(self.home, ".QuillMark"), "w") as out:
            out.write(private_data(**changes))

    def saved(self):
        with open(os.path.join(self.home, ".QuillMark")) as data:
            return saved_fields(data.read())

    def start(self, shell_redirection=None, stdout=None):
        """The emulator, then the program; shell_redirection (">&-") starts it
        through sh with its output so redirected, stdout takes its output
        instead of the output file (which then has its standard error only)."""
        self.emulator = subprocess.Popen(
            [os.path.join(self.build, "emulator/quillmark-emulator"), "--model", self.model,
             "--wire-log", self.wire_log, "--strict-timing"],
            stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, env=self.env, text=True)
        self.wait_for(lambda: os.path.exists(self.wire_log), 5, "the emulator to start")
        program = [os.path.join(self.build, "app", self.program)]
        if shell_redirection:
            program = ["sh", "-c", 'exec "$0" ' + shell_redirection, *program]
        with open(self.program_output, "w") as out:
            self.app = subprocess.Popen(program, stdout=stdout or out,
                                        stderr=out if stdout else subprocess.STDOUT,
                                        env=self.env)

    def restart_program(self):
        """The program ends and starts again, its output file started afresh."""
        self.app.terminate()
        self.app.wait(10)
        with open(self.program_output, "w") as out:
            self.app = subprocess.Popen([os.path.join(self.build, "app", self.program)],
                                        stdout=out, stderr=subprocess.STDOUT, env=self.env)

    def stop(self):
        for process in (self.app, self.emulator, self.bus):
            if process and process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
        shutil.rmtree(self.root, ignore_errors=True)

    def records(self):
        return self.wire.records()

    def writes(self, since_ms=0):
        return self.wire.writes(since_ms)

    def check_pacing(self):
        """The monitor's timing held: nothing refused, 50 ms after every write."""
        previous = None
        for record in self.records():
            if record["op"] in ("event", "set-mode"):  # not messages on the bus
                continue
            assert "nak" not in record, "refused as too soon: %s" % record
            if previous is not None and previous["op"] in ("write", "edid") and "bytes" in previous:
                assert record["gap_ms"] >= 50, "%d ms after a write: %s" % (record["gap_ms"], record)
            previous = record

    def now_ms(self):
        return self.wire.now_ms()

    def output(self):
        return read_text(self.program_output)

    def command(self, line):
        self.emulator.stdin.write(line + "\n")
        self.emulator.stdin.flush()

    @staticmethod
    def wait_for(condition, seconds, what):
        deadline = time.time() + seconds
        while time.time() < deadline:
            if condition():
                return
            time.sleep(0.2)
        raise AssertionError("timed out waiting for " + what)

    def start_connected(self, seconds):
        """Starts with the runs' start values and waits for the connection sequence and heartbeats."""
        self.write_private_data()
        self.start()
        self.wait_for_sequence(CONNECTION_SEQUENCE, seconds)
        self.wait_for(lambda: self.writes().count(HEARTBEAT) >= 3, 15, "heartbeats")

    def wayland_client_of(self, socket):
        """True when the program holds a connection to the compositor's socket
        (a native Wayland client), as the sockets' peers in `ss` say."""
        listing = subprocess.run(["ss", "-xapnH"], capture_output=True, text=True).stdout
        compositor_ends, program_peers = set(), set()
        for line in listing.splitlines():
            fields = line.split()
            if len(fields) < 8:
                continue
            if fields[4] == socket:
                compositor_ends.add(fields[5])
            if "pid=%d," % self.app.pid in line:
                program_peers.add(fields[7])
        return bool(compositor_ends & program_peers)

    def window_named(self, name):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name],
                               env=self.env, capture_output=True, text=True).stdout.split()
        assert found, "no window named " + name
        return found[0]

    def type_into(self, window, *keys):
        subprocess.run(["xdotool", "windowfocus", "--sync", window, "key", *keys], env=self.env,
                       check=False)

    def wait_for_sequence(self, frames, seconds, since_ms=0):
        def found():
            sent = self.writes(since_ms)
            position = 0
            for item in sent:
                if position < len(frames) and item == frames[position]:
                    position += 1
            return position == len(frames)
        self.wait_for(found, seconds, "the frames " + ", ".join(frames))


def check(run):
    # Connection sequence from the private data file, then heartbeats and polls.
    run.start_connected(30)
    assert STATUS_REQUEST in run.writes(), "no status request on the wire"
    print("connection sequence and heartbeats: ok")

    # A mode chosen on the monitor while ResCommMode is 2.
    run.command("mode 2")
    run.wait_for(lambda: "____  change to show mode 5, packet_data 2." in run.output(), 10,
                 "the mode change to be taken over")
    print("mode from the monitor: ok")

    # The contrast-up hotkey typed into the program's window reaches the wire.
    window = run.window_named(run.program)
    icon = subprocess.run(["xprop", "-id", window, "_NET_WM_ICON"], env=run.env,
                          capture_output=True, text=True).stdout
    assert "_NET_WM_ICON(CARDINAL)" in icon, "the window has no icon"
    mark = run.now_ms()
    run.type_into(window, "ctrl+u")
    run.wait_for_sequence([frame(10, 210)], 10, mark)
    run.wait_for(lambda: run.output().count("Press Contrast up hotkey.") == 1, 5, "one press")
    print("contrast hotkey in the program's window: ok")

    # The same hotkey typed into another program's window reaches the handler once.
    mark = run.now_ms()
    run.type_into(run.window_named("emulator"), "ctrl+u")
    run.wait_for_sequence([frame(10, 220)], 10, mark)
    time.sleep(1)
    assert run.output().count("Press Contrast up hotkey.") == 2, "the press was seen twice"
    print("contrast hotkey in another window: ok")

    # With Caps Lock on, Control+U is another combination, in the program's
    # window as in any other.
    run.type_into(window, "Caps_Lock", "ctrl+u", "Caps_Lock")
    time.sleep(1.5)
    assert run.output().count("Press Contrast up hotkey.") == 2, "Caps Lock was not seen"
    print("Caps Lock in the program's window: ok")

    # Unplugged: the link drops; plugged again: the connection sequence once more.
    run.command("unplug")
    run.wait_for(lambda: run.output().count("before sleep 10s.") >= 1, 30, "the link to drop")
    mark = run.now_ms()
    run.command("plug")
    run.wait_for_sequence(CONNECTION_SEQUENCE, 30, mark)
    print("unplug and plug: ok")

    run.check_pacing()
    print("DDC/CI pacing on the wire (strict timing): ok")

    # SIGHUP ends the program as SIGTERM does, and the termination runs once,
    # even while the emulator is stopped in the middle of the link.
    run.emulator.send_signal(signal.SIGSTOP)
    time.sleep(1)
    run.app.send_signal(signal.SIGHUP)
    assert run.app.wait(5) == 0, "the program did not end cleanly on SIGHUP"
    assert run.output().count("--------- ...") == 1, "termination ran more or less than once"
    print("SIGHUP with the emulator stopped: ok")

    # The emulator removes its socket when it ends by SIGHUP.
    run.emulator.send_signal(signal.SIGCONT)
    run.emulator.send_signal(signal.SIGHUP)
    run.emulator.wait(5)
    sockets = os.listdir(os.path.join(run.runtime, "quillmark-displays"))
    assert not sockets, "sockets left behind: %s" % sockets
    print("emulator's socket removed on SIGHUP: ok")


def exit_with(main, *arguments):
    """Ends a run with main's status: a failed check says FAILED and why,
    and ends it with 1."""
    try:
        sys.exit(main(*arguments))
    except AssertionError as failure:
        print("FAILED:", failure)
        sys.exit(1)


def run_checks(scenarios, extra_arguments=(), optional_arguments=()):
    """Runs each (make_run, check) scenario with --build and --model from the
    command line; make_run(arguments) gives the Run. --only PREFIX (repeated)
    keeps the checks whose names start with one of them, --skip PREFIX leaves
    them out, so that one script's scenarios can run as separate tests. 0 when
    every check held."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--model", choices=["alto", "tenor"], required=True)
    parser.add_argument("--only", action="append", default=[])
    parser.add_argument("--skip", action="append", default=[])
    for name in extra_arguments:
        parser.add_argument(name, required=True)
    for name in optional_arguments:
        parser.add_argument(name)
    arguments = parser.parse_args()
    chosen = [(make_run, check_run) for make_run, check_run in scenarios
              if (not arguments.only or check_run.__name__.startswith(tuple(arguments.only)))
              and not check_run.__name__.startswith(tuple(arguments.skip) or ("\0",))]
    if not chosen:
        print("FAILED: no check is named so")
        return 1
    for make_run, check_run in chosen:
        run = make_run(arguments)
        try:
            check_run(run)
        except (AssertionError, subprocess.TimeoutExpired) as failure:
            print("FAILED:", failure)
            print("--- program output (tail) ---")
            print(run.output()[-3000:])
            return 1
        finally:
            run.stop()
    return 0


if __name__ == "__main__":
    sys.exit(run_checks([(lambda arguments: Run(arguments.build, arguments.model), check)]))
