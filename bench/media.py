#!/usr/bin/env python3
"""The media benchmark: a page's own video and sound played by the player
from app: URLs, against the same bytes from blob: URLs, full screen on a
1280x720 Xvfb display with openbox, as a viewer starts it (Play on the
launch dialog, Fullscreen ticked).

- start: the time from setting a media element's src to its "playing" event,
  for a 1280x720 VP8 clip and a Vorbis tone, from app: and from blob: URLs
  (a blob URL made from bytes already fetched, so only the start is timed);
- playback: 10 s of the 30 fps VP8 clip full screen, with the frames the
  element decoded and dropped (getVideoPlaybackQuality) and the CPU time of
  each process of the player;
- memory: the web process's resident memory while a 720 MB video plays,
  from app: and, once, from a blob: URL, which holds the whole file.

Rounds are interleaved so the machine's noise falls on every kind alike.
The clips are made with GStreamer's tools into build-bench/media-clips.

    media.py OUT.json      (bench/run.sh runs it under a null sink)
"""
import json
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import proctree  # noqa: E402
from playback import Collector, Display  # noqa: E402

repo = Path(__file__).resolve().parent.parent
build = repo / "build-bench"
player = build / "bin" / "velmorin-hd"
clips = build / "media-clips"
rounds = int(os.environ.get("BENCH_MEDIA_RUNS", "3"))
PLAY_SECONDS = 10.0

CLIPS = {
    "video.webm": "videotestsrc pattern=ball num-buffers=900 "
                  "! video/x-raw,width=1280,height=720,framerate=30/1 "
                  "! vp8enc deadline=1 cpu-used=8 target-bitrate=3000000 ! webmmux",
    # Snow does not compress: 720 MB of 1280x720 JPEG frames, about 27 s.
    "big.mkv": "videotestsrc pattern=snow num-buffers=800 "
               "! video/x-raw,width=1280,height=720,framerate=30/1 "
               "! jpegenc quality=95 ! matroskamux",
}


def log(*args):
    print(*args, file=sys.stderr, flush=True)


def make_clips():
    clips.mkdir(parents=True, exist_ok=True)
    for name, pipeline in CLIPS.items():
        if not (clips / name).exists():
            log(f"making {name}")
            subprocess.run(["gst-launch-1.0", "-q", *pipeline.split(),
                            "!", "filesink", f"location={clips / name}"], check=True)
    shutil.copy2(repo / "tests" / "data" / "media" / "tone-440.ogg", clips / "tone.ogg")


# What the page does: make the element, set its source from app: or blob:,
# report the start, play on, report quality and memory marks, end itself.
PAGE = """<!doctype html><html><head><meta charset="utf-8"><style>
html, body { margin: 0; background: #000; overflow: hidden; }
video { position: fixed; inset: 0; width: 100vw; height: 100vh; object-fit: fill; }
</style></head><body><script>
const post = report => fetch('COLLECTOR', { method: 'POST', mode: 'no-cors',
    body: JSON.stringify(Object.assign({ sent: performance.now(), frames: [], audio: [] }, report)) });
(async () => {
    const kind = 'KIND', file = 'FILE';
    let src = file;
    if ('SOURCE' === 'blob') {
        src = URL.createObjectURL(await (await fetch(file)).blob());
    }
    const element = document.createElement(kind);
    element.muted = kind === 'video';
    element.autoplay = true;
    if (kind === 'video') { document.body.appendChild(element); }
    const start = performance.now();
    element.onplaying = () => {
        element.onplaying = null;
        post({ event: 'playing', start: performance.now() - start });
        setTimeout(() => {
            const quality = element.getVideoPlaybackQuality ? element.getVideoPlaybackQuality() : {};
            post({ event: 'done', total: quality.totalVideoFrames, dropped: quality.droppedVideoFrames,
                   time: element.currentTime });
        }, PLAY_MS);
    };
    element.onerror = () => post({ event: 'error', code: element.error.code });
    element.src = src;
    element.play().catch(() => {});
})();
</script></body></html>
"""


def bundle(work, page):
    root = work / "bundle"
    demo = root / "share" / "velmorin-hd" / "demo"
    if not root.exists():
        (root / "bin").mkdir(parents=True)
        shutil.copytree(build / "lib", root / "lib")
        demo.mkdir(parents=True)
        os.link(player, root / "bin" / "velmorin-hd")
        for clip in clips.iterdir():
            os.link(clip, demo / clip.name)
    (demo / "index.html").write_text(page)
    return root


