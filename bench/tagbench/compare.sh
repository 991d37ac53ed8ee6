#!/usr/bin/env bash
# Measures the tag objects against their targets and prints the ratios:
#  - reading: tagbench read (both tags and the audio properties) vs TagLib
#    reading the same (taglibread --audio) on the same files, warm cache;
#    target: ours at least 2x as fast;
#  - writing: tagbench write (set both titles, save both tags, each file
#    rewritten and flushed, many at once) vs cp -r + sync of the same files,
#    on small files (target: at least 0.7x the throughput) and on songs
#    (target: not below tagbench write --serial, which is shown too).
#
#   bench/tagbench/compare.sh [BUILD_DIR [CORPUS_DIR [ROUNDS]]]
#
# Defaults: build-bench, /tmp/tv-bench, 3 rounds (the best round of each
# side counts). The corpora are made once with makecorpus (TagLib writes
# the tags, tests/tags/data/audio.mp3 is the audio):
#   CORPUS_DIR/read   3000 files, 100-300 KB each (reading touches only the tags)
#   CORPUS_DIR/small  1000 files, 250-350 KB each (about 300 MB)
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
[[ -d $corpus/small ]] || "$bin/makecorpus" "$corpus/small" 1000 tests/tags/data/audio.mp3 250 350 3
[[ -d $corpus/write ]] || "$bin/makecorpus" "$corpus/write" 600 tests/tags/data/audio.mp3 3000 6000 2

# The number before " files/s" or " MB/s" in a summary line.
rate() { awk '{ for (i = 2; i <= NF; ++i) if ($i == "files/s" || $i == "MB/s") print $(i - 1) }' <<<"$1"; }
best() { printf '%s\n' "$@" | sort -g | tail -1; }

ours=() taglib=()
for ((r = 1; r <= rounds; ++r)); do
  line=$("$bin/tagbench" read "$corpus/read" | tail -1);   echo "tagbench:   $line"; ours+=("$(rate "$line")")
  line=$("$bin/taglibread" --audio "$corpus/read" | tail -1); echo "taglibread --audio: $line"; taglib+=("$(rate "$line")")
done
readOurs=$(best "${ours[@]}")
readTaglib=$(best "${taglib[@]}")

# The best MB/s of `tagbench write [OPTION] DIR` over $rounds rounds, each
# starting with the files in the page cache and ending with them on disk.
bestWrite() {
  local line rates=()
  for ((r = 1; r <= rounds; ++r)); do
    cat "${@: -1}"/*/*/*.mp3 >/dev/null   # the sources in the page cache, as for cp
    sync
    line=$("$bin/tagbench" write "$@" | tail -1); echo "tagbench write $*: $line" >&2; rates+=("$(rate "$line")")
  done
  best "${rates[@]}"
}

# The best MB/s of cp -r DIR + sync over $rounds rounds, alike.
bestCopy() {
  local bytes line start end rates=()
  bytes=$(find "$1" -type f -iname '*.mp3' -printf '%s\n' | awk '{ s += $1 } END { print s }')
  for ((r = 1; r <= rounds; ++r)); do
    rm -rf "$corpus/copy"
    cat "$1"/*/*/*.mp3 >/dev/null
    sync
    start=$(date +%s.%N)
    cp -r "$1" "$corpus/copy"
    sync
    end=$(date +%s.%N)
    line=$(awk -v b="$bytes" -v s="$start" -v e="$end" \
      'BEGIN { printf "copied %s bytes in %.3f s: %.1f MB/s", b, e - s, b / 1e6 / (e - s) }')
    echo "cp -r+sync: $line" >&2; rates+=("$(rate "$line")")
  done
  rm -rf "$corpus/copy"
  sync
  best "${rates[@]}"
}

smallOurs=$(bestWrite "$corpus/small")
smallCopy=$(bestCopy "$corpus/small")
writeOurs=$(bestWrite "$corpus/write")
writeSerial=$(bestWrite --serial "$corpus/write")
writeCopy=$(bestCopy "$corpus/write")

awk -v a="$readOurs" -v b="$readTaglib" 'BEGIN {
  printf "reading: %.0f files/s vs TagLib %.0f files/s: %.2fx (target >= 2)\n", a, b, a / b
}'
awk -v c="$smallOurs" -v d="$smallCopy" 'BEGIN {
  printf "writing small files: %.1f MB/s vs cp -r + sync %.1f MB/s: %.2fx (target >= 0.7)\n", c, d, c / d
}'
awk -v c="$writeOurs" -v d="$writeCopy" -v s="$writeSerial" 'BEGIN {
  printf "writing songs: %.1f MB/s vs cp -r + sync %.1f MB/s: %.2fx; serial %.1f MB/s (target: not below)\n", c, d, c / d, s
}'
