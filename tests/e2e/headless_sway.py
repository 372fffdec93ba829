"""A headless sway (1.7 on Debian 12, 1.10 on Debian 13) for the tests: its
Wayland socket, its IPC for moving the cursor (input, as far as the idle
protocols go) and for its window tree, and folders of its user. Sway 1.7
refuses root, so under root it and everything that talks to it run as an
unprivileged user; otherwise as the user running the tests."""

import json
import os
import re
import pwd
import shutil
import subprocess
import tempfile
import time

USER = "nobody"


class HeadlessSway:
    def __init__(self):
        self.account = pwd.getpwnam(USER) if os.geteuid() == 0 else pwd.getpwuid(os.geteuid())
        self.root = tempfile.mkdtemp(prefix="quillmark-sway-")
        os.chmod(self.root, 0o755)
        self.runtime = self.private_folder("run")
        self.home = self.private_folder("home")
        config = os.path.join(self.root, "config")
        with open(config, "w") as out:
            out.write("")
        os.chmod(config, 0o644)
        self.env = {"PATH": "/usr/bin:/bin", "HOME": self.home, "XDG_RUNTIME_DIR": self.runtime,
                    "WLR_BACKENDS": "headless", "WLR_RENDERER": "pixman",
                    "WLR_LIBINPUT_NO_DEVICES": "1"}
        self.process = subprocess.Popen(self.as_user(["sway", "-c", config]), env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Sway makes its IPC socket after the Wayland one: both are waited for,
        # or swaymsg may find no sway on a loaded machine.
        deadline = time.time() + 10
        sockets = []
        while time.time() < deadline:
            sockets = [name for name in os.listdir(self.runtime) if name.startswith("sway-ipc")]
            if sockets and os.path.exists(os.path.join(self.runtime, "wayland-1")):
                break
            time.sleep(0.1)
        self.env["WAYLAND_DISPLAY"] = "wayland-1"
        self.env["SWAYSOCK"] = os.path.join(self.runtime, sockets[0]) if sockets else ""

    def private_folder(self, name):
        path = os.path.join(self.root, name)
        os.makedirs(path, mode=0o700)
        os.chown(path, self.account.pw_uid, self.account.pw_gid)
        return path

    def as_user(self, command):
        if os.geteuid() != 0:
            return command
        return ["setpriv", "--reuid=%d" % self.account.pw_uid,
                "--regid=%d" % self.account.pw_gid, "--clear-groups"] + command

    def reachable_copy(self, path):
        """A copy of a program the unprivileged user can run, wherever the build is."""
        copy = os.path.join(self.root, os.path.basename(path))
        shutil.copy(path, copy)
        os.chmod(copy, 0o755)
        return copy

    def move_cursor(self, x, y):
        subprocess.run(self.as_user(["swaymsg", "seat", "-", "cursor", "move", str(x), str(y)]),
                       env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    @staticmethod
    def version():
        found = re.search(r"(\d+)\.(\d+)", subprocess.run(["sway", "--version"],
                                                            capture_output=True,
                                                            text=True).stdout)
        return (int(found.group(1)), int(found.group(2))) if found else (0, 0)

    def idle_protocol(self):
        """Sway 1.8 brought ext_idle_notifier_v1, 1.9 dropped org_kde_kwin_idle."""
        return "ext_idle_notifier_v1" if self.version() >= (1, 9) else "org_kde_kwin_idle"

    def app_ids(self):
        """The app ids of the windows on sway's outputs."""
        tree = subprocess.run(self.as_user(["swaymsg", "-t", "get_tree", "-r"]), env=self.env,
                              capture_output=True, text=True).stdout
        found, nodes = [], [json.loads(tree)] if tree.strip() else []
        while nodes:
            node = nodes.pop()
            if node.get("app_id"):
                found.append(node["app_id"])
            nodes += node.get("nodes", []) + node.get("floating_nodes", [])
        return found

    def stop(self):
        self.process.terminate()
        self.process.wait()
        shutil.rmtree(self.root, ignore_errors=True)
