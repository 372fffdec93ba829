#!/usr/bin/env python3
"""The program among files and processes it must not trust, end to end: the
real program under Xvfb against the real emulator. A second start without a
session bus, SIGTERM in the launch wait, a write-protected and a hard-linked
private data file, a stopped bus daemon, and links planted by another user
(run as root, with "nobody" as the other user)."""

import fcntl
import os
import pwd
import shutil
import signal
import subprocess
import sys
import time

from e2e_run import CONNECTION_SEQUENCE, HEARTBEAT, NO_SESSION_BUS, PRIVATE_BUS_CONFIG, Run, \
    run_checks


def without_bus(run):
    return dict(run.env, DBUS_SESSION_BUS_ADDRESS=NO_SESSION_BUS)


def second_start_without_bus(run):
    run.env = without_bus(run)
    run.start_connected(40)
    log = os.path.join(run.home, "tl.log")
    log_size = os.path.getsize(log)
    second = subprocess.run([os.path.join(run.build, "app", run.program)], env=run.env,
                            capture_output=True, text=True, timeout=30)
    assert second.returncode == 0 and "runs already" in second.stderr, second
    assert os.path.getsize(log) >= log_size, "the second start emptied tl.log"
    assert run.writes().count(CONNECTION_SEQUENCE[0]) == 1, "the connection went out twice"
    print("second start without a session bus: ok")


def sigterm_in_launch_wait(run):
    run.write_private_data()
    run.start()
    run.wait_for(lambda: "local user private data file" in run.output(), 20, "the launch wait")
    run.app.send_signal(signal.SIGTERM)
    assert run.app.wait(10) == 0
    assert run.output().count("--------- ...") == 1, run.output()
    print("SIGTERM in the launch wait: ok")


def protected_and_linked_files(run):
    data = os.path.join(run.home, ".QuillMark")
    run.write_private_data(ResCommMode=2)
    os.chmod(data, 0o444)
    other_name = os.path.join(run.home, "other-name")
    before = os.stat(data)
    run.start()
    run.wait_for_sequence(CONNECTION_SEQUENCE, 40)
    # The mode is in force but not kept: the caller is told so, not "done".
    call = run.app_dbus("SetShowMode", "uint32:6")
    assert call.returncode != 0 and "Error.NotSaved" in call.stderr, call
    assert "write-protected" in call.stderr, call
    command = run.cli("--mode", "a5")
    assert command.returncode == 1 and "not saved" in command.stderr, command
    run.wait_for(lambda: "Cannot save" in run.output(), 10, "the failed save to be told")
    after = os.stat(data)
    assert (after.st_ino, after.st_mtime_ns) == (before.st_ino, before.st_mtime_ns), \
        "the protected file was changed"
    assert "write-protected" in run.output()
    print("a write-protected file stays as it is, and the user is told: ok")

    os.chmod(data, 0o644)
    os.link(data, other_name)
    run.app_dbus("SetShowMode", "uint32:5")
    run.wait_for(lambda: run.saved()["ShowMode"] == 5, 10, "the save")
    assert os.stat(data).st_ino == before.st_ino and os.stat(other_name).st_nlink == 2, \
        "the link was cut"
    with open(other_name) as other:
        assert other.read() == open(data).read()
    print("a hard-linked file keeps its links: ok")


def links_of_another_user(run):
    nobody = pwd.getpwnam("nobody")
    victim = os.path.join(run.root, "root-owned")
    with open(victim, "w") as out:
        out.write("precious\n" + "4242\n" * 17)
    os.chmod(run.home, 0o775)  # a group-writable home, as some systems make them
    for name in ("tl.log", ".QuillMark"):
        os.symlink(victim, os.path.join(run.home, name))
        os.lchown(os.path.join(run.home, name), nobody.pw_uid, nobody.pw_gid)
    run.start()
    run.wait_for(lambda: run.writes().count(HEARTBEAT) >= 2, 40, "the link")
    run.app_dbus("SetShowMode", "uint32:1")
    run.wait_for(lambda: "Cannot save" in run.output(), 10, "the refused save")
    with open(victim) as kept:
        assert kept.read() == "precious\n" + "4242\n" * 17
    assert "4242" not in run.output(), "another user's link was read"
    assert "belongs to another user" in run.output()
    print("links planted by another user are not followed: ok")


def stopped_bus_daemon(run):
    run.bus.send_signal(signal.SIGSTOP)
    try:
        run.start_connected(40)
        status = subprocess.run([os.path.join(run.build, "app", run.program), "--status"],
                                env=run.env, capture_output=True, text=True, timeout=30)
        assert status.returncode == 1 and "does not answer" in status.stderr, status
        run.app.send_signal(signal.SIGTERM)
        assert run.app.wait(10) == 0
        assert run.output().count("--------- ...") == 1
    finally:
        run.bus.send_signal(signal.SIGCONT)
    print("a stopped bus daemon: the program runs without D-Bus and ends on SIGTERM: ok")


