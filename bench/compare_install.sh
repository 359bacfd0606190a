#!/usr/bin/env bash
# End-to-end installation time for a 100 MiB update of about 1,000 files:
# the installer (verifying the candidate at every stage, syncing what it
# writes) against the unsafe baseline `sha256sum` + `unzip` + `mv` on the
# same files in the same run. Also times the pieces the installer is made
# of, to show where its time goes.
#
# Usage: bench/compare_install.sh [BUILD_DIR] [RUNS]
#   BUILD_DIR  a Release tree with the tests enabled (default build/release;
#              configured and built here when needed)
#   RUNS       timed runs of each side (default 5)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
runs=${2:-5}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target TavroUpdateInstaller TavroUpdateInstallerStandInLauncher \
  tavro-make-signing-identity >/dev/null
build=$(cd "$build" && pwd)
tools="$build/Platform/tools"
# The test applications carry an arm64 executable, which this machine may
# not start; the installer built with the stand-in launcher records the
# start instead. Every other step is the shipped installer's.
installer="$build/tests/installation/TavroUpdateInstallerStandInLauncher"

work=$(mktemp -d "${TMPDIR:-/tmp}/tavro-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/keys" "$work/source" "$work/Downloads"

certificate=$("$build/tests/installation/tavro-make-signing-identity" "$work/keys" maker)

# Two bundles of the same shape: half text (compressible), half binary
# (random), 1,000 files, 100 MiB in all.
python3 - "$work/source" <<'PY'
import os, random, sys
root = sys.argv[1]
random.seed(1210)
words = b"romaji kana hiragana katakana typing lesson prompt round finger keyboard speed accuracy ".split()
for version, build in (("1.6.3", "18"), ("1.6.4", "19")):
    bundle = os.path.join(root, version, "BRELVA Tavro.app")
    os.makedirs(os.path.join(bundle, "Contents/MacOS"))
    with open(os.path.join(bundle, "Contents/Info.plist"), "w") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0"><dict>'
                '<key>CFBundleIdentifier</key><string>com.brelva.tavro</string>'
                '<key>CFBundleExecutable</key><string>Tavro</string>'
                f'<key>CFBundleShortVersionString</key><string>{version}</string>'
                f'<key>CFBundleVersion</key><string>{build}</string>'
                '<key>CFBundlePackageType</key><string>APPL</string>'
                '<key>LSMinimumSystemVersion</key><string>1.0</string></dict></plist>\n')
    executable = os.path.join(bundle, "Contents/MacOS/Tavro")
    with open(executable, "wb") as f:
        f.write(bytes.fromhex("cffaedfe0c000001000000000200000000000000000000000000000000000000"))
        f.write(os.urandom(4 << 20))
    os.chmod(executable, 0o755)
    total = (100 << 20) - (4 << 20)
    count = 998
    for index in range(count):
        size = total // count
        folder = os.path.join(bundle, "Contents/Resources", f"set{index % 20:02d}")
        os.makedirs(folder, exist_ok=True)
        if index % 2 == 0:
            text = b" ".join(random.choice(words) for _ in range(size // 6))
            data = (text * 2)[:size]
            name = f"lesson{index:04d}.txt"
        else:
            data = os.urandom(size)
            name = f"sound{index:04d}.bin"
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
PY
for version in 1.6.3 1.6.4; do
  "$tools/codesign" --sign "$work/keys/maker.key.pem" --cert "$work/keys/maker.cert.pem" \
    "$work/source/$version/BRELVA Tavro.app"
done
archive="$work/Downloads/BRELVA-Tavro-1.6.4.zip"
(cd "$work/source/1.6.4" && zip -X -r -q "$archive" "BRELVA Tavro.app")
size=$(stat -c %s "$archive")
digest=$(sha256sum "$archive" | cut -d' ' -f1)
cat > "$work/Downloads/manifest.json" <<JSON
{"applicationID":"com.brelva.tavro","version":"1.6.4","build":"19","distributionStatus":"published",
 "downloadURL":"https://downloads.brelva.example/tools/BRELVA-Tavro-1.6.4.zip","sha256":"$digest",
 "fileSize":$size,"architectures":["arm64"],"minimumMacOSVersion":"1.0",
 "codeSigning":{"mode":"same-certificate","certificateSHA256":"$certificate"}}
JSON
files=$(find "$work/source/1.6.4/BRELVA Tavro.app" -type f | wc -l)
expanded=$(du -sb "$work/source/1.6.4/BRELVA Tavro.app" | cut -f1)
echo "update: $files files, $expanded bytes expanded, archive $size bytes"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
stats() {  # prints min median max of the numbers given
  printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {printf "%.3f %.3f %.3f", a[1], a[int((NR+1)/2)], a[NR]}'
}
fresh_installed() {
  rm -rf "$work/Applications"
  mkdir -p "$work/Applications"
  cp -a "$work/source/1.6.3/BRELVA Tavro.app" "$work/Applications/"
  sync
}

installer_times=()
baseline_times=()
for run in $(seq "$runs"); do
  fresh_installed
  start=$(now)
  "$installer" --manifest "$work/Downloads/manifest.json" --installed "$work/Applications/BRELVA Tavro.app" \
    --archive "$archive" --parent-pid 2147483646
  installer_times+=("$(elapsed "$start" "$(now)")")
  [ "$(ls -A "$work/Downloads" | wc -l)" -eq 2 ] || { echo "staging left behind" >&2; exit 1; }

  fresh_installed
  start=$(now)
  echo "$digest  $archive" | sha256sum --check --status
  mkdir "$work/Applications/.unsafe"
  unzip -q "$archive" -d "$work/Applications/.unsafe"
  mv "$work/Applications/BRELVA Tavro.app" "$work/Applications/.BRELVA Tavro.old.app"
  mv "$work/Applications/.unsafe/BRELVA Tavro.app" "$work/Applications/BRELVA Tavro.app"
  baseline_times+=("$(elapsed "$start" "$(now)")")
done

read -r imin imed imax <<< "$(stats "${installer_times[@]}")"
read -r bmin bmed bmax <<< "$(stats "${baseline_times[@]}")"
echo "installer (s)           min $imin  median $imed  max $imax"
echo "sha256sum+unzip+mv (s)  min $bmin  median $bmed  max $bmax"
echo "ratio of medians: $(awk -v a="$imed" -v b="$bmed" 'BEGIN { printf "%.2f", a / b }')"

# Where the installer's time goes: each kind of work once, timed alone.
candidate="$work/source/1.6.4/BRELVA Tavro.app"
piece() {  # NAME COMMAND...
  local name=$1; shift
  local start; start=$(now)
  "$@" >/dev/null
  printf '  %-44s %.3f s\n' "$name" "$(elapsed "$start" "$(now)")"
}
durable_copy() {
  rm -rf "$work/copy"
  cp -a "$candidate" "$work/copy"
  sync -f "$work/copy"
}
echo "pieces (each once; the installer verifies one bundle 6 times):"
piece "archive digest (sha256sum)" sha256sum "$archive"
piece "signature check of one bundle (codesign)" "$tools/codesign" --verify --deep --strict "$candidate"
piece "inflate to disk (unzip)" unzip -q -o "$archive" -d "$work/unzipped"
piece "copy and sync one bundle (cp -a, sync)" durable_copy
