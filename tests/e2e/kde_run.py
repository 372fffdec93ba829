#!/usr/bin/env python3
"""The hotkeys through the real KDE portal: KWin (5.27 on Debian 12, 6.3 on
Debian 13; virtual outputs; kglobalaccel), xdg-desktop-portal (1.16, 1.20)
and xdg-desktop-portal-kde on the run's private bus, the real program as a
native Wayland client of KWin, and the real emulator. The program is started
twice. BindShortcuts opens System Settings on Plasma, so it is called at most
once: never on Plasma 5.27, whose CreateSession registers the hotkeys, and
once on Plasma 6, whose portal registers them only when bound and keeps them
for the next start (from 6.4 after a dialog of its own, confirmed here as a
person would). kglobalaccel's invokeShortcut reaches the wire as the
contrast-up hotkey. Under GNOME with only the KDE backend, the portal
answers code 2 (or offers no GlobalShortcuts) and the program says so."""

import os
import shutil
import subprocess
import sys

from headless_kwin import start_headless_kwin
from e2e_run import Run, frame, run_checks

WAYLAND = "wl-quillmark-kwin"
FORMER_CLIENT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "former_portal_client.py")
SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


class KdeRun(Run):
    def __init__(self, build, model, desktop):
        super().__init__(build, model)
        # The portal's registry takes only an app id with an installed desktop
        # file, found where the user's own are (portal 1.22 looks nowhere else
        # for a program outside a sandbox).
        applications = os.path.join(self.home, ".local", "share", "applications")
        os.makedirs(applications)
        app_id = "com.talvex." + self.program
        # GLib finds no app info whose programs are not on PATH: the build's program.
        program = os.path.realpath(os.path.join(build, "app", self.program))
        with open(os.path.join(SOURCE, "packaging", app_id + ".desktop")) as entry:
            text = entry.read().replace("Exec=" + self.program, "Exec=" + program)
        with open(os.path.join(applications, app_id + ".desktop"), "w") as out:
            out.write(text)
        kde_env = dict(self.env, XDG_CURRENT_DESKTOP=desktop, KDE_FULL_SESSION="true")
        self.services = [start_headless_kwin(self.root, kde_env, WAYLAND, output_count=2)]
        self.wait_for(lambda: os.path.exists(os.path.join(self.runtime, WAYLAND)), 30, "KWin")
        self.services.append(subprocess.Popen(
            ["/usr/lib/x86_64-linux-gnu/libexec/xdg-desktop-portal-kde"],
            env=dict(kde_env, QT_QPA_PLATFORM="xcb"),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        self.wait_for(lambda: self.has_name("org.freedesktop.impl.portal.desktop.kde"), 30,
                      "the KDE portal backend")
        self.services.append(subprocess.Popen(
            ["/usr/libexec/xdg-desktop-portal", "-r"], env=kde_env,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        self.wait_for(lambda: self.has_name("org.freedesktop.portal.Desktop"), 30, "the portal")
        self.calls_log = os.path.join(self.root, "portal-calls.txt")
        self.monitor = subprocess.Popen(
            ["dbus-monitor", "--session",
             "type='method_call',interface='org.freedesktop.portal.GlobalShortcuts'"],
            env=self.env, stdout=open(self.calls_log, "w"), stderr=subprocess.DEVNULL)
        self.env.update(WAYLAND_DISPLAY=WAYLAND, XDG_CURRENT_DESKTOP=desktop,
                        XDG_SESSION_TYPE="wayland")
        self.env.pop("QT_QPA_PLATFORM", None)

    def portal_has_registry(self):
        introspection = subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.portal.Desktop",
             "/org/freedesktop/portal/desktop", "org.freedesktop.DBus.Introspectable.Introspect"],
            env=self.env, capture_output=True, text=True, timeout=30).stdout
        return "org.freedesktop.host.portal.Registry" in introspection

    def has_name(self, name):
        names = subprocess.run(["dbus-send", "--session", "--print-reply",
                                "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                "org.freedesktop.DBus.ListNames"], env=self.env,
                               capture_output=True, text=True).stdout
        return '"%s"' % name in names

    def portal_calls(self, member):
        with open(self.calls_log) as log:
            return log.read().count("member=" + member)

    def kglobalaccel(self, path, method, *arguments):
        return subprocess.run(["dbus-send", "--session", "--print-reply",
                               "--dest=org.kde.kglobalaccel", path, method, *arguments],
                              env=self.env, capture_output=True, text=True, timeout=30)

    def component(self):
        """kglobalaccel's component that holds the program's hotkeys."""
        listed = self.kglobalaccel("/kglobalaccel", "org.kde.KGlobalAccel.allComponents").stdout
        paths = [word.strip('"') for word in listed.split() if "/component/" in word]
        named = [p for p in paths if "talvex" in p.lower()]
        if named:
            return named[0]
        return next((p for p in paths if "altocontrol" in p.lower() or
                     "tenorcontrol" in p.lower() or "quillmark" in p.lower()), None)

    def stop(self):
        for process in [self.monitor, *reversed(self.services)]:
            if process.poll() is None:
                process.terminate()
                process.wait(10)
        super().stop()


    def bound_as_a_person_would(self):
        """Waits for the portal's answer to the first start. Plasma 6.4 and
        later ask the user in a dialog of the portal's own (on the run's X
        display) before they bind: it is confirmed with its default button,
        as a person would; older Plasma binds without a word."""
        def answered():
            if "Hotkeys registered with the desktop's global shortcuts portal." in self.output():
                return True
            subprocess.run(["xdotool", "search", "--name", "Global Shortcuts Requested",
                            "windowfocus", "--sync", "key", "Return"],
                           env=dict(self.env, WAYLAND_DISPLAY=""), capture_output=True,
                           timeout=20)
            return False
        self.wait_for(answered, 40, "the portal's answer")

    def diagnose(self):
        return subprocess.run([os.path.join(self.build, "app", self.program), "--diagnose"],
                              env=self.env, capture_output=True, text=True, timeout=60).stdout


def check_kde(run):
    former = run.portal_has_registry()
    if former:
        # Bindings made before the program named itself to the portal, where
        # the portal still takes a client without a name (before 1.22).
        bound = subprocess.run(["/usr/bin/python3", FORMER_CLIENT, run.program], env=run.env,
                               timeout=60).returncode
        assert bound in (0, 3), "the former client's bind failed"
        former = bound == 0
    if former:
        run.wait_for(lambda: run.portal_calls("BindShortcuts") == 1, 10, "the former bind's record")
    former_binds = run.portal_calls("BindShortcuts")
    report = run.diagnose()
    # Plasma 5.27 registers what a session opens with, without a word; 6 waits for a bind.
    assert "global hotkeys: the GlobalShortcuts portal (bound)" in report or \
        "global hotkeys: the GlobalShortcuts portal (not bound yet: %s binds them at its " \
        "start)" % run.program in report, report
    assert run.portal_calls("BindShortcuts") == former_binds, "--diagnose bound the hotkeys"
    print("--diagnose before the first start binds nothing: ok")
    run.start_connected(40)
    run.bound_as_a_person_would()
    run.wait_for(lambda: run.wayland_client_of(os.path.join(run.runtime, WAYLAND)), 10,
                 "the program as KWin's Wayland client")
    print("the program is a native Wayland client of KWin: ok")
    component = run.component()
    assert component, "no kglobalaccel component for the program"
    if run.portal_has_registry():
        # Portal 1.19 and later name the program by the app id it gives.
        assert "talvex" in component.lower(), component
    print("kglobalaccel holds the hotkeys under %s: ok" % component)
    if former:
        run.wait_for(lambda: "Plasma now keeps the hotkeys under com.talvex.%s: keys bound in "
                     "System Settings under the former name (token_quillmark_%s)"
                     % (run.program, run.program.lower()) in run.output(), 20, "the word")
        print("bindings under the former name: the user is told: ok")
    mark = run.now_ms()
    invoked = run.kglobalaccel(component, "org.kde.kglobalaccel.Component.invokeShortcut",
                               "string:contrast-up")
    assert invoked.returncode == 0, invoked.stderr
    run.wait_for_sequence([frame(10, 210)], 15, mark)
    print("kglobalaccel's activation reaches the wire: ok")

    run.app.terminate()
    run.app.wait(10)
    bound = run.portal_calls("BindShortcuts") - former_binds
    assert bound <= 1, "BindShortcuts called %d times" % bound
    report = run.diagnose()
    assert "global hotkeys: the GlobalShortcuts portal (bound)" in report, report
    assert run.portal_calls("BindShortcuts") - former_binds == bound, "--diagnose bound them"
    print("--diagnose after a start: bound, and it bound nothing itself: ok")
    first = run.portal_calls("CreateSession")
    run.restart_program()
    run.wait_for(lambda: run.portal_calls("CreateSession") > first, 40, "the second session")
    run.wait_for(lambda: run.output().count("Hotkeys registered") >= 1, 20, "the second answer")
    assert run.portal_calls("ListShortcuts") >= 2, "ListShortcuts not asked"
    assert run.portal_calls("BindShortcuts") - former_binds == bound, "bound at the second start"
    assert "Plasma now keeps" not in run.output(), "told of the former name twice"
    print("started twice on KDE Plasma: bound %d time(s), not again at the next start: ok"
          % bound)
    run.app.terminate()
    run.app.wait(10)
    forgot = subprocess.run([os.path.join(run.build, "app", run.program), "--forget"],
                            env=run.env, capture_output=True, text=True, timeout=60)
    assert forgot.returncode == 0 and "KDE's global shortcuts" in forgot.stdout, forgot
    assert run.component() is None, run.component()
    print("--forget takes the hotkeys out of kglobalaccel: ok")


def check_gnome_with_kde_backend(run):
    report = run.diagnose()
    # Portal 1.16 offers the KDE backend anywhere and it answers 2; 1.20 picks
    # backends by desktop and offers no GlobalShortcuts under GNOME at all.
    # Without the portal, GNOME's own shortcuts are offered.
    assert ("global hotkeys: none (the portal answered 2); bind %s --hotkey contrast-up, "
            "--hotkey contrast-down and --hotkey refresh" % run.program in report or
            "global hotkeys: none (no GlobalShortcuts portal); add them to GNOME's keyboard "
            "shortcuts: %s --desktop-shortcuts on" % run.program in report), report
    print("--diagnose: the hotkeys are not available through the desktop: ok")
    run.start_connected(40)
    run.wait_for(lambda: "did not take the hotkeys (response 2)" in run.output()
                 or "No global shortcuts portal in this session" in run.output(), 20,
                 "the portal's refusal to be told")
    assert "Hotkeys registered" not in run.output()
    print("GNOME with only the KDE portal backend: the hotkeys are said unavailable: ok")


if __name__ == "__main__":
    if shutil.which("kwin_wayland") is None:
        print("KWin is not installed (scripts/install-deps installs it)")
        sys.exit(1)
    sys.exit(run_checks([
        (lambda arguments: KdeRun(arguments.build, arguments.model, "KDE"), check_kde),
        (lambda arguments: KdeRun(arguments.build, arguments.model, "GNOME"),
         check_gnome_with_kde_backend)]))
