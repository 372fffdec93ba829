#!/usr/bin/env python3
"""The hotkeys as GNOME's own custom keyboard shortcuts, through the real
dconf (dconf-service on the run's private bus, GNOME's media-keys schema
from gnome-settings-daemon-common), the real program and emulator:
`--desktop-shortcuts on` puts three entries beside the user's own, with the
program's actions as commands and the hotkeys as bindings; on twice adds
nothing; the contrast-up entry's command, run as GNOME would, reaches the
monitor; off gives back the user's list exactly. --diagnose in GNOME's
Wayland session names the path before and after. --forget takes the
entries, start at login and the remembered answers out, and only them."""

import ast
import os
import subprocess
import sys

from e2e_run import CONNECTION_SEQUENCE, Run, frame, run_checks

KEYS = "org.gnome.settings-daemon.plugins.media-keys"
BASE = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/"
USERS_OWN = [BASE + "custom0/", BASE + "custom1/"]


class GnomeShortcutsRun(Run):
    def __init__(self, build, model):
        super().__init__(build, model)
        self.env.update(XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                        GSETTINGS_BACKEND="dconf", XDG_CURRENT_DESKTOP="GNOME")
        self.dconf = subprocess.Popen(["/usr/libexec/dconf-service"], env=self.env,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # The bus activates nothing: a write before dconf holds its name is lost.
        self.wait_for(self.dconf_ready, 20, "dconf-service on the bus")

    def dconf_ready(self):
        answer = subprocess.run(["dbus-send", "--session", "--print-reply",
                                 "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                 "org.freedesktop.DBus.NameHasOwner", "string:ca.desrt.dconf"],
                                env=self.env, capture_output=True, text=True, timeout=10).stdout
        return "boolean true" in answer

    def gsettings(self, *arguments):
        return subprocess.run(["gsettings", *arguments], env=self.env, capture_output=True,
                              text=True, timeout=30, check=True).stdout.strip()

    def entry(self, path, key):
        return ast.literal_eval(self.gsettings("get", KEYS + ".custom-keybinding:" + path, key))

    def custom_list(self):
        text = self.gsettings("get", KEYS, "custom-keybindings")
        return ast.literal_eval(text.replace("@as ", ""))

    def wayland_diagnose(self):
        env = dict(self.env, WAYLAND_DISPLAY="wayland-quillmark-none", XDG_SESSION_TYPE="wayland")
        return subprocess.run([os.path.join(self.build, "app", self.program), "--diagnose"],
                              env=env, capture_output=True, text=True, timeout=60).stdout

    def cli(self, *arguments):
        return subprocess.run([os.path.join(self.build, "app", self.program), *arguments],
                              env=self.env, capture_output=True, text=True, timeout=30)

    def stop(self):
        self.dconf.terminate()
        self.dconf.wait(5)
        super().stop()


def check(run):
    run.gsettings("set", KEYS, "custom-keybindings", str(USERS_OWN))
    run.gsettings("set", KEYS + ".custom-keybinding:" + USERS_OWN[0], "name", "Terminal")
    run.gsettings("set", KEYS + ".custom-keybinding:" + USERS_OWN[0], "binding", "<Super>t")
    # Every hotkey off in Settings: nothing to give GNOME, and no success said.
    run.write_private_data(FreshHandSoftEnable=0, FreshHandHardEnable=0)
    refused = run.cli("--desktop-shortcuts", "on")
    assert refused.returncode == 1 and "off in Settings" in refused.stderr, refused
    assert run.custom_list() == USERS_OWN, run.custom_list()
    print("every hotkey off: --desktop-shortcuts on adds nothing, says why, exit 1: ok")
    run.write_private_data(FreshHandHardEnable=1)
    # An entry at the program's path that runs something else is not the program's.
    planted = BASE + run.program.lower() + "-refresh/"
    run.gsettings("set", KEYS, "custom-keybindings", str(USERS_OWN + [planted]))
    run.gsettings("set", KEYS + ".custom-keybinding:" + planted, "command", "sh -c true")
    # GNOME 43 to 47 on Wayland: no portal on the bus, GNOME's own shortcuts offered.
    assert "global hotkeys: none (no GlobalShortcuts portal); add them to GNOME's keyboard " \
        "shortcuts: %s --desktop-shortcuts on, or Settings > Hotkeys" % run.program \
        in run.wayland_diagnose(), run.wayland_diagnose()

    result = run.cli("--desktop-shortcuts", "on")
    assert result.returncode == 0, result
    assert run.entry(planted, "command") != "sh -c true", "the planted entry kept its command"
    program = os.path.realpath(os.path.join(run.build, "app", run.program))
    ours = [BASE + run.program.lower() + "-" + name + "/"
            for name in ("contrast-up", "contrast-down", "refresh")]
    assert run.custom_list() == USERS_OWN + ours, run.custom_list()
    for path, action, binding in zip(ours, ("--hotkey contrast-up", "--hotkey contrast-down",
                                                "--hotkey refresh"),
                                     ("<Control>u", "<Control>d", "<Control>x")):
        assert run.entry(path, "command") == program + " " + action, run.entry(path, "command")
        assert run.entry(path, "binding") == binding, run.entry(path, "binding")
    assert run.cli("--desktop-shortcuts", "on").returncode == 0
    assert run.custom_list() == USERS_OWN + ours, "on twice changed the list"
    print("three entries beside the user's own, the right commands and bindings, once: ok")
    assert "global hotkeys: GNOME's own keyboard shortcuts\n" in run.wayland_diagnose()
    print("--diagnose names GNOME's own shortcuts as the hotkeys' path: ok")

    run.start()
    run.wait_for_sequence(CONNECTION_SEQUENCE, 40)

    mark = run.now_ms()
    subprocess.run(run.entry(ours[0], "command").split(), env=run.env, check=True, timeout=30)
    run.wait_for_sequence([frame(10, 210)], 10, mark)
    print("the contrast-up entry's command changes the threshold on the monitor: ok")
    # Without the monitor the entry's key acts as the hotkey does there: the
    # threshold steps, to be sent when the monitor is back.
    run.command("unplug")
    run.wait_for(lambda: "online: no" in run.cli("--status").stdout, 30, "the link to drop")
    pressed = subprocess.run(run.entry(ours[0], "command").split(), env=run.env, timeout=30)
    assert pressed.returncode == 0, pressed
    assert "threshold: 220" in run.cli("--status").stdout, run.cli("--status").stdout
    print("the entry's key without a monitor acts as the hotkey: ok")

    assert run.cli("--desktop-shortcuts", "off").returncode == 0
    assert run.custom_list() == USERS_OWN, run.custom_list()
    assert run.entry(USERS_OWN[0], "binding") == "<Super>t"
    assert run.entry(ours[0], "command") == ""
    print("off gives back the user's list exactly: ok")

    assert run.cli("--desktop-shortcuts", "maybe").returncode == 2
    run.env["XDG_DATA_DIRS"] = os.path.join(run.root, "no-schemas")
    refused = run.cli("--desktop-shortcuts", "on")
    assert refused.returncode == 1 and "gnome-settings-daemon-common" in refused.stderr, refused
    print("without GNOME's schema: said, exit 1: ok")


def forget(run):
    run.gsettings("set", KEYS, "custom-keybindings", str(USERS_OWN))
    run.write_private_data(FreshHandHardEnable=1)
    assert run.cli("--desktop-shortcuts", "on").returncode == 0
    assert run.cli("--autostart", "on").returncode == 0
    state = os.path.join(run.home, ".local", "state", "quillmark")
    os.makedirs(state, mode=0o700)
    declined = os.path.join(state, "com.talvex.%s.shortcuts-declined" % run.program)
    open(declined, "w").close()
    result = run.cli("--forget")
    assert result.returncode == 0, result
    for said in ("GNOME's keyboard shortcuts", "start at login", declined):
        assert said in result.stdout, result.stdout
    assert run.custom_list() == USERS_OWN, run.custom_list()
    assert not os.listdir(os.path.join(run.home, ".config", "autostart"))
    assert not os.path.exists(declined)
    assert os.path.exists(os.path.join(run.home, ".QuillMark")), "the settings went too"
    again = run.cli("--forget")
    assert again.returncode == 0 and "left nothing" in again.stdout, again
    print("--forget takes out the entries, start at login and the remembered answer, "
          "and says so: ok")


if __name__ == "__main__":
    sys.exit(run_checks([(lambda arguments: GnomeShortcutsRun(arguments.build, arguments.model),
                          check) for check in (check, forget)]))
