#!/usr/bin/env bash
# Builds the recurrence fuzzer with clang in its own build folder and runs it
# for a fixed short time on a seed corpus made from the real pattern vectors.
#   .ci/fuzz-recurrence.sh [seconds]   (default 60)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz-recurrence"
seconds="${1:-60}"
data="$root/tests/data/recurrence"

cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVALE_FUZZ=ON >/dev/null
ninja -C "$build" -j2 recurrence_fuzzer

# Seeds: the raw blobs as they are, the hex ones decoded (no xxd needed).
corpus="$build/recurrence-corpus"
rm -rf "$corpus"
mkdir -p "$corpus"
hex_to_file() { printf '%b' "$(printf '%s' "$1" | tr -d ' \r\n' | sed 's/../\\x&/g')" >"$2"; }
cp "$data"/msgreader/*.bin "$corpus/"
for f in "$data"/mfcmapi/*.hex; do
  hex_to_file "$(cat "$f")" "$corpus/$(basename "$f" .hex).bin"
done
n=0
while read -r line; do
  case "$line" in
    hex:*) n=$((n + 1)); hex_to_file "${line#hex: }" "$corpus/example-$n.bin" ;;
  esac
done <"$data/examples.txt"

# New inputs go to a scratch folder so the seeds stay as they are.
findings="$build/recurrence-findings"
mkdir -p "$findings"
cd "$build"
"$build/agent/scan/recurrence/recurrence_fuzzer" "$findings" "$corpus" \
  -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