def lock_folder_taken_by_another_user(run):
    """No runtime folder and no session bus, and another user made
    /tmp/quillmark-<uid> first: the lock moves to the user's cache, so a
    second start still finds the first."""
    in_tmp = "/tmp/quillmark-%d" % os.geteuid()
    aside = os.path.join(run.root, "tmp-lock-folder")
    # The folder is the machine's: runs side by side (both models) take turns.
    turn = open("/tmp/quillmark-test-lock-folder.turn", "a")
    fcntl.flock(turn, fcntl.LOCK_EX)
    if os.path.lexists(in_tmp):
        os.rename(in_tmp, aside)
    nobody = pwd.getpwnam("nobody")
    os.mkdir(in_tmp, 0o777)
    os.chmod(in_tmp, 0o777)
    os.chown(in_tmp, nobody.pw_uid, nobody.pw_gid)
    try:
        run.env = without_bus(run)
        run.env.pop("XDG_RUNTIME_DIR")
        run.start_connected(40)
        assert os.path.exists(os.path.join(run.home, ".cache/quillmark",
                                           run.program + ".lock")), "no lock in the cache"
        second = subprocess.run([os.path.join(run.build, "app", run.program)], env=run.env,
                                capture_output=True, text=True, timeout=30)
        assert second.returncode == 0 and "runs already" in second.stderr, second
        assert run.writes().count(CONNECTION_SEQUENCE[0]) == 1, "the connection went out twice"
        assert not os.listdir(in_tmp), "written into the other user's folder"
    finally:
        shutil.rmtree(in_tmp, ignore_errors=True)
        if os.path.lexists(aside):
            os.rename(aside, in_tmp)
        turn.close()
    print("the /tmp lock folder taken by another user: the lock in the cache holds: ok")


def as_nobody(command):
    nobody = pwd.getpwnam("nobody")
    return ["setpriv", "--reuid=%d" % nobody.pw_uid, "--regid=%d" % nobody.pw_gid,
            "--clear-groups", *command]


def other_user_calls(run):
    """On a bus that lets other users connect, another user's calls are refused."""
    run.start_connected(40)
    before = run.saved()
    for method, arguments in (("SetShowMode", ["uint32:6"]), ("SetResolutionMode", ["uint32:1"]),
                              ("ContrastUp", []), ("Quit", [])):
        call = subprocess.run(as_nobody(["dbus-send", "--session", "--print-reply",
                                         "--dest=com.talvex." + run.program,
                                         "/com/talvex/QuillmarkControl",
                                         "com.talvex.QuillmarkControl." + method, *arguments]),
                              env=run.env, capture_output=True, text=True, timeout=30)
        assert call.returncode != 0 and "AccessDenied" in call.stderr, (method, call)
    assert run.app.poll() is None, "another user's Quit was obeyed"
    assert run.saved() == before
    status = run.cli("--status")
    assert status.returncode == 0 and "mode: A2 (5)" in status.stdout, status
    print("another user's calls on a shared bus: AccessDenied, nothing done: ok")


def impostor_owns_the_name(run):
    """Another user who owns the program's name first is not believed, and
    does not keep the user's own program from starting: it runs without its
    D-Bus service, one instance all the same."""
    holder = subprocess.Popen(as_nobody([
        "python3", "-c",
        "import dbus, sys, time; bus = dbus.SessionBus(); "
        "bus.request_name(sys.argv[1]); print('owned', flush=True); time.sleep(60)",
        "com.talvex." + run.program]), env=run.env, stdout=subprocess.PIPE, text=True)
    try:
        assert holder.stdout.readline().strip() == "owned"
        status = run.cli("--status")
        assert status.returncode == 1 and "is not trusted" in status.stderr, status
        assert "threshold" not in status.stdout, status
        run.start_connected(40)
        run.wait_for(lambda: "this run offers no D-Bus control" in run.output(), 20,
                     "the word on the name held")
        second = subprocess.run([os.path.join(run.build, "app", run.program)], env=run.env,
                                capture_output=True, text=True, timeout=30)
        assert second.returncode == 0 and "runs already" in second.stderr, second
        assert run.writes().count(CONNECTION_SEQUENCE[0]) == 1, "the connection went out twice"
    finally:
        holder.kill()
        holder.wait()
    print("a name owned by another user: not trusted, nothing printed from it, the program "
          "starts without D-Bus, once: ok")


