#!/usr/bin/env bash
# Extraction of one large update archive, measured in the same run with the
# project's extractor (bench_extract), Info-ZIP `unzip -qq` and Python's
# `zipfile.extractall`. Prints min/median/max wall time and peak memory of
# each, and the project's ratios against the two others.
#
#   bench/compare_extract.sh [RUNS [ARCHIVE]]
#
# RUNS defaults to 5. Without ARCHIVE it builds one of about 245 MiB: some
# 2,000 files, text and binary, deflated by `zip -X -r`. Builds bench_extract
# (Release) in build/bench first. Work files go to a temporary directory that
# is removed at the end. Needs zip, unzip, python3 and GNU time.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
archive=${2:-}
build="$root/build/bench"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTAVRO_BUILD_TESTS=OFF -DTAVRO_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" --target bench_extract >/dev/null
program="$build/bench/bench_extract"

work=$(mktemp -d "${TMPDIR:-/tmp}/compare-extract-XXXXXX")
trap 'rm -rf "$work"' EXIT

if [ -z "$archive" ]; then
  echo "building the archive..." >&2
  python3 - "$work/source" <<'PY'
import os, random, sys

root = os.path.join(sys.argv[1], "BRELVA Tavro.app", "Contents")
rng = random.Random(20261210)
KiB, MiB = 1024, 1024 * 1024

def write(path, data, mode=0o644):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    os.chmod(path, mode)

# Text: slices of a block of random words (compresses about 2:1).
words = ["".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 10)))
         for _ in range(5000)]
lines, size = [], 0
while size < 4 * MiB:
    line = " ".join(rng.choices(words, k=rng.randint(4, 14))) + "\n"
    lines.append(line)
    size += len(line)
text = "".join(lines).encode()

write(os.path.join(root, "Info.plist"), b"<?xml version=\"1.0\"?>\n<plist><dict/></plist>\n")
write(os.path.join(root, "MacOS", "Tavro"), os.urandom(40 * MiB), 0o755)
count = 2
for i in range(700):  # binary resources, about 123 MiB
    size = 20 * KiB + (i * 7919) % (320 * KiB)
    write(os.path.join(root, "Resources", f"Assets{i // 50}", f"asset{i}.bin"), rng.randbytes(size))
    count += 1
for i in range(1300):  # text resources, about 165 MiB
    size = 10 * KiB + (i * 104729) % (240 * KiB)
    start = (i * 7919 * 13) % (len(text) - size)
    write(os.path.join(root, "Resources", f"Texts{i // 50}.lproj", f"text{i}.strings"), text[start:start + size])
    count += 1
print(f"{count} files", file=sys.stderr)
PY
  (cd "$work/source" && zip -q -X -r "$work/update.zip" "BRELVA Tavro.app")
  rm -rf "$work/source"
  archive="$work/update.zip"
fi

python3 - "$program" "$archive" "$work" "$runs" <<'PY'
import os, shutil, statistics, subprocess, sys, time, zipfile

program, archive, work, runs = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
tools = {
    "tavro": [program, archive],
    "unzip": ["unzip", "-qq", archive, "-d"],
    "python": [sys.executable, "-c",
               "import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])", archive],
}

def run(name, destination):
    shutil.rmtree(destination, ignore_errors=True)
    os.mkdir(destination)
    os.sync()  # earlier runs' dirty pages must not be written back during this one
    # GNU time reports the peak memory: a child of this interpreter would
    # inherit the interpreter's own peak across exec.
    report = os.path.join(work, "time-report")
    command = ["/usr/bin/time", "-f", "%M", "-o", report] + tools[name] + [destination]
    start = time.perf_counter()
    status = subprocess.run(command).returncode
    elapsed = time.perf_counter() - start
    if status != 0:
        sys.exit(f"{name} failed with status {status}")
    with open(report) as f:
        return elapsed, int(f.read().split()[-1]) / 1024  # MiB

with zipfile.ZipFile(archive) as z:
    infos = z.infolist()
largest = max(i.compress_size for i in infos) / 2**20
print(f"archive: {os.path.getsize(archive) / 2**20:.1f} MiB, {len(infos)} members, "
      f"{sum(i.file_size for i in infos) / 2**20:.1f} MiB expanded, largest stored member {largest:.1f} MiB")

# Warm-up (archive in the page cache) and a check that the outputs agree.
for name in tools:
    run(name, os.path.join(work, "check-" + name))
if subprocess.run(["diff", "-rq", os.path.join(work, "check-tavro"), os.path.join(work, "check-unzip")]).returncode:
    sys.exit("the extracted trees differ")
for name in tools:
    shutil.rmtree(os.path.join(work, "check-" + name))

times = {name: [] for name in tools}
memory = {name: [] for name in tools}
for round in range(runs):
    order = list(tools)[round % 3:] + list(tools)[:round % 3]
    for name in order:
        elapsed, rss = run(name, os.path.join(work, "out"))
        times[name].append(elapsed)
        memory[name].append(rss)
shutil.rmtree(os.path.join(work, "out"), ignore_errors=True)

print(f"{'tool':8} {'min s':>8} {'median s':>9} {'max s':>8} {'peak MiB':>9}   ({runs} runs)")
for name in tools:
    t = times[name]
    print(f"{name:8} {min(t):8.3f} {statistics.median(t):9.3f} {max(t):8.3f} {max(memory[name]):9.1f}")
for other in ("unzip", "python"):
    print(f"ratio tavro/{other}: median {statistics.median(times['tavro']) / statistics.median(times[other]):.3f}, "
          f"min {min(times['tavro']) / min(times[other]):.3f}")
print(f"tavro peak memory {max(memory['tavro']):.1f} MiB = largest stored member {largest:.1f} MiB "
      f"+ {max(memory['tavro']) - largest:.1f} MiB")
PY
