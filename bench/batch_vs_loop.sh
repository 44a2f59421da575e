#!/usr/bin/env bash
# Batch mode against a shell loop that runs the interactive program once per
# file: 1000 generated profiles of 200 pairs each, side by side, best of
# three runs of each.
#
# Usage: bench/batch_vs_loop.sh [PROGRAM]   (default: a Release build made
# in build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-}
if [ -z "$program" ]; then
  cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEL_TESTS=OFF > /dev/null
  cmake --build build/release --target zelvantor > /dev/null
  program=$PWD/build/release/app/zelvantor
fi
program=$(realpath "$program")
files=${ZEL_BENCH_FILES:-1000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# A noisy peak on ascending times, different for every file.
awk -v files="$files" 'BEGIN {
  srand(13)
  for (f = 1; f <= files; f++) {
    name = sprintf("p%04d.dat", f)
    t = rand()
    for (i = 1; i <= 200; i++) {
      t += 0.05 + rand() * 0.1
      printf "%.6f %.6f\n", t, exp(-((t - 10) ^ 2) / 8) + 0.01 * rand() > name
    }
    close(name)
  }
}'

now() { date +%s.%N; }
best() { # best of three runs of "$@", in seconds
  local best=
  for _ in 1 2 3; do
    local start end
    start=$(now)
    "$@" > /dev/null
    end=$(now)
    best=$(echo "$start $end ${best:-1e9}" | awk '{ d = $2 - $1; print (d < $3 ? d : $3) }')
  done
  echo "$best"
}
loop() {
  for f in p*.dat; do printf '%s\n\n' "$f" | "$program" > /dev/null || true; done
}
batch() { "$program" --batch p*.dat; }

loop_s=$(best loop)
batch_s=$(best batch)
echo "files: $files x 200 pairs, processors: $(nproc)"
awk -v l="$loop_s" -v b="$batch_s" 'BEGIN {
  printf "shell loop, interactive runs: %8.3f s\nbatch:                        %8.3f s\nbatch is %.1f times faster\n", l, b, l / b
}'
