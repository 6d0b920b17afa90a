#!/usr/bin/env python3
"""Runs the process-level benchmarks of bench/run.sh under one X display and
prints (and writes) the table. Runs of the player, the floor and Chromium are
interleaved so that the machine's noise falls on all of them alike."""
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tools" / "demo-check"))
import proctree  # noqa: E402
from page_contract import CONTRACT_FILE, read_contract  # noqa: E402
from stats import med  # noqa: E402

# The title the programs exit on, from the page contract the player is built from.
EXIT_TITLE = read_contract(CONTRACT_FILE).exit_title
SMALL = 256 * 1024
BIG = 64 * 1024 * 1024
COUNT = 256

repo = Path(__file__).resolve().parent.parent
build = repo / "build-bench"
player = build / "bin" / "velmorin-hd"
floor = build / "bench" / "velmorin-floor"
pages = repo / "bench" / "pages"

startup_runs = int(os.environ.get("BENCH_STARTUP_RUNS", "10"))
throughput_runs = int(os.environ.get("BENCH_THROUGHPUT_RUNS", "3"))
memory_runs = int(os.environ.get("BENCH_MEMORY_RUNS", "2"))
memory_seconds = float(os.environ.get("BENCH_MEMORY_SECONDS", "10"))
# The player's window in normal mode is 0.75 of the screen on each side; on
# the 1920x1080 bench screen that is 1440x810, and the others get the same.
memory_size = (1440, 810)

env = dict(os.environ)
env.update({"NO_AT_BRIDGE": "1", "GTK_A11Y": "none"})
env.pop("VELM_SELFTEST", None)

chromium_flags = ["--no-sandbox", "--disable-gpu", "--disable-background-networking",
                  "--disable-component-update", "--no-first-run"]


def log(*args):
    print(*args, file=sys.stderr, flush=True)


def bundle(work, name, page_text, data_files=()):
    """A bench bundle: a hard link (or copy) of the program and a copy of its
    media plugin beside a demo folder holding one page as index.html and the
    data files."""
    root = work / name
    demo = root / "share" / "velmorin-hd" / "demo"
    (root / "bin").mkdir(parents=True)
    demo.mkdir(parents=True)
    try:
        os.link(player, root / "bin" / "velmorin-hd")
    except OSError:
        shutil.copy2(player, root / "bin" / "velmorin-hd")
    shutil.copytree(build / "lib", root / "lib")
    (demo / "index.html").write_text(page_text)
    if data_files:
        (demo / "data").mkdir()
        for f in data_files:
            os.link(f, demo / "data" / f.name)
    return root


def throughput_page(files, length, concurrency):
    text = (pages / "throughput.html").read_text()
    return (text.replace("/*FILES*/[]", json.dumps([f"data/{f}" for f in files]))
            .replace("/*LENGTH*/0", str(length))
            .replace("/*CONCURRENCY*/1", str(concurrency)))


def run(cmd, extra_env=None, timeout=90):
    e = dict(env)
    if extra_env:
        e.update(extra_env)
    start = time.perf_counter()
    p = subprocess.Popen(cmd, env=e, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                         start_new_session=True)
    try:
        out, _ = p.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(p.pid, signal.SIGKILL)
        out, _ = p.communicate()
        return None, out.decode(errors="replace")
    wall = time.perf_counter() - start
    return (wall if p.returncode == 0 else None), out.decode(errors="replace")


def chromium_run(args, timeout=90):
    profile = tempfile.mkdtemp(prefix="velm-chromium-")
    try:
        return run(["chromium", *chromium_flags, f"--user-data-dir={profile}", *args],
                   timeout=timeout)
    finally:
        shutil.rmtree(profile, ignore_errors=True)


