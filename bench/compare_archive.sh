#!/bin/sh
# Times reading and saving the 100,000-attempt score archive against
# Python's json.load and json.dump of the same file, in the same run, and
# prints the ratios (ours / Python; below 1 means faster than Python).
#
# Usage: bench/compare_archive.sh   (from the repository root; builds
# bench_history in build/bench if it is not there yet)
set -eu

BENCH_DIR=${BENCH_DIR:-build/bench}
REPETITIONS=${REPETITIONS:-5}
program="$BENCH_DIR/bench/bench_history"
if [ ! -x "$program" ]; then
  cmake -S . -B "$BENCH_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVRO_BUILD_TESTS=OFF -DTAVRO_BUILD_BENCHMARKS=ON >/dev/null
  cmake --build "$BENCH_DIR" --target bench_history >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
"$program" --write-sample="$work/archive.json"

"$program" --benchmark_filter='BM_Archive(Read|Save)100k' --benchmark_repetitions="$REPETITIONS" \
  --benchmark_format=json >"$work/ours.json" 2>/dev/null

python3 - "$work" "$REPETITIONS" <<'PYTHON'
import json, os, statistics, sys, time

work, repetitions = sys.argv[1], int(sys.argv[2])
path = os.path.join(work, "archive.json")
size = os.path.getsize(path)

def timed(action):
    runs = []
    for _ in range(repetitions):
        start = time.perf_counter()
        action()
        runs.append((time.perf_counter() - start) * 1000)
    return min(runs), statistics.median(runs), max(runs)

def load():
    with open(path, encoding="utf-8") as f:
        return json.load(f)

document = load()
target = os.path.join(work, "python.json")

def dump():
    # The same work as the archive's save: compact JSON written to a
    # temporary file, flushed to disk and renamed over the old one.
    temporary = target + ".tmp"
    with open(temporary, "w", encoding="utf-8") as f:
        json.dump(document, f, separators=(",", ":"), ensure_ascii=False)
        f.flush()
        os.fsync(f.fileno())
    os.replace(temporary, target)

python = {"read": timed(load), "save": timed(dump)}

with open(os.path.join(work, "ours.json")) as f:
    results = json.load(f)["benchmarks"]

def ours(name):
    runs = []
    for row in results:
        if row["run_name"].startswith(name) and row.get("run_type") == "iteration":
            factor = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1000.0}[row["time_unit"]]
            runs.append(row["real_time"] * factor)
    if not runs:
        raise SystemExit(f"no result for {name}")
    return min(runs), statistics.median(runs), max(runs)

print(f"archive: {len(document['attempts'])} attempts, {size / 1e6:.1f} MB, {repetitions} runs each")
print(f"{'':28}{'median ms':>10}{'min ms':>10}{'max ms':>10}")
for label, name, key in (("read", "BM_ArchiveRead100k", "read"), ("save", "BM_ArchiveSave100k", "save")):
    low, median, high = python[key]
    print(f"{'Python json.' + ('load' if key == 'read' else 'dump'):28}{median:10.1f}{low:10.1f}{high:10.1f}")
    low, mine, high = ours(name)
    print(f"{name:28}{mine:10.1f}{low:10.1f}{high:10.1f}")
    print(f"  ratio {label} (ours / Python, medians): {mine / median:.2f}")
PYTHON