def impostor_kglobalaccel(run):
    """Another user holds org.kde.kglobalaccel: --forget asks it nothing (the
    bus shows no call of KDE's interfaces) and claims to remove nothing there."""
    holder = subprocess.Popen(as_nobody([
        "/usr/bin/python3", "-c",
        "import dbus, time; bus = dbus.SessionBus(); "
        "bus.request_name('org.kde.kglobalaccel'); print('owned', flush=True); time.sleep(60)"]),
        env=run.env, stdout=subprocess.PIPE, text=True)
    monitor = None
    try:
        assert holder.stdout.readline().strip() == "owned"
        monitor = subprocess.Popen(["dbus-monitor", "--session",
                                    "type='method_call',interface='org.kde.KGlobalAccel'",
                                    "type='method_call',interface='org.kde.kglobalaccel.Component'"],
                                   env=run.env, stdout=subprocess.PIPE, text=True)
        time.sleep(0.5)  # the monitor's match rules in place
        forget = run.cli("--forget")
        assert forget.returncode == 0 and "KDE" not in forget.stdout, forget
    finally:
        holder.kill()
        holder.wait()
        if monitor:
            monitor.terminate()
    seen = monitor.communicate(timeout=10)[0]
    assert "member=allComponents" not in seen and "member=cleanUp" not in seen, seen
    print("kglobalaccel held by another user: --forget asks it nothing: ok")


def large_message_and_burst(run):
    """A 64 MB call (libdbus stopped reading the connection for good after
    one), then 20,000 calls from another user in a burst: the user's own
    --status is answered all along, within the command line's one second."""
    run.start_connected(40)
    sender = r"""
import dbus, sys
bus = dbus.SessionBus()
name, path, interface = sys.argv[1], "/com/talvex/QuillmarkControl", "com.talvex.QuillmarkControl"
if sys.argv[2] == "large":
    try:
        bus.call_blocking(name, path, interface, "ShowWindow", "ay",
                          [dbus.ByteArray(b"x" * (64 * 1024 * 1024))], timeout=60)
    except dbus.DBusException as error:
        print(error.get_dbus_name())
    print("sent", flush=True)
else:
    for _ in range(20000):
        bus.send_message(dbus.lowlevel.MethodCallMessage(name, path, interface, "ContrastUp"))
    print("sent", flush=True)
    bus.flush()
"""
    name = "com.talvex." + run.program
    large = subprocess.run(["/usr/bin/python3", "-c", sender, name, "large"], env=run.env,
                           capture_output=True, text=True, timeout=120)
    assert large.stdout.endswith("sent\n"), large
    status = run.cli("--status")
    assert status.returncode == 0 and "online: yes" in status.stdout, status
    before = run.saved()
    burst = subprocess.Popen(as_nobody(["/usr/bin/python3", "-c", sender, name, "burst"]), env=run.env,
                             stdout=subprocess.PIPE, text=True)
    try:
        assert burst.stdout.readline().strip() == "sent"
        for _ in range(5):
            status = run.cli("--status")
            assert status.returncode == 0 and "threshold: 200" in status.stdout, status
    finally:
        burst.kill()
        burst.wait()
    assert run.saved() == before
    print("a 64 MB call and 20,000 calls of another user: --status answered throughout: ok")


def vanished_reader(run):
    """`AltoControl | head -c 100`: the reader goes, the program goes on."""
    run.write_private_data()
    run.start(stdout=subprocess.PIPE)
    run.app.stdout.read(100)
    run.app.stdout.close()
    run.wait_for_sequence(CONNECTION_SEQUENCE, 40)
    for mode in (6, 5, 6):
        run.app_dbus("SetShowMode", "uint32:%d" % mode)
    assert run.app.poll() is None, "the program ended with its reader"
    run.app.send_signal(signal.SIGTERM)
    assert run.app.wait(10) == 0
    assert run.output().count("--------- ...") == 1, run.output()
    print("a vanished reader of the output: the program goes on and ends cleanly: ok")


def closed_output(run):
    """Started with standard output closed: its lines go nowhere, never into
    its own signal pipe, so that it keeps answering and ends on SIGTERM."""
    run.write_private_data()
    run.start(shell_redirection=">&-")
    run.wait_for_sequence(CONNECTION_SEQUENCE, 40)
    for step in range(80):
        run.app_dbus("ContrastUp" if step % 2 else "ContrastDown")
    status = run.cli("--status")
    assert status.returncode == 0 and "online: yes" in status.stdout, status
    run.app.send_signal(signal.SIGTERM)
    assert run.app.wait(10) == 0
    print("standard output closed at start: 80 calls, --status and SIGTERM served: ok")


