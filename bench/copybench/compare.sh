#!/usr/bin/env bash
# Measures the copy and move run against the system's tools on the same files
# and prints the ratios:
#  - copy: copybench copy vs cp -p (target: at most 1.3x the time);
#  - move within one file system: copybench move vs mv (target: at most 2x).
#
#   bench/copybench/compare.sh [BUILD_DIR [CORPUS_DIR [ROUNDS]]]
#
# Defaults: build, /tmp/tv-copybench, 5 rounds; the best round of each side
# counts. The corpus (400 files of 1-5 MB, about 1.2 GB, in one folder) is
# made in CORPUS_DIR and removed at the end. The times of copybench are those
# of the run; cp and mv are timed as whole commands.
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
corpus="${2:-/tmp/tv-copybench}"
rounds="${3:-5}"

cmake --build "$build" --target copybench >/dev/null
bench="$build/bin/copybench"
src="$corpus/src"
dest="$corpus/dest"
trap 'rm -rf "$corpus"' EXIT
rm -rf "$corpus"
mkdir -p "$src"
head -c 5000000 /dev/urandom >"$corpus/pattern"
for i in $(seq -w 1 400); do
  head -c $(((RANDOM % 4000 + 1000) * 1000)) "$corpus/pattern" >"$src/track$i.mp3"
done
rm "$corpus/pattern"

now() { date +%s.%N; }
seconds() { awk '{ for (i = 1; i < NF; ++i) if ($(i + 1) == "s") print $i }' <<<"$1"; }
best() { printf '%s\n' "$@" | sort -g | head -1; }

ours=() theirs=()
for ((r = 1; r <= rounds; ++r)); do
  cat "$src"/*.mp3 >/dev/null # the sources in the page cache for both
  rm -rf "$dest"; mkdir "$dest"; sync
  line=$("$bench" copy "$src" "$dest" 2>/dev/null | tail -1); echo "copybench: $line"
  ours+=("$(seconds "$line")")
  rm -rf "$dest"; mkdir "$dest"; sync
  start=$(now); cp -p "$src"/*.mp3 "$dest"/; end=$(now)
  theirs+=("$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')"); echo "cp -p:     ${theirs[-1]} s"
done
copyOurs=$(best "${ours[@]}"); copyTheirs=$(best "${theirs[@]}")

ours=() theirs=()
rm -rf "$dest"; mkdir "$dest"; sync
for ((r = 1; r <= rounds; ++r)); do
  line=$("$bench" move "$src" "$dest" 2>/dev/null | tail -1); echo "copybench: $line"
  ours+=("$(seconds "$line")")
  start=$(now); mv "$dest"/*.mp3 "$src"/; end=$(now)
  theirs+=("$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')"); echo "mv:        ${theirs[-1]} s"
done
moveOurs=$(best "${ours[@]}"); moveTheirs=$(best "${theirs[@]}")

awk -v a="$copyOurs" -v b="$copyTheirs" -v c="$moveOurs" -v d="$moveTheirs" 'BEGIN {
  printf "copy: %.3f s vs cp -p %.3f s: %.2fx (target <= 1.3)\n", a, b, a / b
  printf "move: %.3f s vs mv %.3f s: %.2fx (target <= 2)\n", c, d, c / d
}'
