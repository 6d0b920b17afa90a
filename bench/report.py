#!/usr/bin/env python3
"""Turns the benchmark results into the table printed by bench/run.sh and
written to docs/benchmarks.md.

    report.py MICRO_JSON PROCESS_JSON INSTALL_DIR DOC [PLAYBACK_JSON]
"""
import datetime
import json
import os
import platform
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import playback_report  # noqa: E402
from stats import f, med, paired, verdict  # noqa: E402

BEGIN, END = "<!-- results: begin -->", "<!-- results: end -->"


def sh(*cmd):
    try:
        return subprocess.run(cmd, capture_output=True, text=True).stdout.strip()
    except OSError:
        return ""


def machine_section(out):
    """The machine the figures come from."""
    cpu = sh("sh", "-c", "grep -m1 'model name' /proc/cpuinfo | cut -d: -f2").strip()
    mem_kib = int(sh("sh", "-c", "grep MemTotal /proc/meminfo | tr -s ' ' | cut -d' ' -f2") or 0)
    machine = [
        ("CPU", cpu),
        ("Cores", str(os.cpu_count())),
        ("RAM", f"{mem_kib / 2**20:.1f} GiB"),
        ("Kernel", platform.release()),
        ("Debian", Path("/etc/debian_version").read_text().strip()),
        ("WebKitGTK", sh("pkg-config", "--modversion", "webkitgtk-6.0")),
        ("GTK", sh("pkg-config", "--modversion", "gtk4")),
        ("Chromium", sh("dpkg-query", "-W", "-f=${Version}", "chromium")),
        ("Load average at the end", " ".join(Path("/proc/loadavg").read_text().split()[:3])),
        ("Date", datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")),
    ]
    out("| Machine | |")
    out("| --- | --- |")
    for k, v in machine:
        out(f"| {k} | {v} |")
    out("")


def startup_section(out, proc):
    if "startup" in proc:
        s = proc["startup"]
        p, fl, c = med(s["player"]), med(s["floor"]), med(s["chromium"])
        ratio = paired(s["player"], s["floor"])
        out(f"### 1. Start-up to exit ({len(s['player'])} interleaved runs each, wall seconds)")
        out("")
        out("| | median | runs ok |")
        out("| --- | ---: | ---: |")
        for name, key in (("player (self-test mode, app:)", "player"),
                          ("floor (GTK 4 + WebKitGTK, file:)", "floor"),
                          ("Chromium headless --dump-dom, file:", "chromium")):
            out(f"| {name} | {f(med(s[key]), '{:.3f}')} s | "
                f"{sum(1 for v in s[key] if v)}/{len(s[key])} |")
        out("")
        out(f"player / floor: **{f(ratio)}** (median of paired runs; ratio of medians "
            f"{f(p / fl if p and fl else None)}), goal ≤ 1.10: "
            f"**{verdict(ratio is not None and ratio <= 1.10)}**. "
            f"player / Chromium: {f(paired(s['player'], s['chromium']))}.")
        out("")


def throughput_section(out, proc):
    if "throughput" in proc:
        n = len(proc["throughput"][0]["player"])
        out(f"### 2. app: throughput ({n} interleaved runs each, MiB/s measured in the page)")
        out("")
        out("| case | app: (player) | file: (floor) | app: / file: | goal ≥ 0.9 |")
        out("| --- | ---: | ---: | ---: | --- |")
        for case in proc["throughput"]:
            a, b = med(case["player"]), med(case["floor"])
            r = paired(case["player"], case["floor"])
            out(f"| {case['label']} | {f(a, '{:.1f}')} | {f(b, '{:.1f}')} | {f(r)} | "
                f"{verdict(r is not None and r >= 0.9)} |")
        out("")
        partial = sum(c["player_partial"] for c in proc["throughput"])
        if partial:
            out(f"{partial} player run(s) had not finished when the self-test probed the page "
                "at 4 s; their rate is the bytes received so far over the time so far.")
            out("")
        out("CPU seconds per process over one run (median), app: vs file::")
        out("")
        out("| case | process | player | floor |")
        out("| --- | --- | ---: | ---: |")
        for case in proc["throughput"]:
            names = sorted({k for d in case.get("player_cpu", []) + case.get("floor_cpu", [])
                            for k in d})
            for name in names:
                pc = med([d.get(name, 0.0) for d in case.get("player_cpu", [])])
                fc = med([d.get(name, 0.0) for d in case.get("floor_cpu", [])])
                out(f"| {case['label']} | {name} | {f(pc)} | {f(fc)} |")
        out("")


def micro_section(out, micro):
    rows = {b["run_name"]: b for b in micro["benchmarks"] if b.get("aggregate_name") == "median"}


    def us(name):
        b = rows.get(name)
        if not b:
            return None
        scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[b["time_unit"]]
        return b["cpu_time"] * scale


    def per_sample(name):
        b = rows.get(name)
        return b["per_sample"] * 1e9 if b and "per_sample" in b else None


    out("### 3. Lit-pixel measure (Google Benchmark, median CPU time of 5 repetitions)")
    out("")
    out("| size | measureLitPixels | ns/sample | floor loop | ns/sample | measure / floor | "
        "integer loop | texture → Bitmap | texture → measure |")
    out("| --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |")
    for w, h in ((640, 360), (1920, 1080), (3840, 2160)):
        k = f"w:{w}/h:{h}"
        m, fl = us(f"measure/{k}"), us(f"floorLoop/{k}")
        out(f"| {w}×{h} | {f(m, '{:.0f}')} µs | {f(per_sample(f'measure/{k}'))} | "
            f"{f(fl, '{:.0f}')} µs | {f(per_sample(f'floorLoop/{k}'))} | "
            f"{f(m / fl if m and fl else None)} | {f(us(f'integerFloorLoop/{k}'), '{:.0f}')} µs | "
            f"{f(us(f'textureToBitmap/{k}'), '{:.0f}')} µs | "
            f"{f(us(f'textureMeasure/{k}'), '{:.0f}')} µs |")
    out("")
    m4 = us("measure/w:3840/h:2160")
    r4 = [per_sample(f"measure/w:{w}/h:{h}") / per_sample(f"floorLoop/w:{w}/h:{h}")
          for w, h in ((640, 360), (1920, 1080), (3840, 2160))
          if per_sample(f"measure/w:{w}/h:{h}") and per_sample(f"floorLoop/w:{w}/h:{h}")]
    out(f"3840×2160 under 1 ms: **{verdict(m4 is not None and m4 < 1000)}** ({f(m4, '{:.0f}')} µs). "
        f"Time per sample within 2× of the floor: **{verdict(bool(r4) and max(r4) <= 2)}** "
        f"(worst {f(max(r4) if r4 else None)}×).")
    out("")
    out("Answering one app: request on the main thread (DemoFiles::startTask, whole-file read, "
        "median CPU time): "
        f"256 KiB {f(us('startTask256KiB'), '{:.1f}')} µs, 64 MiB {f(us('startTask64MiB'), '{:.0f}')} µs.")
    out("")


def memory_section(out, proc):
    if "memory" in proc:
        m = proc["memory"]
        P, F, C = med(m["player"]), med(m["floor"]), med(m["chromium"])
        out(f"### 4. Peak resident memory of the process tree, demo playing 10 s at 1440×810 "
            f"({len(m['player'])} interleaved runs each)")
        out("")
        out("| | median peak RSS |")
        out("| --- | ---: |")
        for name, v in (("player", P), ("floor", F), ("Chromium --app", C)):
            out(f"| {name} | {f(v / 2**20 if v else None, '{:.0f}')} MiB |")
        out("")
        rf, rc = paired(m["player"], m["floor"]), paired(m["player"], m["chromium"])
        out(f"player / floor: **{f(rf)}**, goal ≤ 1.05: **{verdict(rf is not None and rf <= 1.05)}**. "
            f"player / Chromium: **{f(rc)}**, goal ≤ 0.5: **{verdict(rc is not None and rc <= 0.5)}**.")
        out("")


def size_section(out, install):
    exe = install / "bin" / "velmorin-hd"
    demo = install / "share" / "velmorin-hd" / "demo"
    exe_size = exe.stat().st_size if exe.exists() else 0
    demo_size = sum(p.stat().st_size for p in demo.rglob("*") if p.is_file()) if demo.exists() else 0
    chromium_kib = sh("dpkg-query", "-W", "-f=${Installed-Size}", "chromium")
    webkit_lib = sh("sh", "-c", "readlink -f $(pkg-config --variable=libdir webkitgtk-6.0)/libwebkitgtk-6.0.so")
    jsc_lib = sh("sh", "-c", "readlink -f $(pkg-config --variable=libdir javascriptcoregtk-6.0)/libjavascriptcoregtk-6.0.so")
    out("### 5. Size")
    out("")
    out("| | bytes |")
    out("| --- | ---: |")
    out(f"| installed bundle (stripped executable + demo) | {exe_size + demo_size:,} |")
    out(f"| — executable, stripped | {exe_size:,} |")
    out(f"| — demo | {demo_size:,} |")
    if chromium_kib:
        out(f"| Chromium package, installed size | {int(chromium_kib) * 1024:,} |")
    for lib in (webkit_lib, jsc_lib):
        if lib and Path(lib).exists():
            out(f"| {Path(lib).name} (shared, not part of the bundle) | {Path(lib).stat().st_size:,} |")
    out("")


def write_into(doc, table):
    """Puts the table between the result markers of the document, or makes
    the document when it has none. A document with one marker without the
    other is left alone: what follows the lone marker is written by hand."""
    text = doc.read_text() if doc.exists() else ""
    begin, end = text.find(BEGIN), text.find(END)
    if begin >= 0 and end > begin:
        text = text[:begin + len(BEGIN)] + "\n" + table + "\n" + text[end:]
    elif begin >= 0 or end >= 0:
        raise SystemExit(f"{doc} has one results marker without the other (or the two out of "
                         f"order): put {BEGIN} and {END} around its results section")
    else:
        text = "# Benchmarks\n\nWritten by `bench/run.sh`.\n\n" + BEGIN + "\n" + table + "\n" + END + "\n"
    doc.write_text(text)


def main(argv):
    micro_path, process_path, install_dir, doc_path = argv[1:5]
    playback_path = Path(argv[5]) if len(argv) > 5 else None
    micro = json.loads(Path(micro_path).read_text())
    proc = json.loads(Path(process_path).read_text())

    lines = []
    out = lines.append
    machine_section(out)
    startup_section(out, proc)
    throughput_section(out, proc)
    micro_section(out, micro)
    memory_section(out, proc)
    size_section(out, Path(install_dir))
    if playback_path and playback_path.exists():
        lines.extend(playback_report.section(json.loads(playback_path.read_text()))[0])

    table = "\n".join(lines)
    print(table)
    write_into(Path(doc_path), table)


if __name__ == "__main__":
    main(sys.argv)