def command_line_output_and_words(run):
    """--status that could not print fails; extra words are a bad command
    line; a long or escaping argument is shown cut and printable."""
    program = os.path.join(run.build, "app", run.program)
    run.write_private_data()
    run.start()
    run.wait_for(lambda: run.writes().count(HEARTBEAT) >= 2, 40, "the link")
    for redirection in (">&-", ">/dev/full"):
        result = subprocess.run(["sh", "-c", 'exec "$0" --status ' + redirection, program],
                                env=run.env, capture_output=True, text=True, timeout=30)
        assert result.returncode == 1, (redirection, result)
    assert run.cli("--status", "foo", "bar").returncode == 2
    result = run.cli("--mode", "\x1b[31m" + "x" * 120000)
    assert result.returncode == 2 and "\x1b" not in result.stderr, result.stderr[:200]
    assert len(result.stderr) < 1000, len(result.stderr)
    print("--status without output fails, extra words and wild arguments are refused: ok")


def private_file_no_regular_file(run):
    """~/.QuillMark a FIFO or the user's link to a device: the command line's
    own reading of it says so and ends with 1, never aborts."""
    private = os.path.join(run.home, ".QuillMark")
    for make in (lambda: os.mkfifo(private), lambda: os.symlink("/dev/zero", private)):
        make()
        result = run.cli("--desktop-shortcuts", "on")
        assert result.returncode == 1 and "is not a regular file" in result.stderr, result
        os.remove(private)
    print("~/.QuillMark a FIFO or a link to /dev/zero: --desktop-shortcuts says so, exit 1: ok")


def autostart_through_other_users_folders(run):
    """--autostart on never writes through another user's folder or link, and
    makes no folder in a home that is not its user's."""
    nobody = pwd.getpwnam("nobody")
    config = os.path.join(run.home, ".config")
    run.env["XDG_CONFIG_HOME"] = config
    theirs = os.path.join(run.root, "theirs")
    os.makedirs(theirs)
    os.chown(theirs, nobody.pw_uid, nobody.pw_gid)

    def refused(expected):
        result = run.cli("--autostart", "on")
        assert result.returncode == 1 and expected in result.stderr, result
        assert not os.listdir(theirs), "written into the other user's folder"

    os.makedirs(config)
    os.symlink(theirs, os.path.join(config, "autostart"))
    os.lchown(os.path.join(config, "autostart"), nobody.pw_uid, nobody.pw_gid)
    refused("belongs to another user")
    os.remove(os.path.join(config, "autostart"))
    os.chown(config, nobody.pw_uid, nobody.pw_gid)
    refused("belongs to another user")
    shutil.rmtree(config)
    os.chown(run.home, nobody.pw_uid, nobody.pw_gid)
    refused("is not yours")
    assert not os.path.exists(config), "a folder made in another user's home"
    print("autostart through another user's link, folder or home: refused, nothing made: ok")


class TrustRun(Run):
    def cli(self, *arguments):
        return subprocess.run([os.path.join(self.build, "app", self.program), *arguments],
                              env=self.env, capture_output=True, text=True, timeout=30)

    def app_dbus(self, method, *arguments):
        return subprocess.run(["dbus-send", "--session", "--print-reply",
                               "--dest=com.talvex." + self.program, "/com/talvex/QuillmarkControl",
                               "com.talvex.QuillmarkControl." + method, *arguments],
                              env=self.env, capture_output=True, text=True, timeout=30)


class SharedBusRun(TrustRun):
    """A session bus that lets every local user connect (misconfigured, or
    shared on purpose), with the message limits of Debian's session bus."""
    bus_config = PRIVATE_BUS_CONFIG.replace(
        '<allow own="*"/>', '<allow own="*"/>\n    <allow user="*"/>').replace(
        "</busconfig>", """  <limit name="max_incoming_bytes">1000000000</limit>
  <limit name="max_outgoing_bytes">1000000000</limit>
  <limit name="max_message_size">1000000000</limit>
</busconfig>""")


if __name__ == "__main__":
    scenarios = [second_start_without_bus, sigterm_in_launch_wait, protected_and_linked_files,
                 stopped_bus_daemon, vanished_reader, closed_output, command_line_output_and_words,
                 private_file_no_regular_file]
    runs = [(lambda arguments: TrustRun(arguments.build, arguments.model), check)
            for check in scenarios]
    if os.geteuid() == 0:
        runs += [(lambda arguments: TrustRun(arguments.build, arguments.model), check)
                 for check in (links_of_another_user, autostart_through_other_users_folders,
                               lock_folder_taken_by_another_user)]
        runs += [(lambda arguments: SharedBusRun(arguments.build, arguments.model), check)
                 for check in (other_user_calls, impostor_owns_the_name,
                               impostor_kglobalaccel, large_message_and_burst)]
    sys.exit(run_checks(runs))
