#!/usr/bin/env python3
"""The playback benchmark of bench/run.sh: the bundled demo as a viewer sees
it, in the player, the floor program and Chromium, each full screen on an
Xvfb display of the size measured, with openbox as the window manager.

A bench copy of the demo gets bench/pages/playback-probe.js as its first
script; the probe posts what the page saw to a collector on the loopback
interface, which also serves the copy to Chromium over HTTP. The player plays
the copy from its own app: scheme (a bench bundle: the program beside the
copy), the floor from file:.

Two kinds of run, interleaved between the programs, with the program order
turned round every round so that no program always follows the same one:

- frame-rate runs, at every size: frames, frame times and the audio clock over
  a fixed window after the start page request, the time to the first frame
  with lit pixels, and the CPU time of every thread over the window;
- memory runs, at one size: the PSS and RSS of every process of the tree
  once a second through the whole demo, with the frames of every scene, the
  demo's song time against wall time and how long it took from Play to its
  exit title.

Sound goes wherever the environment sends it: bench/run.sh runs this with a
PulseAudio null sink of its own, as a desktop would play to its speakers.

    playback.py OUT.json
"""
import http.server
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tools" / "demo-check"))
import proctree  # noqa: E402
from page_contract import CONTRACT_FILE, read_contract  # noqa: E402

repo = Path(__file__).resolve().parent.parent
build = repo / "build-bench"
player = build / "bin" / "velmorin-hd"
floor = build / "bench" / "velmorin-floor"
probe = repo / "bench" / "pages" / "playback-probe.js"

# "floor-cpu" is the floor drawing without compositing (--no-compositing), the
# path the player takes where the only OpenGL is a software rasterizer; it is
# measured only when BENCH_PLAYBACK_PROGRAMS names it.
PROGRAMS = ("player", "floor", "chromium", "floor-cpu")
DEFAULT_PROGRAMS = ("player", "floor", "chromium")
# Seconds after the start page request over which frames are counted: the
# first three hold the page load and the fade in, and are left out.
WINDOW = (3.0, 13.0)


def sizes_from(text):
    return [tuple(int(v) for v in s.split("x")) for s in text.split(",") if s]


sizes = sizes_from(os.environ.get("BENCH_PLAYBACK_SIZES", "640x360,1280x720,1920x1080"))
fps_runs = int(os.environ.get("BENCH_PLAYBACK_RUNS", "3"))
memory_runs = int(os.environ.get("BENCH_PLAYBACK_MEMORY_RUNS", "2"))
memory_size = sizes_from(os.environ.get("BENCH_PLAYBACK_MEMORY_SIZE", "1280x720"))[0]
programs = [p for p in os.environ.get("BENCH_PLAYBACK_PROGRAMS", ",".join(DEFAULT_PROGRAMS)).split(",")
            if p in PROGRAMS]

chromium_flags = ["--no-sandbox", "--disable-gpu", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update",
                  "--disable-sync", "--autoplay-policy=no-user-gesture-required",
                  "--kiosk"]


def log(*args):
    print(*args, file=sys.stderr, flush=True)


class Display:
    """An Xvfb display of one size with openbox managing its windows."""

    def __init__(self, width, height):
        self.size = (width, height)
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", f"{width}x{height}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        os.close(write)
        with os.fdopen(read) as f:
            self.name = ":" + f.readline().strip()
        self.env = dict(os.environ, DISPLAY=self.name, NO_AT_BRIDGE="1", GTK_A11Y="none")
        self.env.pop("VELM_SELFTEST", None)
        self.env.pop("WAYLAND_DISPLAY", None)
        self.wm = subprocess.Popen(["openbox"], env=self.env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, start_new_session=True)
        time.sleep(1.0)

    def close(self):
        for p in (self.wm, self.xvfb):
            p.terminate()
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()


