#!/usr/bin/env python3
"""The emulator's preview, end to end: the control program sends each mode
and its threshold, and the emulator's window is photographed once the panel
has settled. In A2 a threshold change moves the pixels, in A16 it does not,
and a refresh takes the ghost of the picture before away. With --shots DIR
the photographs of each mode are kept there, with the program's main window
beside the emulator's for the README."""

import os
import subprocess
import sys
import time

from e2e_run import Run, frame, run_checks


class PreviewRun(Run):
    def __init__(self, build, model, shots):
        super().__init__(build, model)
        self.shots = shots
        if shots:
            os.makedirs(shots, exist_ok=True)
        self.scratch = os.path.join(self.root, "shots")
        os.makedirs(self.scratch)

    def cli(self, *arguments):
        result = subprocess.run([os.path.join(self.build, "app", self.program), *arguments],
                                env=self.env, capture_output=True, text=True, timeout=30)
        assert result.returncode == 0, result
        return self.now_ms()

    def wait_sent(self, since_ms, *frames_or_types):
        """Each item in order after since_ms: a whole frame, or any command of a type."""
        def found():
            position = 0
            for sent in self.writes(since_ms):
                if position == len(frames_or_types):
                    break
                wanted = frames_or_types[position]
                if (sent == wanted if isinstance(wanted, str) else
                        sent.startswith("51 84 03 08 %02x " % wanted)):
                    position += 1
            return position == len(frames_or_types)
        self.wait_for(found, 20, "the frames %s" % (frames_or_types,))

    def panel(self, keep_as=None):
        """The upper half of the emulator's window (all panel) once three looks
        0.4 s apart agree: the update or clear has settled."""
        window = self.window_named("Quillmark .* emulator")
        # No window manager under Xvfb: both windows open at 0,0, and the
        # program's would hide part of the panel.
        subprocess.run(["xdotool", "windowmove", "--sync", window, "540", "0"], env=self.env,
                       check=False)
        path = os.path.join(self.scratch, "window.png")
        looks = []
        deadline = time.time() + 30
        while time.time() < deadline:
            subprocess.run(["import", "-window", window, path], env=self.env, check=True)
            pixels = subprocess.run(["convert", path, "-crop", "100%x50%+0+0", "+repage", "gray:-"],
                                    capture_output=True, check=True).stdout
            looks = looks[-2:] + [pixels]
            if len(looks) == 3 and looks.count(pixels) == 3:
                if keep_as and self.shots:
                    os.replace(path, os.path.join(self.shots, keep_as))
                return pixels
            time.sleep(0.4)
        raise AssertionError("the panel did not settle")

    def refreshed(self, keep_as=None):
        since = self.cli("--refresh")
        self.wait_sent(since, frame(6, 2))
        return self.panel(keep_as)

    def show_mode(self, name, mode_byte, threshold_type):
        since = self.cli("--mode", name)
        self.wait_sent(since, *([frame(7, mode_byte)] + ([threshold_type] if threshold_type else [])))
        return since


def bad_images(run):
    """A picture that cannot be shown ends the emulator with the reason, its socket gone."""
    garbage = os.path.join(run.root, "garbage.png")
    with open(garbage, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + os.urandom(4000))
    for path, why in ((os.path.join(run.root, "missing.png"), "no such file"),
                      (run.root, "not a regular file"), (garbage, "")):
        result = subprocess.run([os.path.join(run.build, "emulator/quillmark-emulator"),
                                 "--image", path], env=run.env, capture_output=True, text=True,
                                stdin=subprocess.DEVNULL, timeout=30)
        assert result.returncode == 1 and "cannot show the image " + path in result.stderr, result
        assert why in result.stderr, result.stderr
        sockets = os.path.join(run.runtime, "quillmark-displays")
        assert not os.path.isdir(sockets) or not os.listdir(sockets), os.listdir(sockets)
    print("pictures that cannot be shown are refused with the reason: ok")
    picture = os.path.join(run.root, "gradient.png")
    subprocess.run(["convert", "-size", "320x200", "gradient:", picture], check=True)
    shown = subprocess.run([os.path.join(run.build, "emulator/quillmark-emulator"), "--image",
                            picture], env=run.env, input="quit\n", capture_output=True, text=True,
                           timeout=30)
    assert shown.returncode == 0 and "serving" in shown.stdout, shown
    print("a picture of the user's is shown: ok")


def check(run):
    bad_images(run)
    model = run.model
    run.write_private_data(ShowMode=3, ResCommMode=1)
    run.start()
    run.wait_sent(0, frame(7, 3), frame(6, 1))
    run.panel()

    run.show_mode("floyd", 1, 8)
    run.refreshed("preview-%s-floyd.png" % model)

    run.show_mode("a2", 2, 9)
    ghosted = run.panel("preview-%s-a2-ghost-of-floyd.png" % model)
    clean = run.refreshed("preview-%s-a2.png" % model)
    assert ghosted != clean, "the refresh left the panel as it was: no ghost was taken away"
    assert run.refreshed() == clean, "a second refresh changed a clean panel"
    print("a refresh takes the ghost of the picture before away: ok")
    if run.shots and model == "alto":
        main = os.path.join(run.scratch, "main.png")
        subprocess.run(["import", "-window", run.window_named("^AltoControl"), main], env=run.env,
                       check=True)
        subprocess.run(["convert", main, os.path.join(run.shots, "preview-alto-a2.png"),
                        "-background", "#efefef", "-gravity", "north", "-splice", "0x0",
                        "+append", os.path.join(run.shots, "overview-alto.png")], check=True)

    since = run.cli("--contrast-up")
    run.wait_sent(since, 9)
    assert run.refreshed() != clean, "the A2 panel did not follow a new threshold"
    print("A2: the panel follows the threshold: ok")

    run.show_mode("a16", 3, None)
    a16 = run.refreshed("preview-%s-a16.png" % model)
    with open(run.program_output) as out:
        before = out.read().count("unknown showmode 3")
    run.cli("--contrast-up")
    run.wait_for(lambda: run.output().count("unknown showmode 3") > before, 20,
                 "the A16 threshold request to be served")
    assert run.refreshed() == a16, "the A16 panel changed with the threshold"
    print("A16: the panel does not follow the threshold: ok")

    since = run.cli("--resolution", "fixed")
    run.wait_sent(since, frame(4, 2))
    for name, mode_byte, threshold_type in (("a5", 4, 11), ("a2", 5, 10), ("a16", 6, None)):
        run.show_mode(name, mode_byte, threshold_type)
        run.refreshed("preview-%s-%s-fixed.png" % (model, name))
    print("every mode photographed after the program sent it: ok")
    run.check_pacing()


if __name__ == "__main__":
    # --shots DIR keeps the photographs there.
    sys.exit(run_checks([(lambda arguments: PreviewRun(
        arguments.build, arguments.model, arguments.shots and os.path.abspath(arguments.shots)),
        check)], optional_arguments=("--shots",)))