# ---------------------------------------------------------------- start-up
def bench_startup(work):
    page = (pages / "startup.html").read_text().replace("/*EXIT_TITLE*/", EXIT_TITLE)
    root = bundle(work, "startup", page)
    url = (root / "share/velmorin-hd/demo/index.html").as_uri()
    times = {"player": [], "floor": [], "chromium": []}
    for i in range(startup_runs):
        t, out = run([str(root / "bin/velmorin-hd")], {"VELM_SELFTEST": "1"})
        # Quitting on the title, the player never reaches its self-test report.
        times["player"].append(t if "selftest" not in out else None)
        times["floor"].append(run([str(floor), url])[0])
        t, out = chromium_run(["--headless", "--dump-dom", url])
        times["chromium"].append(t if EXIT_TITLE in out else None)
        log(f"start-up run {i + 1}/{startup_runs}: " +
            ", ".join(f"{k} {v[-1]:.2f} s" if v[-1] else f"{k} failed" for k, v in times.items()))
    return times


# ---------------------------------------------------------------- throughput
def parse_page_result(text):
    m = re.search(r"(result|partial) ms=([\d.]+) bytes=(\d+)", text)
    if not m:
        return None
    return m.group(1), float(m.group(2)), int(m.group(3))


def tree_cpu(root_pid, seen):
    """Adds the CPU seconds of every process in the tree to `seen`, keyed by
    pid, with the process's name."""
    for pid in proctree.tree_pids(root_pid):
        try:
            name, _, seconds = proctree.stat_of(f"/proc/{pid}/stat")
        except (OSError, ValueError, IndexError):
            continue
        seen[pid] = (name, seconds)


def run_sampled(cmd, extra_env=None, timeout=90):
    """Runs like run(), sampling the CPU time of each process of the tree
    every 50 ms; gives the output and the CPU seconds per process name."""
    e = dict(env)
    if extra_env:
        e.update(extra_env)
    seen = {}
    with tempfile.TemporaryFile() as out:
        p = subprocess.Popen(cmd, env=e, stdout=out, stderr=subprocess.DEVNULL,
                             start_new_session=True)
        deadline = time.monotonic() + timeout
        while p.poll() is None and time.monotonic() < deadline:
            tree_cpu(p.pid, seen)
            time.sleep(0.05)
        if p.poll() is None:
            os.killpg(p.pid, signal.SIGKILL)
        p.wait()
        out.seek(0)
        text = out.read().decode(errors="replace")
    cpu = {}
    for name, seconds in seen.values():
        name = "UI process" if name in ("velmorin-hd", "velmorin-floor") else name
        cpu[name] = cpu.get(name, 0.0) + seconds
    return text, cpu