class Collector:
    """Serves the bench copy of the demo and gathers the probe's reports of
    the run going on."""

    def __init__(self, folder):
        self.reports = []
        self.lock = threading.Lock()
        collector = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            def __init__(self, *args, **kwargs):
                super().__init__(*args, directory=str(folder), **kwargs)

            def do_POST(self):
                body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
                self.send_response(204)
                self.end_headers()
                try:
                    report = json.loads(body)
                except ValueError:
                    return
                with collector.lock:
                    collector.reports.append(report)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.port = self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def begin(self):
        with self.lock:
            self.reports = []

    def merged(self):
        """One report from the run's pieces: the latest fields, and every
        frame and audio sample sent."""
        with self.lock:
            pieces = list(self.reports)
        if not pieces:
            return None
        pieces.sort(key=lambda r: r["sent"])
        out = dict(pieces[-1])
        out["frames"] = [t for r in pieces for t in r["frames"]]
        out["audio"] = [a for r in pieces for a in r["audio"]]
        out["song"] = [a for r in pieces for a in r.get("song", [])]
        return out


def make_copy(work, port):
    """The bench bundle: the player beside a copy of its demo that has the
    probe as the first script of its page."""
    root = work / "bundle"
    demo = root / "share" / "velmorin-hd" / "demo"
    (root / "bin").mkdir(parents=True)
    shutil.copytree(build / "share" / "velmorin-hd" / "demo", demo)
    try:
        os.link(player, root / "bin" / "velmorin-hd")
    except OSError:
        shutil.copy2(player, root / "bin" / "velmorin-hd")
    (demo / "bench-probe.js").write_text(
        probe.read_text().replace("/*COLLECTOR*/", f"http://127.0.0.1:{port}/report")
        .replace("/*EXIT_TITLE*/", read_contract(CONTRACT_FILE).exit_title))
    page = (demo / "index.html").read_text()
    if "<head>" not in page:
        raise SystemExit("playback: the demo's page has no <head> to put the probe in")
    (demo / "index.html").write_text(
        page.replace("<head>", '<head>\n<script src="bench-probe.js"></script>', 1))
    return root, demo


def start(program, display, root, demo, port):
    """Starts a program on the copy; gives the process, the wall time the
    measured start counts from (the key press on Play for the player, the
    start of the process for the others) and what to clean up."""
    env = display.env
    w, h = display.size
    if program == "player":
        proc = subprocess.Popen([str(root / "bin" / "velmorin-hd")], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True)
        return proc, proctree.press_play(proc.pid, env), None
    if program in ("floor", "floor-cpu"):
        started = time.time()
        switches = ["--no-compositing"] if program == "floor-cpu" else []
        proc = subprocess.Popen([str(floor), "--fullscreen", "--file-access", *switches,
                                 "--size", f"{w}x{h}", (demo / "index.html").as_uri()], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True)
        return proc, started, None
    profile = tempfile.mkdtemp(prefix="velm-chromium-")
    started = time.time()
    proc = subprocess.Popen(["chromium", *chromium_flags, f"--user-data-dir={profile}",
                             f"--window-size={w},{h}",
                             f"--app=http://127.0.0.1:{port}/index.html"], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            start_new_session=True)
    return proc, started, profile


def stop(proc, profile):
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    proc.wait()
    if profile:
        shutil.rmtree(profile, ignore_errors=True)


