#!/usr/bin/env python3
"""gles_budgets: the fixed-function layer's frame-time budget.

bench_effects_motion of the gles preset (the demo drawn through platform/gles on
OpenGL ES 3.0) against the release preset's (the driver's own fixed function), on
the same machine in one run: each scene is timed on one side and then the other,
RUNS times over, so that both sides meet the same conditions, and the best frame_ms
of each scene on each side counts. Through the layer a scene may take at most 1.15
times the driver's time. Exits 1 when a scene is over. Time only on a quiet machine:
no build or other benchmark beside it.

usage: bench/gles_budgets.py [--runs N] [--release BENCH] [--gles BENCH]
Run from the checkout after building the release and gles presets.
"""
import argparse
import json
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUDGET = 1.15


def run(bench, *arguments):
    env = dict(os.environ, SDL_VIDEODRIVER="offscreen")
    return subprocess.run([bench, *arguments], env=env, check=True, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, text=True).stdout


def frame_time(bench, benchmark):
    """The scene's label and frame_ms from one run of one benchmark of a bench_effects_motion."""
    result = json.loads(run(bench, f"--benchmark_filter=^{benchmark}$", "--benchmark_format=json"))["benchmarks"][0]
    return result["label"], result["frame_ms"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--release", default=os.path.join(ROOT, "build/release/bench/bench_effects_motion"))
    parser.add_argument("--gles", default=os.path.join(ROOT, "build/gles/bench/bench_effects_motion"))
    args = parser.parse_args()
    for bench in (args.release, args.gles):
        if not os.access(bench, os.X_OK):
            sys.exit(f"gles_budgets: no benchmark at {bench} (build the release and gles presets)")

    benchmarks = run(args.release, "--benchmark_list_tests").split()
    best = {"release": {}, "gles": {}}
    for turn in range(args.runs):
        print(f"run {turn + 1} of {args.runs}", file=sys.stderr)
        for benchmark in benchmarks:
            for side in ("release", "gles"):
                scene, ms = frame_time(getattr(args, side), benchmark)
                best[side][scene] = min(ms, best[side].get(scene, ms))

    print(f"frame time per scene, ms, the best of {args.runs} runs (bench_effects_motion, 640 x 480):")
    print("  scene     release   gles (layer)   ratio")
    over = 0
    for scene in sorted(best["release"], key=lambda label: int(label.split()[-1])):
        driver, layer = best["release"][scene], best["gles"][scene]
        ratio = layer / driver
        over += ratio > BUDGET
        print(f"  {scene.split()[-1]:>5} {driver:11.1f} {layer:14.1f} {ratio:7.2f}{'  OVER' if ratio > BUDGET else ''}")
    print(f"every scene at most {BUDGET}x the driver's time: " +
          ("within budget" if not over else f"OVER budget in {over} scene(s)"))
    return 1 if over else 0


if __name__ == "__main__":
    sys.exit(main())