def bench_throughput(work):
    data = work / "data"
    data.mkdir()
    small = []
    blob = os.urandom(SMALL)
    for i in range(COUNT):
        f = data / f"f{i:03d}.bin"
        f.write_bytes(blob)
        small.append(f)
    big = data / "big.bin"
    with open(big, "wb") as out:
        for _ in range(BIG // (4 << 20)):
            out.write(os.urandom(4 << 20))
    cases = [
        ("256 x 256 KiB, one at a time", small, SMALL, 1),
        ("256 x 256 KiB, 16 at a time", small, SMALL, 16),
        ("1 x 64 MiB", [big], BIG, 1),
    ]
    results = []
    for n, (label, files, length, conc) in enumerate(cases):
        root = bundle(work, f"throughput{n}",
                      throughput_page([f.name for f in files], length, conc), files)
        results.append({"label": label, "root": root, "player": [], "floor": [],
                        "player_partial": 0})
    for i in range(throughput_runs):
        for case in results:
            root = case["root"]
            out, cpu = run_sampled([str(root / "bin/velmorin-hd")], {"VELM_SELFTEST": "1"})
            case.setdefault("player_cpu", []).append(cpu)
            r = parse_page_result(out)
            if r and r[2] > 0:
                case["player"].append(r[2] / (1 << 20) / (r[1] / 1000))
                case["player_partial"] += r[0] == "partial"
            else:
                case["player"].append(None)
                log(f"  player gave no result: {out.strip()[:160]}")
            url = (root / "share/velmorin-hd/demo/index.html").as_uri()
            out, cpu = run_sampled([str(floor), "--file-access", "--wait-body", "result", url])
            case.setdefault("floor_cpu", []).append(cpu)
            r = parse_page_result(out)
            case["floor"].append(r[2] / (1 << 20) / (r[1] / 1000) if r else None)
            if not r:
                log(f"  floor gave no result: {out.strip()[:160]}")
            fmt = lambda v: f"{v:.0f}" if v else "-"
            log(f"throughput run {i + 1}/{throughput_runs} {case['label']}: "
                f"app: {fmt(case['player'][-1])} MiB/s, file: {fmt(case['floor'][-1])} MiB/s")
    return results


# ---------------------------------------------------------------- memory
def tree_rss(root_pid):
    """Bytes resident in the whole tree, and how many processes it has."""
    total = 0
    count = 0
    page = os.sysconf("SC_PAGE_SIZE")
    for pid in proctree.tree_pids(root_pid):
        try:
            with open(f"/proc/{pid}/statm") as f:
                total += int(f.read().split()[1]) * page
            count += 1
        except OSError:
            pass
    return total, count


def sample_tree(proc, seconds, after_start=None):
    peak = 0
    most = 0
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline and proc.poll() is None:
        rss, count = tree_rss(proc.pid)
        peak = max(peak, rss)
        most = max(most, count)
        time.sleep(0.1)
    alive = proc.poll() is None
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    proc.wait()
    return peak if alive else None, most


def spawn(cmd, extra_env=None):
    e = dict(env)
    if extra_env:
        e.update(extra_env)
    return subprocess.Popen(cmd, env=e, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            start_new_session=True)


def bench_memory():
    demo = build / "share" / "velmorin-hd" / "demo" / "index.html"
    url = demo.as_uri()
    w, h = memory_size
    peaks = {"player": [], "floor": [], "chromium": []}
    procs = {}
    for i in range(memory_runs):
        p = spawn([str(player)])
        # With no window manager on the bench display the window keeps its
        # normal size, though Fullscreen stays ticked.
        ok = proctree.press_play(p.pid) is not None
        # The ten seconds start when Play is pressed.
        peaks["player"].append(sample_tree(p, memory_seconds)[0] if ok else None)
        if not ok:
            os.killpg(p.pid, signal.SIGKILL)
            p.wait()
        p = spawn([str(floor), "--file-access", "--size", f"{w}x{h}", url])
        peaks["floor"].append(sample_tree(p, memory_seconds)[0])
        profile = tempfile.mkdtemp(prefix="velm-chromium-")
        p = spawn(["chromium", *chromium_flags, f"--user-data-dir={profile}",
                   "--allow-file-access-from-files", f"--window-size={w},{h}", f"--app={url}"])
        peak, count = sample_tree(p, memory_seconds)
        peaks["chromium"].append(peak)
        procs["chromium"] = count
        shutil.rmtree(profile, ignore_errors=True)
        log(f"memory run {i + 1}/{memory_runs}: " +
            ", ".join(f"{k} {v[-1] / 2**20:.0f} MiB" if v[-1] else f"{k} failed"
                      for k, v in peaks.items()))
    return peaks


def main():
    out_json = Path(sys.argv[1])
    work = Path(tempfile.mkdtemp(prefix="velm-bench-"))
    try:
        result = {}
        only = os.environ.get("BENCH_ONLY", "startup,throughput,memory").split(",")
        if "startup" in only:
            result["startup"] = bench_startup(work)
        if "throughput" in only:
            t = bench_throughput(work)
            for case in t:
                del case["root"]
            result["throughput"] = t
        if "memory" in only:
            result["memory"] = bench_memory()
        out_json.write_text(json.dumps(result, indent=1))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