def wait_for(collector, proc, test, timeout):
    """Waits until the merged report passes `test` or the program ends."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        report = collector.merged()
        if report and test(report):
            return report
        if proc.poll() is not None:
            break
        time.sleep(0.1)
    return collector.merged()


def sleep_until(epoch):
    delay = epoch - time.time()
    if delay > 0:
        time.sleep(delay)


def fps_run(program, display, root, demo, collector):
    collector.begin()
    proc, started, profile = start(program, display, root, demo, collector.port)
    result = {"program": program, "size": list(display.size), "ok": False}
    try:
        if started is None:
            log("  the player's launch dialog never showed")
            return result
        first = wait_for(collector, proc, lambda r: True, 60)
        if not first:
            log(f"  {program}: no report from the page")
            return result
        origin = first["timeOrigin"] / 1000
        sleep_until(origin + WINDOW[0])
        before = proctree.thread_cpu(proc.pid)
        sleep_until(origin + WINDOW[1])
        after = proctree.thread_cpu(proc.pid)
        per_kind, per_thread = proctree.cpu_between(before, after)
        end_ms = (origin + WINDOW[1]) * 1000
        report = wait_for(collector, proc, lambda r: r["sent"] >= end_ms + 300, 10)
        result.update(ok=proc.poll() is None, started=started, report=report,
                      cpu=per_kind, threads=per_thread, cpu_seconds=WINDOW[1] - WINDOW[0])
        return result
    finally:
        stop(proc, profile)


def memory_run(program, display, root, demo, collector):
    collector.begin()
    proc, started, profile = start(program, display, root, demo, collector.port)
    result = {"program": program, "size": list(display.size), "ok": False, "samples": []}
    try:
        if started is None:
            return result
        deadline = time.monotonic() + 200
        report = None
        while proc.poll() is None and time.monotonic() < deadline:
            sample = proctree.memory(proc.pid)
            result["samples"].append([time.time(), sample])
            report = collector.merged()
            # Chromium does not close on the exit title: the run ends there.
            if report and report.get("ended"):
                break
            time.sleep(1.0)
        report = collector.merged()
        # The player and the floor close on the demo's exit title, maybe
        # before the probe's last report leaves; Chromium stays open.
        ended = bool(report and report.get("ended")) or proc.poll() == 0
        result.update(ok=ended and report is not None, started=started, report=report)
        return result
    finally:
        stop(proc, profile)


def summary(run):
    r = run.get("report") or {}
    frames = r.get("frames", [])
    origin = r.get("timeOrigin", 0)
    inside = [t for t in frames if origin + WINDOW[0] * 1000 <= t < origin + WINDOW[1] * 1000]
    fps = len(inside) / (WINDOW[1] - WINDOW[0])
    lit = r.get("firstLit")
    return (f"{len(frames)} frames, {fps:.1f} fps in the window, "
            f"first lit frame {lit / 1000 - run['started']:.2f} s" if lit and lit > 0 else
            f"{len(frames)} frames, {fps:.1f} fps, no lit frame")


def main():
    out_json = Path(sys.argv[1])
    work = Path(tempfile.mkdtemp(prefix="velm-playback-"))
    displays = {}
    try:
        # The collector's port is written into the copy's probe, so it
        # starts first, serving the folder the copy is then made in.
        folder = work / "bundle" / "share" / "velmorin-hd" / "demo"
        collector = Collector(folder)
        root, demo = make_copy(work, collector.port)
        for size in sorted(set(sizes) | ({memory_size} if memory_runs else set())):
            displays[size] = Display(*size)
        result = {"window": list(WINDOW), "sizes": [list(s) for s in sizes],
                  "memory_size": list(memory_size), "fps": [], "memory": []}
        for n in range(fps_runs):
            order = programs[n % len(programs):] + programs[:n % len(programs)]
            for size in sizes:
                for program in order:
                    run = fps_run(program, displays[size], root, demo, collector)
                    result["fps"].append(run)
                    log(f"frame-rate run {n + 1}/{fps_runs} {size[0]}x{size[1]} {program}: "
                        + (summary(run) if run["ok"] else "failed"))
        for n in range(memory_runs):
            order = programs[n % len(programs):] + programs[:n % len(programs)]
            for program in order:
                run = memory_run(program, displays[memory_size], root, demo, collector)
                result["memory"].append(run)
                peak = max((sum(v[0] for v in s.values()) for _, s in run["samples"]), default=0)
                log(f"memory run {n + 1}/{memory_runs} {program}: "
                    f"{len(run['samples'])} samples, peak PSS {peak / 1024:.0f} MiB"
                    + ("" if run["ok"] else " (the demo did not reach its end)"))
        out_json.write_text(json.dumps(result))
    finally:
        for d in displays.values():
            d.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
