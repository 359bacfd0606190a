#!/usr/bin/env bash
# One romaji keystroke, measured in the same run with the project's matcher
# (bench_input) and with a JavaScript romaji matcher from npm, over the same
# round-5 sentences, each typed along its own preferred spelling. Prints the
# median time per keystroke of each, and the project's ratio against the
# peer (below 1: the project is faster):
#
#   steady  matchers made beforehand (BM_KeystrokeSteady; the peer's objects
#           made outside the timing)
#   fresh   a new matcher per sentence inside the timing
#           (BM_KeystrokeWithMatcher; the peer's objects likewise)
#
# Per keystroke the project answers input, next, expectedInput, hints
# (limit 3) and completed characters; the peer takes the key, and in a
# second figure is also asked for its remaining romaji (what a host would
# draw). The ratio against the key alone is the stricter one.
#
#   bench/compare_keystroke.sh [REPETITIONS]
#
# REPETITIONS (default 10) applies to the peer; bench_input repeats 10
# times. The peer is installed with npm into a temporary directory that is
# removed at the end: it serves this measurement only and nothing of it
# enters the repository. Without node or npm the script says so and exits 0.
# Builds bench_input (Release) in build/bench first.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
repetitions=${1:-10}
build="$root/build/bench"
peer="@mogamoga1024/typing-jp@1.2.4"

for tool in node npm; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "compare_keystroke: $tool is not installed; no comparison with $peer made."
    exit 0
  fi
done

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTAVRO_BUILD_TESTS=OFF -DTAVRO_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" --target bench_input >/dev/null
program="$build/bench/bench_input"

work=$(mktemp -d "${TMPDIR:-/tmp}/compare-keystroke-XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "installing $peer into $work ..." >&2
(cd "$work" && npm init -y >/dev/null && npm install --no-audit --no-fund --loglevel=error "$peer" >/dev/null)

"$program" --sentences >"$work/sentences.txt"

cat >"$work/peer.mjs" <<'JS'
import { readFileSync } from "node:fs";

const module = await import("@mogamoga1024/typing-jp");
const TypingText = module.TypingText ?? module.default?.TypingText;
const sentences = readFileSync(process.argv[2], "utf8").split("\n").filter((line) => line.length > 0);
const repetitions = Number(process.argv[3]);
const spellings = sentences.map((sentence) => new TypingText(sentence).roman);
const keystrokes = spellings.reduce((sum, spelling) => sum + spelling.length, 0);
const rounds = 40;  // rounds of all sentences per repetition
let sink = 0;

function type(texts, remaining) {
  for (let index = 0; index < texts.length; ++index) {
    const text = texts[index];
    const spelling = spellings[index % spellings.length];
    for (const key of spelling) {
      if (text.inputKey(key) === "unmatch") throw new Error(`"${key}" refused in ${sentences[index % sentences.length]}`);
      if (remaining) sink += text.remainingRoman.length;
    }
  }
}

function build() {
  const texts = [];
  for (let round = 0; round < rounds; ++round) for (const sentence of sentences) texts.push(new TypingText(sentence));
  return texts;
}

function microsecondsPerKeystroke(start) {
  return Number(process.hrtime.bigint() - start) / 1000 / (rounds * keystrokes);
}

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = sorted.length >> 1;
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

for (let warm = 0; warm < 3; ++warm) {
  type(build(), false);
  type(build(), true);
}
const times = { steady: [], fresh: [], steadyRemaining: [], freshRemaining: [] };
for (let repetition = 0; repetition < repetitions; ++repetition) {
  for (const remaining of [false, true]) {
    const texts = build();
    let start = process.hrtime.bigint();
    type(texts, remaining);
    times[remaining ? "steadyRemaining" : "steady"].push(microsecondsPerKeystroke(start));
    start = process.hrtime.bigint();
    type(build(), remaining);
    times[remaining ? "freshRemaining" : "fresh"].push(microsecondsPerKeystroke(start));
  }
}
const out = { keystrokes, sink: sink > 0 };
for (const [name, values] of Object.entries(times)) out[name] = median(values);
console.log(JSON.stringify(out));
JS

echo "measuring the peer ..." >&2
node "$work/peer.mjs" "$work/sentences.txt" "$repetitions" >"$work/peer.json"
echo "measuring bench_input ..." >&2
"$program" --benchmark_filter='BM_Keystroke(Steady|WithMatcher)/' \
  --benchmark_out="$work/ours.json" --benchmark_out_format=json >/dev/null

python3 - "$work/peer.json" "$work/ours.json" "$peer" <<'PY'
import json, sys

peer = json.load(open(sys.argv[1]))
ours = {}
for run in json.load(open(sys.argv[2]))["benchmarks"]:
    if run.get("aggregate_name") == "median":
        ours[run["run_name"].split("/")[0]] = run["real_time"]  # microseconds

print(f"one romaji keystroke, median wall time over repetitions; peer {sys.argv[3]} on node,")
print(f"{peer['keystrokes']} keys per round of sentences. ratio = bench_input / peer")
print(f"{'':8} {'bench_input':>14} {'peer: key':>12} {'ratio':>7} {'peer: key+remaining':>21} {'ratio':>7}")
for label, name in (("steady", "BM_KeystrokeSteady"), ("fresh", "BM_KeystrokeWithMatcher")):
    mine, key, both = ours[name], peer[label], peer[label + "Remaining"]
    print(f"{label:8} {mine:11.3f} us {key:9.3f} us {mine / key:7.2f} {both:18.3f} us {mine / both:7.2f}")
PY
