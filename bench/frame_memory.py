#!/usr/bin/env python3
"""What fresh memory costs on this machine, the cost that sets the frame rate
of the engine's drawing without compositing.

Drawing without compositing, the web process paints every frame into a new
shared-memory bitmap the size of the view, which the UI process maps, copies
and unmaps: each page of it is faulted in anew for every frame. On most
machines that is cheap; on a virtual machine whose page tables go through the
hypervisor it can cost more than the painting itself, and then the frame rate
of that path falls with it. This prints, for a frame at each size, the median
time to write a new shared mapping of that size (create, map, write, unmap,
as the engine does each frame) against writing the same bytes into a mapping
made once, so frame rates measured on two machines can be set side by side.

    frame_memory.py [WxH ...]        (default: 1280x720 1920x1080)
"""
import mmap
import os
import statistics
import sys
import time

ROUNDS = 30


def fresh(size, payload):
    fd = os.memfd_create("velmorin-frame")
    try:
        os.ftruncate(fd, size)
        with mmap.mmap(fd, size) as frame:
            frame[:] = payload
    finally:
        os.close(fd)


def median_ms(action):
    times = []
    for _ in range(ROUNDS):
        start = time.perf_counter()
        action()
        times.append((time.perf_counter() - start) * 1000)
    return statistics.median(times)


def main():
    sizes = sys.argv[1:] or ["1280x720", "1920x1080"]
    for text in sizes:
        width, height = (int(v) for v in text.split("x"))
        size = width * height * 4
        payload = bytes([1]) * size
        with mmap.mmap(-1, size) as kept:
            reused = median_ms(lambda: kept.__setitem__(slice(None), payload))
        new = median_ms(lambda: fresh(size, payload))
        print(f"frame memory {width}x{height} ({size / 1e6:.1f} MB): "
              f"new mapping {new:.2f} ms, mapping reused {reused:.2f} ms ({new / reused:.0f}x)")


if __name__ == "__main__":
    main()
