#!/usr/bin/env python3
"""The monitor follows the task, on a real desktop: windows of other
applications take the focus and the program sends each one's mode on the
emulator's wire, as the panel's button would (fixed resolution mode: 4 is
the first button, A5; 5 is A2, the user's own mode here; 6 is A16).

--desktop sway: headless sway, the program a native Wayland client that
follows sway's IPC window events. --desktop kwin: headless KWin (5.27,
6), the program's KWin script reporting to its D-Bus object. --desktop
gnome: headless gnome-shell, the package's Shell extension (found through
XDG_DATA_DIRS, not enabled at first: the program says so, and picks it up
once enabled, and again once turned off and on) reporting to its D-Bus object. --desktop x11: Xvfb (from with-xvfb) with
a real EWMH window manager (icewm or openbox), the program following
_NET_ACTIVE_WINDOW; the rules there match X11's WM_CLASS.

Checked: a rule from the file and one given with --mode-for while the
program runs; back to the user's mode on an application without a rule;
the Parameters file keeps the user's mode (nothing is written by a rule);
a hand choice wins until the focus moves (x11); --status names the focused
application (x11, kwin: they have a session bus); with feedback on (x11,
dunst), one notification per change, each replacing the last."""

import argparse
import os
import re
import shutil
import subprocess
import sys
import time

from e2e_run import CONNECTION_SEQUENCE, HEARTBEAT, Run, WireLog, frame, private_data, read_text, saved_fields
from headless_kwin import start_headless_kwin
from headless_sway import HeadlessSway

READER, EDITOR, PLAIN = "org.example.Reader", "org.example.Editor", "org.example.Plain"
A5, A2, A16 = frame(7, 4), frame(7, 5), frame(7, 6)
WAYLAND_KWIN = "wl-quillmark-focus"
WAYLAND_GNOME = "wl-quillmark-gnome"


class SwayDesktop:
    def __init__(self):
        self.sway = HeadlessSway()
        self.home = self.sway.home
        # DISPLAY as sway's Xwayland sets it: the run's Xvfb stands for it.
        self.env = dict(self.sway.env, XDG_SESSION_TYPE="wayland", DISPLAY=os.environ["DISPLAY"])
        self.as_user = self.sway.as_user
        self.reachable_copy = self.sway.reachable_copy

    def focus(self, app_id):
        subprocess.run(self.as_user(["swaymsg", "[app_id=%s]" % app_id, "focus"]), env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)

    def give(self, path):
        if os.geteuid() == 0:
            os.chown(path, self.sway.account.pw_uid, self.sway.account.pw_gid)

    def after_start(self, output):
        pass

    def opened(self, app_id):
        """A new window takes the focus on this desktop."""

    def stop(self):
        self.sway.stop()


class X11Desktop:
    def __init__(self, build, model):
        self.run = Run(build, model)
        self.home = self.run.home
        self.env = dict(self.run.env, QT_QPA_PLATFORM="xcb")
        self.env.pop("WAYLAND_DISPLAY", None)
        manager = shutil.which("icewm") or shutil.which("openbox")
        assert manager, "no EWMH window manager (icewm or openbox) installed"
        self.manager = subprocess.Popen([manager], env=self.env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        Run.wait_for(self.manages, 15, "the window manager")

    def manages(self):
        listing = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env,
                                 capture_output=True, text=True).stdout
        return "window id" in listing

    @staticmethod
    def as_user(command):
        return command

    @staticmethod
    def reachable_copy(path):
        return path

    def focus(self, app_id):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % app_id],
                               env=self.env, capture_output=True, text=True).stdout.split()
        assert found, "no window of " + app_id
        subprocess.run(["xdotool", "windowactivate", found[0]], env=self.env, check=False)

    @staticmethod
    def give(path):
        pass

    def after_start(self, output):
        pass

    def opened(self, app_id):
        """A new window takes the focus on this desktop."""

    def stop(self):
        self.manager.terminate()
        self.manager.wait()
        self.run.stop()


