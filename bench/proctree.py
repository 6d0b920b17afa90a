"""What the benchmarks read about a running program's process tree from
/proc: which processes belong to it and what each of them is, the CPU time
of their threads, and their resident (RSS) and proportional (PSS) memory;
and how they answer the player's launch dialog."""
import os
import subprocess
import time

TICK = os.sysconf("SC_CLK_TCK")


def stat_of(path):
    """Name, parent pid and CPU seconds (user + system) from a stat file."""
    with open(path) as f:
        stat = f.read()
    fields = stat[stat.rfind(")") + 2:].split()
    name = stat[stat.find("(") + 1:stat.rfind(")")]
    return name, int(fields[1]), (int(fields[11]) + int(fields[12])) / TICK


def tree_pids(root_pid):
    """The root and every process below it."""
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                _, ppid, _ = stat_of(f"/proc/{entry}/stat")
            except (OSError, ValueError, IndexError):
                continue
            children.setdefault(ppid, []).append(int(entry))
    pids, stack = [], [root_pid]
    while stack:
        pid = stack.pop()
        pids.append(pid)
        stack.extend(children.get(pid, []))
    return pids


def kind(pid):
    """What a process of the tree is, in the words the report uses: the
    engine's web and network processes, Chromium's processes by their
    --type (and utility sub-type), and the program itself as the UI process."""
    try:
        with open(f"/proc/{pid}/comm") as f:
            comm = f.read().strip()
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            # Chromium rewrites its processes' titles into one string of
            # words, so the arguments are split on spaces too.
            args = f.read().decode(errors="replace").replace("\0", " ").split()
    except OSError:
        return None
    if comm.startswith("WebKitWebProces"):
        return "web process"
    if comm.startswith("WebKitNetworkPr"):
        return "network process"
    if comm in ("velmorin-hd", "velmorin-floor"):
        return "UI process"
    if "chrom" in comm or any("chromium" in a for a in args[:1]):
        options = dict(a[2:].split("=", 1) for a in args if a.startswith("--") and "=" in a)
        kind_of = options.get("type")
        if kind_of is None:
            return "browser"
        if kind_of == "utility":
            sub = options.get("utility-sub-type", "")
            return {"audio.mojom.AudioService": "audio service",
                    "network.mojom.NetworkService": "network service",
                    "storage.mojom.StorageService": "storage service"}.get(sub, "utility")
        return {"gpu-process": "GPU process"}.get(kind_of, kind_of)
    return comm


def thread_cpu(root_pid):
    """CPU seconds of every thread of the tree, keyed by (pid, tid), with the
    process's kind and the thread's name."""
    out = {}
    for pid in tree_pids(root_pid):
        what = kind(pid)
        if what is None:
            continue
        try:
            tids = os.listdir(f"/proc/{pid}/task")
        except OSError:
            continue
        for tid in tids:
            try:
                name, _, seconds = stat_of(f"/proc/{pid}/task/{tid}/stat")
            except (OSError, ValueError, IndexError):
                continue
            out[(pid, int(tid))] = (what, name, seconds)
    return out


def cpu_between(before, after):
    """CPU seconds spent between two thread_cpu() readings, per process kind
    and per (kind, thread name)."""
    per_kind, per_thread = {}, {}
    for key, (what, name, seconds) in after.items():
        spent = seconds - (before[key][2] if key in before else 0.0)
        per_kind[what] = per_kind.get(what, 0.0) + spent
        thread = f"{what}: {name}"
        per_thread[thread] = per_thread.get(thread, 0.0) + spent
    return per_kind, per_thread


def memory(root_pid):
    """KiB of PSS and RSS per process kind of the tree (processes of one kind
    added up), from smaps_rollup."""
    out = {}
    for pid in tree_pids(root_pid):
        what = kind(pid)
        if what is None:
            continue
        values = {}
        try:
            with open(f"/proc/{pid}/smaps_rollup") as f:
                for line in f:
                    key, _, rest = line.partition(":")
                    if key in ("Rss", "Pss"):
                        values[key] = int(rest.split()[0])
        except (OSError, ValueError):
            continue
        if "Pss" in values:
            pss, rss = out.get(what, (0, 0))
            out[what] = (pss + values["Pss"], rss + values.get("Rss", 0))
    return out


def press_play(pid, env=None):
    """Answers the player's launch dialog with Play, its default button,
    leaving Fullscreen ticked. Gives the wall time of the key press, or None
    when no dialog appeared within a minute."""
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid),
                              "--name", "^Velmorin HD$"], env=env, capture_output=True,
                             text=True).stdout.split()
        if out:
            subprocess.run(["xdotool", "windowfocus", "--sync", out[0]], env=env,
                           capture_output=True)
            pressed = time.time()
            subprocess.run(["xdotool", "key", "--window", out[0], "Return"], env=env,
                           capture_output=True)
            return pressed
        time.sleep(0.05)
    return None
