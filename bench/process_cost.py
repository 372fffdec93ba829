"""What a running process costs, from /proc: CPU time and peak memory."""

import os

TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid, children=False):
    """User and system CPU time; with children, that of its waited-for child
    processes too (the display tools it runs)."""
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    counted = fields[11:15] if children else fields[11:13]
    return sum(int(field) for field in counted) / TICKS


def peak_rss_kb(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0