class KWinDesktop(X11Desktop):
    """KWin on a virtual output, its Wayland socket and the run's private bus:
    the program loads its focus script into it. New windows take the focus;
    moving it back to an older one is checked on the other desktops."""

    def __init__(self, build, model):
        self.run = Run(build, model)
        self.home = self.run.home
        kde_env = dict(self.run.env, XDG_CURRENT_DESKTOP="KDE", KDE_FULL_SESSION="true")
        self.manager = start_headless_kwin(self.run.root, kde_env, WAYLAND_KWIN)
        Run.wait_for(lambda: os.path.exists(os.path.join(self.run.runtime, WAYLAND_KWIN)), 30,
                     "KWin")
        self.env = dict(kde_env, WAYLAND_DISPLAY=WAYLAND_KWIN, XDG_SESSION_TYPE="wayland")
        self.env.pop("QT_QPA_PLATFORM", None)

    focus = None


class GnomeDesktop(KWinDesktop):
    """gnome-shell on a virtual monitor without X11. Its logind comes from
    python3-dbusmock on a private system bus; its settings stay in memory,
    so that enabling the extension needs no dconf on the run's bus."""

    def __init__(self, build, model):
        self.run = Run(build, model)
        self.home = self.run.home
        system_bus = subprocess.Popen(
            ["dbus-daemon", "--config-file", os.path.join(self.run.root, "bus.conf"), "--nofork",
             "--print-address"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.helpers = [system_bus]
        shell_env = dict(self.run.env, XDG_CURRENT_DESKTOP="GNOME", XDG_SESSION_TYPE="wayland",
                         DBUS_SYSTEM_BUS_ADDRESS=system_bus.stdout.readline().strip(),
                         XDG_DATA_DIRS=os.path.join(build, "packaging") + ":/usr/share")
        shell_env.pop("DISPLAY", None)
        self.helpers.append(subprocess.Popen(
            ["/usr/bin/python3", "-m", "dbusmock", "--system", "--template", "logind"],
            env=shell_env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        Run.wait_for(lambda: self.owned("org.freedesktop.login1", "--system", shell_env), 30,
                     "logind of python3-dbusmock")
        self.shell_log = os.path.join(self.run.root, "gnome-shell.log")
        # Unsafe mode: the run moves the focus with the Shell's Eval. A new
        # window does not take the focus there: a client started with no
        # activation token is only announced.
        self.manager = subprocess.Popen(
            ["gnome-shell", "--headless", "--wayland", "--no-x11", "--virtual-monitor",
             "1600x1200", "--wayland-display", WAYLAND_GNOME, "--unsafe-mode"],
            env=dict(shell_env, GSETTINGS_BACKEND="memory"), stdout=open(self.shell_log, "w"),
            stderr=subprocess.STDOUT)
        self.env = dict(shell_env, WAYLAND_DISPLAY=WAYLAND_GNOME)
        self.env.pop("QT_QPA_PLATFORM", None)
        version = subprocess.run(["gnome-shell", "--version"], capture_output=True,
                                 text=True).stdout.split()[-1]
        self.extension = "quillmark-focus%s@talvex.com" % (
            "-legacy" if int(version.split(".")[0]) < 45 else "")
        print("GNOME Shell %s, its extension %s" % (version, self.extension))
        # Its name comes before its objects, and they before its look for
        # extensions, which ends its start (a session's programs start after).
        Run.wait_for(lambda: "'state'" in self.shell_call(
            "org.gnome.Shell.Extensions.GetExtensionInfo", self.extension), 60,
                     "gnome-shell to find the extensions")

    @staticmethod
    def owned(name, bus, env):
        answer = subprocess.run(["dbus-send", bus, "--print-reply", "--dest=org.freedesktop.DBus",
                                 "/", "org.freedesktop.DBus.NameHasOwner", "string:" + name],
                                env=env, capture_output=True, text=True)
        return "boolean true" in answer.stdout

    def shell_call(self, method, *arguments):
        return subprocess.run(["gdbus", "call", "--session", "--dest", "org.gnome.Shell",
                               "--object-path", "/org/gnome/Shell", "--method", method,
                               *arguments], env=self.env, capture_output=True, text=True,
                              timeout=30).stdout

    def evaluate(self, code):
        return self.shell_call("org.gnome.Shell.Eval", code)

    def shown(self, app_id):
        # Eval answers (success, the value as JSON).
        found = self.evaluate("global.get_window_actors().some(a => "
                              "a.meta_window.get_wm_class() === '%s')" % app_id)
        return found.strip() == "(true, 'true')"

    def focus(self, app_id):
        # As the Shell's own switcher does: it leaves the overview (where the
        # Shell starts) first, and the activation carries a real time.
        self.evaluate("Main.activateWindow(global.get_window_actors().map(a => a.meta_window)"
                      ".find(w => w.get_wm_class() === '%s'), "
                      "global.display.get_current_time_roundtrip())" % app_id)

    def opened(self, app_id):
        Run.wait_for(lambda: self.shown(app_id), 30, "the window of " + app_id)
        self.focus(app_id)

    def after_start(self, output):
        """The extension is found and not enabled: the program says how to
        enable it, and takes its reports once it runs."""
        word = "is not enabled (gnome-extensions enable %s, or the Extensions app)" % self.extension
        Run.wait_for(lambda: word in output(), 30, "the word on the extension")
        extension = "GNOME Shell's extension " + self.extension
        assert "focus from none: %s %s" % (extension, word) in self.diagnose(), self.diagnose()
        # The first rule given says why it waits.
        ruled = self.program("--mode-for", "org.example.Unused", "a16")
        assert "The rule waits: focus from none: %s %s" % (extension, word) in ruled, ruled
        self.enable_extension()
        # Its first report, when it starts, says it runs.
        running = "focus from %s (the running instance's)" % extension
        Run.wait_for(lambda: running in self.diagnose(), 15, "the extension's first report")
        print("GNOME: the program says the extension is to be enabled, and it is: ok")
        # Turned off and on again elsewhere (the Extensions app) while the
        # program runs: the Shell's word reaches it each time.
        disabled = self.shell_call("org.gnome.Shell.Extensions.DisableExtension", self.extension)
        assert disabled.strip() == "(true,)", disabled
        Run.wait_for(lambda: "focus from none: %s %s" % (extension, word) in self.diagnose(), 15,
                     "the word that the extension was turned off")
        self.enable_extension()
        Run.wait_for(lambda: running in self.diagnose(), 15, "the extension running again")
        print("GNOME: the extension turned off and on elsewhere: the program follows: ok")

    def program(self, *words):
        return subprocess.run([os.path.join(self.run.build, "app", self.run.program), *words],
                              env=self.env, capture_output=True, text=True, timeout=60).stdout

    def diagnose(self):
        return self.program("--diagnose")

    def enable_extension(self):
        enabled = self.shell_call("org.gnome.Shell.Extensions.EnableExtension", self.extension)
        assert enabled.strip() == "(true,)", enabled

    def stop(self):
        super().stop()
        for helper in self.helpers:
            helper.terminate()
            helper.wait()


def connected_to_x_server(pid):
    """Whether the process holds a socket whose peer an X server accepted
    (whose name is that of an X11-unix socket)."""
    listing = subprocess.run(["ss", "-xanp"], capture_output=True, text=True,
                             check=True).stdout.splitlines()
    fields = [line.split() for line in listing]
    served = {words[5] for words in fields if len(words) > 7 and "/.X11-unix/X" in words[4]}
    return any(words[7] in served for words in fields
               if len(words) > 8 and ",pid=%d," % pid in words[8])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--model", choices=["alto", "tenor"], required=True)
    parser.add_argument("--desktop", choices=["sway", "x11", "kwin", "gnome"], required=True)
    arguments = parser.parse_args()
    build, model = arguments.build, arguments.model
    program = "AltoControl" if model == "alto" else "TenorControl"
    desktop = {"sway": SwayDesktop, "x11": X11Desktop, "kwin": KWinDesktop,
               "gnome": GnomeDesktop}[arguments.desktop]
    desktop = desktop() if arguments.desktop == "sway" else desktop(build, model)
    home, env, as_user = desktop.home, desktop.env, desktop.as_user
    output_path = os.path.join(home, "program.out")
    wire = WireLog(os.path.join(home, "wire.jsonl"))
    processes = []
    app_copy = desktop.reachable_copy(os.path.join(build, "app", program))
    window_copy = desktop.reachable_copy(os.path.join(build, "tests", "focus_window"))

    def start(command, **options):
        process = subprocess.Popen(as_user(command), env=env, **options)
        processes.append(process)
        return process

    def open_window(app_id):
        start([window_copy, app_id], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        desktop.opened(app_id)

    def command_line(*words):
        return subprocess.run(as_user([app_copy, *words]), env=env, capture_output=True,
                              text=True, timeout=60)

    def saved_mode():
        with open(os.path.join(home, ".QuillMark")) as data:
            return saved_fields(data.read())["ShowMode"]

    def dunst_count(which):
        counted = subprocess.run(["dunstctl", "count", which], env=env, capture_output=True,
                                 text=True)
        return int(counted.stdout.strip()) if counted.returncode == 0 else None

    def sends(mode_frame, since, what):
        Run.wait_for(lambda: mode_frame in wire.writes(since), 20, what)

    try:
        data = os.path.join(home, ".QuillMark")
        with open(data, "w") as out:
            out.write(private_data())
        desktop.give(data)
        config = os.path.join(home, ".config")
        os.makedirs(os.path.join(config, "quillmark"))
        rules = os.path.join(config, "quillmark", "modes-by-application")
        # Feedback on X11, where dunst (a real notification server) runs on
        # the run's bus and display: every change replaces the one before.
        feedback = arguments.desktop == "x11"
        with open(rules, "w") as out:
            out.write("# by hand\n[Modes]\n%s=A16\nbroken line\n" % READER)
            if feedback:
                out.write("[Feedback]\nNotifications=on\n")
        notified = os.path.join(home, "notify.txt")
        if feedback:
            start(["dunst"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            Run.wait_for(lambda: dunst_count("displayed") == 0, 15, "dunst")
            start(["dbus-monitor", "--session", "type='method_call',member='Notify'"],
                  stdout=open(notified, "w"), stderr=subprocess.DEVNULL)
        for path in (config, os.path.dirname(rules), rules):
            desktop.give(path)
        start([desktop.reachable_copy(os.path.join(build, "emulator/quillmark-emulator")),
               "--model", model, "--headless", "--strict-timing", "--wire-log", wire.path],
              stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
        with open(output_path, "w") as out:
            desktop.give(output_path)
            app = start([app_copy], stdout=out, stderr=subprocess.STDOUT)
        Run.wait_for(lambda: all(item in wire.writes() for item in CONNECTION_SEQUENCE), 30,
                     "the link")
        output = lambda: read_text(output_path)
        Run.wait_for(lambda: "line 4: \"broken line\" is no application=mode line" in output(), 15,
                     "the rules file's unreadable line named in the log")
        desktop.after_start(output)
        if arguments.desktop in ("sway", "kwin"):
            # A Wayland client needs no X server: on GNOME, a connection to
            # Xwayland would start it for the program alone.
            assert not connected_to_x_server(app.pid), "the program holds an X connection"
            print("no X connection in a Wayland session, DISPLAY set: ok")
        if arguments.desktop in ("kwin", "gnome"):
            # The program's D-Bus object takes focus reports from the
            # compositor's connection only: another of the user's is refused.
            mark = wire.now_ms()
            subprocess.run(["dbus-send", "--session", "--type=method_call", "--print-reply",
                            "--dest=com.talvex." + program,
                            "/com/talvex/QuillmarkControl",
                            "com.talvex.QuillmarkControl.ReportFocus", "string:" + READER,
                            "string:" + READER, "string:1"], env=env, check=True,
                           stdout=subprocess.DEVNULL)
            moved = wire.now_ms() + 1
            Run.wait_for(lambda: wire.writes(moved).count(HEARTBEAT) >= 2, 10, "two passes")
            assert A16 not in wire.writes(mark), wire.writes(mark)
            print("a focus report from another connection than the compositor's: refused: ok")
        time.sleep(0.5)

        mark = wire.now_ms()
        open_window(READER)
        sends(A16, mark, "A16 for the ruled application that took the focus")
        print("focus to a ruled application sends its mode: ok")

        assert saved_mode() == 5, read_text(data)

        ruled = command_line("--mode-for", EDITOR, "a5")
        assert ruled.returncode == 0, ruled.stderr
        assert "%s gets A5 while it has the focus" % EDITOR in ruled.stdout, ruled.stdout
        assert "broken line" in read_text(rules), "the user's other lines were not kept"
        mark = wire.now_ms()
        open_window(EDITOR)
        sends(A5, mark, "A5 for the application given a rule while the program runs")
        print("a rule given with --mode-for while the program runs: ok")

        mark = wire.now_ms()
        open_window(PLAIN)
        sends(A2, mark, "the user's own mode back on an application without a rule")
        assert saved_mode() == 5, read_text(data)
        print("the user's mode back without a rule, and kept in the Parameters file: ok")

        if feedback:
            for _ in range(2):
                assert command_line("--hotkey", "contrast-up").returncode == 0
            Run.wait_for(lambda: read_text(notified).count('string "Threshold ') == 2, 10,
                         "the second hotkey's notification: " + read_text(notified)[-1500:])
            assert 'string "A16 for %s"' % READER in read_text(notified), read_text(notified)
            # Two rules' modes and two hotkey presses; the way back to the
            # user's own mode is no news.
            assert read_text(notified).count("member=Notify") == 4, read_text(notified)
            # Each after the first names the one it replaces (dunst's id);
            # one expired meanwhile goes to dunst's history, none stacks.
            replaced = re.findall(r'string "%s"\n\s*uint32 (\d+)' % program, read_text(notified))
            assert replaced[0] == "0" and len(set(replaced[1:])) == 1 and replaced[1] != "0", \
                replaced
            assert dunst_count("displayed") <= 1, dunst_count("displayed")
            print("feedback: one notification per change, each replacing the last: ok")

        if arguments.desktop != "sway":
            status = command_line("--status").stdout
            assert "focused application: %s\nmode chosen by: the user\n" % PLAIN in status, status

        if desktop.focus is None:
            print("PASSED")
            return 0
        mark = wire.now_ms()
        desktop.focus(READER)
        sends(A16, mark, "A16 again for the ruled application")
        # A hand choice wins: the focus moving to an application without a
        # rule brings back the mode chosen by hand, which the file keeps.
        if arguments.desktop == "x11":
            mark = wire.now_ms()
            chosen = command_line("--mode", "a5")
            assert chosen.returncode == 0, chosen.stderr
            sends(A5, mark, "A5 chosen by hand")
            Run.wait_for(lambda: saved_mode() == 4, 5, "the hand choice saved")
            mark = wire.now_ms() + 1
            desktop.focus(PLAIN)
            Run.wait_for(lambda: "focused application: %s\n" % PLAIN in
                         command_line("--status").stdout, 10, "the focus on " + PLAIN)
            # Two passes of the worker after it: a mode asked would have gone.
            moved = wire.now_ms() + 1
            Run.wait_for(lambda: wire.writes(moved).count(HEARTBEAT) >= 2, 10, "two passes")
            assert not any(item.startswith("51 84 03 08 07") for item in wire.writes(mark)), \
                wire.writes(mark)
            print("a hand choice holds when the focus moves on: ok")
            listed = command_line("--modes-by-app").stdout
            assert "Focus from: X11 _NET_ACTIVE_WINDOW (the running instance's)" in listed, listed
        print("PASSED")
        return 0
    except (AssertionError, subprocess.TimeoutExpired) as failure:
        print("FAILED:", failure)
        print("--- program output (tail) ---")
        print(read_text(output_path)[-3000:])
        return 1
    finally:
        for process in reversed(processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
        desktop.stop()


if __name__ == "__main__":
    sys.exit(main())
