"""The playback section of the benchmark report, from what bench/playback.py
wrote: tables of frame rate, frame times, the audio clock, the time to the
first frame, CPU time per process, and memory per process and scene."""
import statistics

from stats import f, med, paired, verdict

LABELS = {"player": "player", "floor": "floor", "chromium": "Chromium --app",
          "floor-cpu": "floor without compositing"}

MIB = 1024  # the samples are in KiB
# The demo's level of memory is taken this long after its first frame.
SETTLED_SECONDS = 10.0


# The player's frame rate against the floor with the engine's defaults: level
# where the page's own work sets the pace, and well ahead from 1280×720 on,
# where compositing a full-screen layer through a software rasterizer would.
def fps_goal(size):
    return 1.8 if size[0] * size[1] >= 1280 * 720 else 0.95








def percentile(values, share):
    """Nearest-rank percentile."""
    if not values:
        return None
    ordered = sorted(values)
    return ordered[max(0, min(len(ordered) - 1, int(-(-share * len(ordered) // 1)) - 1))]


def frame_stats(run, window):
    """Median frames per second over the window's one-second steps, the 99th
    percentile and worst frame time (ms), and the audio clock's rate over the
    window against wall time."""
    report = run.get("report")
    if not run.get("ok") or not report:
        return None
    origin = report["timeOrigin"]
    lo, hi = origin + window[0] * 1000, origin + window[1] * 1000
    frames = sorted(set(report["frames"]))
    intervals = [b - a for a, b in zip(frames, frames[1:]) if lo <= b < hi]
    steps = [0] * int(window[1] - window[0])
    for t in frames:
        if lo <= t < hi:
            steps[min(len(steps) - 1, int((t - lo) // 1000))] += 1
    audio = [a for a in report["audio"] if lo <= a[0] < hi]
    rate = None
    if len(audio) >= 2 and audio[-1][0] > audio[0][0]:
        rate = (audio[-1][1] - audio[0][1]) / ((audio[-1][0] - audio[0][0]) / 1000)
    return {"fps": statistics.median(steps), "p99": percentile(intervals, 0.99),
            "worst": max(intervals) if intervals else None, "audio": rate,
            "first_lit": report["firstLit"] / 1000 - run["started"]
            if report.get("firstLit") and report["firstLit"] > 0 else None,
            "first_draw": report["firstDraw"] / 1000 - run["started"]
            if report.get("firstDraw") else None,
            "viewport": report.get("viewport"), "canvas": report.get("canvas")}




def by_size(data):
    """{size: {program: [run, ...]}} in run order, so that the n-th runs of
    two programs at one size are the ones made side by side."""
    out = {}
    for run in data["fps"]:
        out.setdefault(tuple(run["size"]), {}).setdefault(run["program"], []).append(run)
    return out


def scene_at(scenes, t):
    for s in scenes:
        if s["start"] <= t < s["end"]:
            return s["name"]
    return None


def memory_by_scene(run):
    """For one memory run: {kind: {scene: peak PSS KiB}}, the tree's PSS
    and RSS per scene under the kinds "tree PSS" and "tree RSS", and each of
    them at SETTLED_SECONDS into the demo under the scene "at 10 s"."""
    report = run.get("report") or {}
    scenes = report.get("scenes") or []
    first = report.get("firstDraw")
    if not first or not scenes:
        return None
    out = {}
    settled = None
    for wall, sample in run["samples"]:
        t = wall - first / 1000
        values = {k: v[0] for k, v in sample.items()}
        values["tree PSS"] = sum(v[0] for v in sample.values())
        values["tree RSS"] = sum(v[1] for v in sample.values())
        name = scene_at(scenes, t)
        if name is None:
            continue
        for k, v in values.items():
            row = out.setdefault(k, {})
            row[name] = max(row.get(name, 0), v)
            row["peak"] = max(row.get("peak", 0), v)
        if settled is None and t >= SETTLED_SECONDS:
            settled = values
            for k, v in values.items():
                out[k]["at 10 s"] = v
    return out if settled else None


def playthrough(run):
    """For one memory run that reached the demo's end: seconds from the
    measured start to the exit title, the length the demo's timeline gives,
    and the rate of its song time against wall time over the whole run."""
    report = run.get("report") or {}
    song, scenes = report.get("song") or [], report.get("scenes") or []
    if not run.get("ok") or not report.get("ended") or len(song) < 2 or not scenes:
        return None
    return {"duration": report["ended"] / 1000 - run["started"], "length": scenes[-1]["end"],
            "rate": (song[-1][1] - song[0][1]) / ((song[-1][0] - song[0][0]) / 1000)}


def fps_by_scene(run):
    report = run.get("report") or {}
    scenes = report.get("scenes") or []
    first = report.get("firstDraw")
    if not first or not scenes:
        return {}
    out = {}
    for s in scenes:
        lo, hi = first + s["start"] * 1000, first + min(s["end"], s["start"] + 15) * 1000
        count = sum(1 for t in report["frames"] if lo <= t < hi)
        ended = report.get("ended") or (report["frames"][-1] if report["frames"] else 0)
        if hi <= ended:
            out[s["name"]] = count / ((hi - lo) / 1000)
    return out


def section(data):
    lines = []
    out = lines.append
    window = data["window"]
    sizes = by_size(data)
    n = max((len(runs) for s in sizes.values() for runs in s.values()), default=0)
    out(f"### 6. Playback: the bundled demo full screen ({n} interleaved runs of each "
        f"program at each size, frames from {window[0]:.0f} s to {window[1]:.0f} s after "
        "the start page request)")
    out("")
    goals = {"fps": True, "p99": True, "first": None, "audio": True}
    headline = {}
    for size, runs in sizes.items():
        stats = {p: [frame_stats(r, window) for r in rs] for p, rs in runs.items()}
        col = lambda p, k: [s[k] if s else None for s in stats.get(p, [])]  # noqa: E731
        out(f"**{size[0]}×{size[1]}**")
        out("")
        out("| | fps (median) | p99 frame | worst frame | audio clock / wall | runs ok |")
        out("| --- | ---: | ---: | ---: | ---: | ---: |")
        for p in LABELS:
            if p not in stats:
                continue
            ok = sum(1 for s in stats[p] if s)
            out(f"| {LABELS[p]} | {f(med(col(p, 'fps')), '{:.1f}')} | "
                f"{f(med(col(p, 'p99')), '{:.0f}')} ms | {f(med(col(p, 'worst')), '{:.0f}')} ms | "
                f"{f(med(col(p, 'audio')), '{:.4f}')} | {ok}/{len(stats[p])} |")
        out("")
        fps_pf = paired(col("player", "fps"), col("floor", "fps"))
        p99_pf = paired(col("player", "p99"), col("floor", "p99"))
        fps_pc = paired(col("player", "fps"), col("chromium", "fps"))
        fps_met = fps_pf is not None and fps_pf >= fps_goal(size)
        goals["fps"] &= fps_met
        goals["p99"] &= p99_pf is not None and p99_pf <= 1.10
        audio = med(col("player", "audio"))
        goals["audio"] &= audio is not None and abs(audio - 1) <= 0.01
        headline[size] = (med(col("player", "fps")), med(col("floor", "fps")),
                          med(col("chromium", "fps")))
        out(f"player / floor: fps **{f(fps_pf)}** (goal ≥ {fps_goal(size):.2f}: **{verdict(fps_met)}**), "
            f"p99 frame **{f(p99_pf)}** (goal ≤ 1.10: **{verdict(p99_pf is not None and p99_pf <= 1.10)}**). "
            f"player / Chromium: fps **{f(fps_pc)}**, p99 frame "
            f"{f(paired(col('player', 'p99'), col('chromium', 'p99')))}.")
        odd = {tuple(s["viewport"][:2]) for p in stats for s in stats[p]
               if s and s.get("viewport")} - {size}
        if odd:
            out("")
            out("Some runs did not fill the screen: the page saw a viewport of " +
                ", ".join(f"{w}×{h}" for w, h in sorted(odd)) + ".")
        out("")

    # ---- time to first frame
    every = {p: [] for p in LABELS}
    for runs in sizes.values():
        for p, rs in runs.items():
            every[p].extend(frame_stats(r, window) for r in rs)
    col = lambda p, k: [s[k] if s else None for s in every[p]]  # noqa: E731
    out(f"**Time to the first frame** (median of all {len(every['player'])} runs per program, "
        "all sizes): from the key press on Play for the player, from the start of the "
        "process for the floor and Chromium; the first frame the demo draws, and its "
        "first frame with lit pixels.")
    out("")
    out("| | first frame drawn | first lit frame |")
    out("| --- | ---: | ---: |")
    for p in LABELS:
        if every[p]:
            out(f"| {LABELS[p]} | {f(med(col(p, 'first_draw')))} s | "
                f"{f(med(col(p, 'first_lit')))} s |")
    out("")
    first_pf = paired(col("player", "first_lit"), col("floor", "first_lit"))
    goals["first"] = first_pf is not None and first_pf <= 1.10
    out(f"player / floor, first lit frame: **{f(first_pf)}** (goal ≤ 1.10: "
        f"**{verdict(goals['first'])}**).")
    out("")

    # ---- CPU
    out(f"**Where the CPU time goes** over the {window[1] - window[0]:.0f} s window (median "
        "CPU seconds per second, 1.00 being one core of the two), with the threads "
        "that take most:")
    out("")
    out("| size | program | process | CPU | busiest threads |")
    out("| --- | --- | --- | ---: | --- |")
    for size, runs in sizes.items():
        for p in LABELS:
            rs = [r for r in runs.get(p, []) if r.get("ok") and "cpu" in r]
            if not rs:
                continue
            kinds = sorted({k for r in rs for k in r["cpu"]},
                           key=lambda k: -med([r["cpu"].get(k, 0) for r in rs]))
            for k in kinds:
                share = med([r["cpu"].get(k, 0) / r["cpu_seconds"] for r in rs])
                if share < 0.02:
                    continue
                threads = {t for r in rs for t in r["threads"] if t.startswith(k + ": ")}
                top = sorted(((med([r["threads"].get(t, 0) / r["cpu_seconds"] for r in rs]), t)
                              for t in threads), reverse=True)[:3]
                names = ", ".join(f"{t[len(k) + 2:]} {v:.2f}" for v, t in top if v >= 0.02)
                out(f"| {size[0]}×{size[1]} | {LABELS[p]} | {k} | {share:.2f} | {names} |")
    out("")

    # ---- memory
    mem = {}
    for run in data.get("memory", []):
        table = memory_by_scene(run)
        if table:
            mem.setdefault(run["program"], []).append(table)
    scene_names = []
    for run in data.get("memory", []):
        for s in (run.get("report") or {}).get("scenes") or []:
            if s["name"] not in scene_names:
                scene_names.append(s["name"])
    w, h = data["memory_size"]
    rises = {}
    if mem:
        m = max(len(v) for v in mem.values())
        out(f"**Memory through the whole demo** at {w}×{h} ({m} interleaved runs each; "
            "MiB, the median over runs of the highest value sampled, once a second, in each "
            "scene; PSS counts a page shared by several processes once in all):")
        out("")
        for p in LABELS:
            if p not in mem:
                continue
            columns = ["at 10 s", *scene_names, "peak"]
            out(f"{LABELS[p]}:")
            out("")
            out("| process | " + " | ".join(columns) + " |")
            out("| --- |" + " ---: |" * len(columns))
            kinds = sorted({k for t in mem[p] for k in t} - {"tree PSS", "tree RSS"},
                           key=lambda k: -med([t.get(k, {}).get("peak") for t in mem[p]]))
            for k in [*kinds, "tree PSS", "tree RSS"]:
                cells = [med([t.get(k, {}).get(c) for t in mem[p]]) for c in columns]
                if k not in ("tree PSS", "tree RSS") and (cells[-1] or 0) < MIB:
                    continue
                name = f"**{k}**" if k.startswith("tree") else f"{k} PSS"
                out(f"| {name} | " + " | ".join(f(v / MIB if v else None, "{:.0f}")
                                               for v in cells) + " |")
            out("")
            rises[p] = med([max(v for c, v in t["tree PSS"].items() if c != "at 10 s")
                            - t["tree PSS"]["at 10 s"] for t in mem[p]])
        peak = {p: med([t["tree PSS"]["peak"] for t in mem[p]]) for p in mem}
        out("Largest rise of the tree's PSS above its level 10 s into the demo: " +
            ", ".join(f"{LABELS[p]} {f(rises[p] / MIB, '{:.0f}')} MiB" for p in rises) +
            (f"; goal for the player ≤ 64 MiB: **{verdict(rises['player'] <= 64 * MIB)}**"
             if "player" in rises else "") + ". Peak PSS of the tree over the whole demo: " +
            ", ".join(f"{LABELS[p]} {f(peak[p] / MIB, '{:.0f}')} MiB" for p in peak) + ".")
        out("")
        through = {}
        for run in data.get("memory", []):
            if (p := playthrough(run)) is not None:
                through.setdefault(run["program"], []).append(p)
        if through:
            length = next(iter(through.values()))[0]["length"]
            out(f"**The demo played through** in the same runs (its timeline is {length:.2f} s "
                "long; sound to a PulseAudio null sink): seconds from the key press on Play for "
                "the player, from the start of the process for the floor and Chromium, to the "
                "demo's exit title; and the rate of the demo's song time against wall time "
                "over the whole run.")
            out("")
            out("| | from start to exit title (median) | runs | song time / wall |")
            out("| --- | ---: | ---: | ---: |")
            for p, ps in through.items():
                out(f"| {LABELS[p]} | {f(med([x['duration'] for x in ps]))} s | {len(ps)} | "
                    f"{f(med([x['rate'] for x in ps]), '{:.4f}')} |")
            out("")
            player = through.get("player", [])
            goals["length"] = bool(player) and all(abs(x["duration"] - x["length"]) <= 3
                                                  for x in player)
            goals["song"] = bool(player) and all(abs(x["rate"] - 1) <= 0.01 for x in player)
        scene_fps = {}
        for run in data.get("memory", []):
            for name, v in fps_by_scene(run).items():
                scene_fps.setdefault(run["program"], {}).setdefault(name, []).append(v)
        if scene_fps:
            out(f"Frames per second per scene in the same runs ({w}×{h}, the first 15 s "
                "of each scene):")
            out("")
            out("| scene | " + " | ".join(LABELS[p] for p in scene_fps) + " |")
            out("| --- |" + " ---: |" * len(scene_fps))
            for name in scene_names:
                out(f"| {name} | " + " | ".join(f(med(scene_fps[p].get(name, [])), "{:.1f}")
                                                 for p in scene_fps) + " |")
            out("")
    verdicts = {"player fps ≥ 1.8× floor from 1280×720 on, ≥ 0.95× below": goals["fps"],
                "player p99 frame ≤ 1.1× floor at every size": goals["p99"],
                "time to first frame ≤ 1.1× floor": goals["first"],
                "player audio clock within 1 % of wall time": goals["audio"]}
    if "length" in goals:
        verdicts["the demo ends within 3 s of its length after Play, in the player"] = goals["length"]
        verdicts["the player's song time within 1 % of wall time"] = goals["song"]
    if "player" in rises:
        verdicts["no scene raises the player's PSS > 64 MiB over its 10 s level"] = (
            rises["player"] is not None and rises["player"] <= 64 * MIB)
    out("Goals: " + "; ".join(f"{k}: **{verdict(v)}**" for k, v in verdicts.items()) + ".")
    out("")
    return lines, headline


if __name__ == "__main__":
    # The section alone, from what bench/playback.py wrote: playback_report.py OUT.json
    import json
    import sys
    print("\n".join(section(json.loads(open(sys.argv[1]).read()))[0]))
