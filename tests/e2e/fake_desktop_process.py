"""fake_desktop.py as a child of a run: started on the run's bus, told
commands, and its report lines read by whole reads of the pipe (a buffered
readline would keep lines that select then never reports)."""

import os
import select
import subprocess
import time

FAKE_DESKTOP = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fake_desktop.py")


class FakeDesktop:
    def __init__(self, env, services):
        self.process = subprocess.Popen(["/usr/bin/python3", FAKE_DESKTOP, *services],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env)
        self.pending = b""
        assert self.line(30) == "ready", "the fake desktop did not start"

    def line(self, seconds):
        """The next line it reported, or None when none came within seconds."""
        deadline = time.time() + seconds
        while b"\n" not in self.pending:
            left = deadline - time.time()
            if left <= 0 or not select.select([self.process.stdout], [], [], left)[0]:
                return None
            data = os.read(self.process.stdout.fileno(), 4096)
            if not data:
                return None
            self.pending += data
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode().strip()

    def lines(self, seconds=1.0):
        """The lines it reported until seconds passed without one, joined."""
        seen = []
        while (line := self.line(seconds)) is not None:
            seen.append(line)
        return " ".join(seen)

    def wait_for_line(self, wanted, seconds=15):
        """Reads lines until the wanted one; every line read up to it."""
        seen = []
        deadline = time.time() + seconds
        while wanted not in seen:
            line = self.line(max(0.0, deadline - time.time()))
            assert line is not None, "no %r among %s" % (wanted, seen)
            seen.append(line)
        return seen

    def tell(self, line):
        self.process.stdin.write((line + "\n").encode())
        self.process.stdin.flush()

    def stop(self):
        if self.process.poll() is None:
            self.tell("quit")
            self.process.wait(5)
