"""KWin on virtual 1600x1200 outputs, for the runs and benchmarks that need
a real KDE compositor."""

import os
import shutil
import subprocess


def start_headless_kwin(root, env, socket, output_count=1):
    """Starts KWin on the Wayland socket named socket; the caller waits for the
    socket and ends the process. The packaged binary carries a file
    capability that exec refuses in a container; a copy in root has none."""
    binary = os.path.join(root, "kwin_wayland")
    if not os.path.exists(binary):
        shutil.copy("/usr/bin/kwin_wayland", binary)
    return subprocess.Popen(
        [binary, "--virtual", "--output-count", str(output_count), "--width", "1600",
         "--height", "1200", "--socket", socket, "--no-lockscreen"],
        env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
