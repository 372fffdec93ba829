#!/usr/bin/env python3
"""Keys named by a real compositor's keymap, with no X server: headless KWin
(5.27, 6) reads the user's layout from kxkbrc and gives it to its clients'
keyboards. German first (the key at Y's place types z), then French,
switched while the probe runs (kxkbrc written, then org.kde.keyboard's
reloadConfig): the probe names the keys anew. KWin 6.7 keeps its keymap on
that signal (a probe started afresh still gets the German one): there the
switch is not checked. Once KWin has ended, the probe still names the keys
by the last keymap, without waiting for it. Waits for the names, whatever
the machine's load."""

import os
import select
import shutil
import subprocess
import sys
import tempfile
import time

from e2e_run import exit_with
from headless_kwin import start_headless_kwin

SOCKET = "wl-quillmark-keymap"


def set_layout(config, layout):
    with open(os.path.join(config, "kxkbrc"), "w") as out:
        out.write("[Layout]\nLayoutList=%s\nUse=true\n" % layout)


def start_probe(path, env):
    return subprocess.Popen([path], env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            text=True, bufsize=1)


def names_become(probe, expected, seconds):
    """Asks the probe for the names until they are expected; the last ones."""
    deadline = time.time() + seconds
    line = None
    while time.time() < deadline:
        probe.stdin.write("\n")
        probe.stdin.flush()
        ready, _, _ = select.select([probe.stdout], [], [], 5)
        line = probe.stdout.readline().strip() if ready else None
        if line == expected:
            return line
        time.sleep(0.2)
    return line


def main(probe_path):
    root = tempfile.mkdtemp(prefix="quillmark-keymap-")
    runtime, config = os.path.join(root, "run"), os.path.join(root, "config")
    os.makedirs(runtime, mode=0o700)
    os.makedirs(config)
    set_layout(config, "de")
    env = {"PATH": "/usr/bin:/bin", "HOME": root, "XDG_RUNTIME_DIR": runtime,
           "XDG_CONFIG_HOME": config, "DBUS_SESSION_BUS_ADDRESS":
           os.environ["DBUS_SESSION_BUS_ADDRESS"], "QT_QPA_PLATFORM": "offscreen"}
    kwin = start_headless_kwin(root, env, SOCKET)
    probe = None
    try:
        deadline = time.time() + 30
        while not os.path.exists(os.path.join(runtime, SOCKET)):
            assert time.time() < deadline and kwin.poll() is None, "KWin did not start"
            time.sleep(0.1)
        client_env = dict(env, WAYLAND_DISPLAY=SOCKET)
        probe = start_probe(probe_path, client_env)
        named = names_become(probe, "q=q y=z", 30)
        assert named == "q=q y=z", "German layout: %r" % named
        print("keys named by KWin's German keymap, no X server: ok")
        set_layout(config, "fr")
        subprocess.run(["dbus-send", "--session", "--type=signal", "/Layouts",
                        "org.kde.keyboard.reloadConfig"], env=env, check=True)
        fresh = start_probe(probe_path, client_env)
        reloaded = names_become(fresh, "q=a y=y", 10) == "q=a y=y"
        fresh.kill()
        fresh.wait()
        last = "q=a y=y" if reloaded else "q=q y=z"
        if reloaded:
            named = names_become(probe, last, 30)
            assert named == last, "French layout: %r" % named
            print("the layout switched while running: keys named anew: ok")
        else:
            print("this KWin keeps its keymap on reloadConfig: the switch is not checked")
        # The compositor gone: the last keymap still names the keys, at once.
        kwin.terminate()
        kwin.wait()
        time.sleep(1.5)  # past the keymap's lifetime, so that it is asked for again
        named = names_become(probe, last, 10)
        assert named == last, "after KWin ended: %r" % named
        print("KWin ended: keys named by its last keymap: ok")
    finally:
        if probe:
            probe.kill()
            probe.wait()
        kwin.terminate()
        kwin.wait()
        shutil.rmtree(root, ignore_errors=True)
    return 0


if __name__ == "__main__":
    exit_with(main, sys.argv[1])
