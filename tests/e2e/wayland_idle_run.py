#!/usr/bin/env python3
"""The Wayland idle client against a real compositor from Debian: sway,
headless, run as an unprivileged user (it refuses root). With no input the
seat goes idle after a second and activity stops being reported; input
(the cursor moved through sway's IPC) brings the reports back."""

import os
import pwd
import shutil
import subprocess
import sys
import tempfile
import time

PROBE = sys.argv[1]
USER = "nobody"


def main():
    if shutil.which("sway") is None:
        print("sway is not installed")
        return 1
    account = pwd.getpwnam(USER)
    root = tempfile.mkdtemp(prefix="quillmark-sway-")
    os.chmod(root, 0o755)
    runtime = os.path.join(root, "run")
    os.makedirs(runtime, mode=0o700)
    os.chown(runtime, account.pw_uid, account.pw_gid)
    # A copy the unprivileged user can reach wherever the build tree is.
    probe_copy = os.path.join(root, "wayland_idle_probe")
    shutil.copy(PROBE, probe_copy)
    os.chmod(probe_copy, 0o755)
    config = os.path.join(root, "config")
    with open(config, "w") as out:
        out.write("")
    os.chmod(config, 0o644)
    as_user = ["setpriv", "--reuid=%d" % account.pw_uid, "--regid=%d" % account.pw_gid,
               "--clear-groups"]
    env = {"PATH": "/usr/bin:/bin", "HOME": root, "XDG_RUNTIME_DIR": runtime,
           "WLR_BACKENDS": "headless", "WLR_RENDERER": "pixman", "WLR_LIBINPUT_NO_DEVICES": "1"}
    sway = subprocess.Popen(as_user + ["sway", "-c", config], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        deadline = time.time() + 10
        while time.time() < deadline and not os.path.exists(os.path.join(runtime, "wayland-1")):
            time.sleep(0.1)
        env["WAYLAND_DISPLAY"] = "wayland-1"
        probe = subprocess.Popen(as_user + [probe_copy, "6"], env=env, stdout=subprocess.PIPE,
                                 text=True)
        time.sleep(4)
        sockets = [name for name in os.listdir(runtime) if name.startswith("sway-ipc")]
        env["SWAYSOCK"] = os.path.join(runtime, sockets[0]) if sockets else ""
        subprocess.run(as_user + ["swaymsg", "seat", "-", "cursor", "move", "20", "20"], env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        output = probe.communicate(timeout=20)[0].split("\n")
    finally:
        sway.terminate()
        sway.wait()
        shutil.rmtree(root, ignore_errors=True)
    print("\n".join(output))
    assert output[0] == "source org_kde_kwin_idle", "sway 1.7 offers org_kde_kwin_idle"
    times = [int(line.split()[1]) for line in output if line.startswith("activity")]
    quiet = [t for t in times if 2200 <= t < 3900]
    assert times and not quiet, "activity reported while the seat was idle: %s" % quiet
    print("idle after a second without input: ok")
    if any(t >= 4000 for t in times):
        print("activity again on input: ok")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except AssertionError as failure:
        print("FAILED:", failure)
        sys.exit(1)