def wait_event(collector, name, proc, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline and proc.poll() is None:
        with collector.lock:
            for report in collector.reports:
                if report.get("event") in (name, "error"):
                    return report
        time.sleep(0.02)
    return None


def web_rss(pid):
    return proctree.memory(pid).get("web process", (0, 0))[1]


def one_run(display, work, collector, kind, file, source):
    page = (PAGE.replace("COLLECTOR", f"http://127.0.0.1:{collector.port}/report")
            .replace("KIND", kind).replace("FILE", file).replace("SOURCE", source)
            .replace("PLAY_MS", str(int(PLAY_SECONDS * 1000))))
    root = bundle(work, page)
    collector.begin()
    proc = subprocess.Popen([str(root / "bin" / "velmorin-hd")], env=display.env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            start_new_session=True)
    run = {"kind": kind, "file": file, "source": source, "ok": False}
    try:
        if proctree.press_play(proc.pid, display.env) is None:
            return run
        # The web process's memory from the press on, before the page has
        # any media, so a blob's whole file shows too.
        rss = []
        playing = None
        deadline = time.monotonic() + 60
        while playing is None and time.monotonic() < deadline and proc.poll() is None:
            rss.append(web_rss(proc.pid))
            playing = wait_event(collector, "playing", proc, 0.25)
        run["rss_before_kib"] = [v for v in rss if v] or [0]
        if not playing or playing.get("event") != "playing":
            run["error"] = playing
            return run
        run["start_ms"] = playing["start"]
        before_cpu = proctree.thread_cpu(proc.pid)
        rss = [web_rss(proc.pid)]
        deadline = time.monotonic() + PLAY_SECONDS + 5
        done = None
        while time.monotonic() < deadline and done is None:
            time.sleep(0.5)
            rss.append(web_rss(proc.pid))
            done = wait_event(collector, "done", proc, 0.01)
        per_kind, _ = proctree.cpu_between(before_cpu, proctree.thread_cpu(proc.pid))
        run.update(ok=done is not None, rss_kib=rss, cpu=per_kind,
                   total=(done or {}).get("total"), dropped=(done or {}).get("dropped"),
                   media_time=(done or {}).get("time"))
        return run
    finally:
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        proc.wait()


def main():
    out_json = Path(sys.argv[1])
    make_clips()
    work = Path(tempfile.mkdtemp(prefix="velm-media-"))
    display = Display(1280, 720)
    runs = []
    try:
        collector = Collector(work)
        kinds = [("video", "video.webm", "app"), ("video", "video.webm", "blob"),
                 ("audio", "tone.ogg", "app"), ("audio", "tone.ogg", "blob"),
                 ("video", "big.mkv", "app")]
        # BENCH_MEDIA_KINDS=video,audio keeps the start and playback runs alone.
        wanted = os.environ.get("BENCH_MEDIA_KINDS", "video,audio,big").split(",")
        kinds = [k for k in kinds if ("big" if k[1] == "big.mkv" else k[0]) in wanted]
        for n in range(rounds):
            order = kinds[n % len(kinds):] + kinds[:n % len(kinds)]
            for kind, file, source in order:
                run = one_run(display, work, collector, kind, file, source)
                runs.append(run)
                log(f"round {n + 1}/{rounds} {kind} {file} from {source}: "
                    + (f"start {run['start_ms']:.0f} ms, dropped {run['dropped']}/{run['total']}, "
                       f"web RSS {run['rss_kib'][0] / 1024:.0f} -> {max(run['rss_kib']) / 1024:.0f} MiB"
                       if run["ok"] else f"failed {run.get('error')}"))
        # The whole file in memory, once, for contrast.
        if "big" in wanted:
            runs.append(one_run(display, work, collector, "video", "big.mkv", "blob"))
        out_json.write_text(json.dumps(runs))
        summarize(runs)
    finally:
        display.close()
        shutil.rmtree(work, ignore_errors=True)


def summarize(runs):
    def med(values):
        return statistics.median(values) if values else float("nan")

    def pick(kind, file, source):
        return [r for r in runs if r["ok"] and (r["kind"], r["file"], r["source"]) == (kind, file, source)]

    for kind, file in (("video", "video.webm"), ("audio", "tone.ogg")):
        app = med([r["start_ms"] for r in pick(kind, file, "app")])
        blob = med([r["start_ms"] for r in pick(kind, file, "blob")])
        print(f"{file}: src to playing {app:.0f} ms from app:, {blob:.0f} ms from blob: "
              f"({app / blob:.2f}x)")
    for source in ("app", "blob"):
        played = pick("video", "video.webm", source)
        dropped = med([r["dropped"] / max(1, r["total"]) * 100 for r in played])
        cpu = {k: med([r["cpu"].get(k, 0) / PLAY_SECONDS * 100 for r in played])
               for k in ("UI process", "web process", "network process")}
        print(f"video.webm from {source}: {med([r['total'] for r in played]):.0f} frames in "
              f"{PLAY_SECONDS:.0f} s, {dropped:.1f} % dropped; CPU "
              + ", ".join(f"{k} {v:.0f} %" for k, v in cpu.items()))
    for source in ("app", "blob"):
        for r in pick("video", "big.mkv", source):
            print(f"big.mkv (720 MB) from {source}: web process RSS {r['rss_kib'][0] / 1024:.0f} MiB at playing, "
                  f"{max(r['rss_kib']) / 1024:.0f} MiB at most while playing "
                  f"(+{(max(r['rss_kib']) - r['rss_kib'][0]) / 1024:.0f} MiB), "
                  f"played {r['media_time']:.1f} s")
    for r in runs:
        if not r["ok"] and r["file"] == "big.mkv":
            print(f"big.mkv (720 MB) from {r['source']}: not playing within 60 s, web process RSS "
                  f"up to {max(r['rss_before_kib']) / 1024:.0f} MiB meanwhile")


if __name__ == "__main__":
    main()
