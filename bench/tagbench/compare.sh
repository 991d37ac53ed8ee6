#!/usr/bin/env bash
# Measures the tag objects against their targets and prints the ratios:
#  - reading: tagbench read vs TagLib (taglibread) on the same files, warm
#    cache; target: ours at least 2x as fast;
#  - writing: tagbench write (set both titles, save both tags, each file
#    rewritten and flushed) vs cp -r + sync of the same files; target: at
#    least 0.7x the throughput.
#
#   bench/tagbench/compare.sh [BUILD_DIR [CORPUS_DIR [ROUNDS]]]
#
# Defaults: build-bench, /tmp/tv-bench, 3 rounds (the best round of each
# side counts). The corpora are made once with makecorpus (TagLib writes
# the tags, tests/tags/data/audio.mp3 is the audio):
#   CORPUS_DIR/read   3000 files, 100-300 KB each (reading touches only the tags)
#   CORPUS_DIR/write   600 files, 3-6 MB each (about 2.7 GB; a typical song)
# Keep CORPUS_DIR out of the repository; delete it when done.
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build-bench}"
corpus="${2:-/tmp/tv-bench}"
rounds="${3:-3}"

if [[ ! -f $build/CMakeCache.txt ]]; then
  generator=()
  command -v ninja >/dev/null && generator=(-G Ninja)
  cmake -S . -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target tagbench taglibread makecorpus -j2 >/dev/null
bin="$build/bin"

mkdir -p "$corpus"
[[ -d $corpus/read ]] || "$bin/makecorpus" "$corpus/read" 3000 tests/tags/data/audio.mp3 100 300 1
[[ -d $corpus/write ]] || "$bin/makecorpus" "$corpus/write" 600 tests/tags/data/audio.mp3 3000 6000 2

# The number before " files/s" or " MB/s" in a summary line.
rate() { awk '{ for (i = 2; i <= NF; ++i) if ($i == "files/s" || $i == "MB/s") print $(i - 1) }' <<<"$1"; }
best() { printf '%s\n' "$@" | sort -g | tail -1; }

ours=() taglib=()
for ((r = 1; r <= rounds; ++r)); do
  line=$("$bin/tagbench" read "$corpus/read" | tail -1);   echo "tagbench:   $line"; ours+=("$(rate "$line")")
  line=$("$bin/taglibread" "$corpus/read" | tail -1);      echo "taglibread: $line"; taglib+=("$(rate "$line")")
done
readOurs=$(best "${ours[@]}")
readTaglib=$(best "${taglib[@]}")

bytes=$(find "$corpus/write" -type f -iname '*.mp3' -printf '%s\n' | awk '{ s += $1 } END { print s }')
writes=() copies=()
for ((r = 1; r <= rounds; ++r)); do
  cat "$corpus"/write/*/*/*.mp3 >/dev/null   # the sources in the page cache, as for cp
  sync
  line=$("$bin/tagbench" write "$corpus/write" | tail -1); echo "tagbench:   $line"; writes+=("$(rate "$line")")

  rm -rf "$corpus/copy"
  cat "$corpus"/write/*/*/*.mp3 >/dev/null
  sync
  start=$(date +%s.%N)
  cp -r "$corpus/write" "$corpus/copy"
  sync
  end=$(date +%s.%N)
  line=$(awk -v b="$bytes" -v s="$start" -v e="$end" \
    'BEGIN { printf "copied %s bytes in %.3f s: %.1f MB/s", b, e - s, b / 1e6 / (e - s) }')
  echo "cp -r+sync: $line"; copies+=("$(rate "$line")")
  rm -rf "$corpus/copy"
  sync
done
writeOurs=$(best "${writes[@]}")
writeCopy=$(best "${copies[@]}")

awk -v a="$readOurs" -v b="$readTaglib" -v c="$writeOurs" -v d="$writeCopy" 'BEGIN {
  printf "reading: %.0f files/s vs TagLib %.0f files/s: %.2fx (target >= 2)\n", a, b, a / b
  printf "writing: %.1f MB/s vs cp -r + sync %.1f MB/s: %.2fx (target >= 0.7)\n", c, d, c / d
}'
