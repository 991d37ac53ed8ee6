#!/usr/bin/env bash
# Times writing one tag field on many files: tagbench write (sets the ID3v1
# and ID3v2 title of every file, many at once, each file saved and
# flushed) against the command-line tag writers id3v2 (id3lib) and mid3v2
# (mutagen) setting the same title, on two corpora:
#   small  1000 files of about 300 KB
#   large   200 files of about 5 MB (a typical song)
# Every file is the tone of tests/player/data/tone-1s.mp3 repeated, behind an
# ID3v2.3 tag (title and artist frames, then 1024 bytes of padding, so the
# new title fits in the old tag) and with an ID3v1 tag (tagbench sets both
# titles, and so do the others when both tags are there).
#
#   bench/tagbench/compare-write.sh [BUILD_DIR [ROUNDS]]
#
# Defaults: build, 2 rounds (the best round of each side counts). Each run
# gets a fresh copy of the corpus, copied and flushed (sync) before the
# clock starts, so all sides start with the files in the page cache. The
# time of tagbench is the one on its summary line (its saves flush the
# files and folders themselves); id3v2 and mid3v2 are timed as whole
# commands (one run over all files through xargs) followed by sync. A tool
# that is not installed is installed with apt-get (through sudo when not
# root), or skipped with a note when that fails.
#
# Per corpus it prints the times and "fastest other tool / tagbench" (above 1:
# tagbench is faster); the last line is
#   write ratio small X.XX, large Y.YY
# with n/a where no other tool could run. The corpora live in a temporary
# folder under /tmp that is removed at exit.
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
rounds="${2:-2}"
bin="$build/bin"
tone=tests/player/data/tone-1s.mp3
title="compare-write title"

if [[ ! -x $bin/tagbench || ! -x $bin/tv-tag ]]; then
  if [[ ! -f $build/CMakeCache.txt ]]; then
    generator=()
    command -v ninja >/dev/null && generator=(-G Ninja)
    cmake -S . -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  cmake --build "$build" --target tagbench tv-tag -j"$(nproc)" >/dev/null
fi

tmp=$(mktemp -d /tmp/tv-writebench.XXXXXX)
trap 'rm -rf "$tmp"' EXIT

# --- the other tools ---------------------------------------------------------

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
aptUpdated=false

# Makes sure command $1 (from Debian package $2) is there; false when it
# is not and cannot be installed.
haveTool() {
  command -v "$1" >/dev/null && return 0
  if [[ ${#sudo[@]} -gt 0 ]] && ! command -v sudo >/dev/null; then
    echo "note: $1 is not installed and there is no sudo to install $2; skipping $1" >&2
    return 1
  fi
  echo "installing $2 for $1 ..." >&2
  if ! $aptUpdated; then
    "${sudo[@]}" apt-get update -qq >/dev/null 2>&1 || echo "note: apt-get update failed" >&2
    aptUpdated=true
  fi
  if ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$2" >/dev/null 2>&1 \
    || ! command -v "$1" >/dev/null; then
    echo "note: cannot install $2; skipping $1" >&2
    return 1
  fi
}

# Each tool with the command line that sets the title of the files given
# after it. Ours and id3v2 write ID3v2.3; mid3v2 upgrades every tag it
# edits to ID3v2.4 (which still fits in the padding).
others=()
declare -A commandOf=()
if haveTool id3v2 id3v2; then
  others+=(id3v2)
  commandOf[id3v2]="id3v2 -t"
fi
if haveTool mid3v2 python3-mutagen; then
  others+=(mid3v2)
  commandOf[mid3v2]="mid3v2 -t"
fi

# --- the corpora -------------------------------------------------------------

# shellcheck disable=SC2059 # the format is the octal escape of the byte
byte() { printf "\\$(printf '%03o' "$1")"; }
# A 28-bit size as the four 7-bit bytes of an ID3v2 header.
syncsafe() { byte $(($1 >> 21 & 127)); byte $(($1 >> 14 & 127)); byte $(($1 >> 7 & 127)); byte $(($1 & 127)); }
bigEndian32() { byte $(($1 >> 24 & 255)); byte $(($1 >> 16 & 255)); byte $(($1 >> 8 & 255)); byte $(($1 & 255)); }
# An ID3v2.3 text frame $1 with the Latin-1 text $2.
textFrame() { printf '%s' "$1"; bigEndian32 $((1 + ${#2})); printf '\0\0\0%s' "$2"; }

padding=1024
tagBytes=0

# makeTemplate FILE REPEATS: the ID3v2.3 tag, the tone REPEATS times, and
# an ID3v1 tag written by tv-tag (which leaves the ID3v2 tag as it is).
makeTemplate() {
  local frames="$tmp/frames" i
  { textFrame TIT2 "Tone"; textFrame TPE1 "Tunevault Bench"; } >"$frames"
  local size=$(($(stat -c %s "$frames") + padding))
  tagBytes=$((size + 10))
  {
    printf 'ID3\3\0\0'; syncsafe "$size"
    cat "$frames"
    head -c "$padding" /dev/zero
    for ((i = 0; i < $2; ++i)); do cat "$tone"; done
  } >"$1"
  rm "$frames"
  "$bin/tv-tag" set "$1" --v1 title=Tone artist="Tunevault Bench" >/dev/null
  # The tag as read back: version 2.3, the size made above plus the header.
  local printed
  printed=$("$bin/tv-tag" print "$1")
  if [[ $printed != *'"v2":{"present":true,"major":3,"size":'$((size + 10))','* || $printed != *'"v1":{"present":true'* ]]; then
    echo "compare-write: the template $1 does not read back as made: $printed" >&2
    exit 1
  fi
}

# makeCorpus DIR COUNT TEMPLATE: COUNT copies in album folders of twelve.
makeCorpus() {
  local folder i
  for ((i = 0; i < $2; ++i)); do
    folder=$(printf '%s/Album %03d' "$1" $((i / 12)))
    ((i % 12)) || mkdir -p "$folder"
    cp "$3" "$(printf '%s/%02d Track.mp3' "$folder" $((i % 12 + 1)))"
  done
}

# --- the runs ----------------------------------------------------------------

now() { date +%s.%N; }
best() { printf '%s\n' "$@" | sort -g | head -1; }

# freshCopy CORPUS: $tmp/run as a copy of CORPUS, on disk.
freshCopy() {
  rm -rf "$tmp/run"
  cp -r "$1" "$tmp/run"
  sync
}

# checkTitles FILES_LIST TEXT: how many files have TEXT as their ID3v2 and
# ID3v1 title (the start of it, for tagbench's numbered titles), and the
# ID3v2 versions found.
checkTitles() {
  local printed count v2 v1 versions
  count=$(tr -cd '\0' <"$1" | wc -c)
  printed=$(xargs -0 -a "$1" "$bin/tv-tag" print)
  v2=$(grep -c "\"v2\":{[^}]*\"title\":\"$2" <<<"$printed" || true)
  v1=$(grep -c "\"v1\":{[^}]*\"title\":\"$2" <<<"$printed" || true)
  versions=$(grep -o '"major":[0-9]*' <<<"$printed" | sort | uniq -c | awk '{ printf "%s2.%s x %s", (NR > 1 ? ", " : ""), substr($2, 9), $1 }')
  echo "    title set in the ID3v2 tag of $v2/$count files, in the ID3v1 tag of $v1/$count; ID3v$versions"
}

# runCorpus NAME CORPUS: prints the runs, sets ratio[NAME].
declare -A ratio=()
runCorpus() {
  local name=$1 corpus=$2 line start end tool times ours fastest="" fastestTool=""
  local list="$tmp/files" log="$tmp/log"

  times=()
  for ((r = 1; r <= rounds; ++r)); do
    freshCopy "$corpus"
    line=$("$bin/tagbench" write "$tmp/run" | tail -1) || { echo "compare-write: tagbench write failed" >&2; exit 1; }
    echo "  tagbench write: $line"
    times+=("$(awk '{ for (i = 1; i < NF; ++i) if ($(i + 1) == "s:") print $i }' <<<"$line")")
  done
  find "$tmp/run" -type f -name '*.mp3' -print0 | sort -z >"$list"
  checkTitles "$list" "tagbench title "
  ours=$(best "${times[@]}")
  local summary="$name: tagbench $ours s"

  for tool in "${others[@]}"; do
    times=()
    for ((r = 1; r <= rounds; ++r)); do
      freshCopy "$corpus"
      find "$tmp/run" -type f -name '*.mp3' -print0 | sort -z >"$list"
      start=$(now)
      # shellcheck disable=SC2086 # the command line is words on purpose
      if ! xargs -0 -a "$list" ${commandOf[$tool]} "$title" >"$log" 2>&1; then
        echo "  note: ${commandOf[$tool]} failed; skipping $tool:" >&2
        tail -3 "$log" >&2
        times=()
        break
      fi
      sync
      end=$(now)
      times+=("$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')")
      echo "  ${commandOf[$tool]} + sync: ${times[-1]} s"
    done
    ((${#times[@]})) || continue
    checkTitles "$list" "$title"
    local t
    t=$(best "${times[@]}")
    summary+=", $tool $t s"
    if [[ -z $fastest ]] || awk -v a="$t" -v b="$fastest" 'BEGIN { exit !(a < b) }'; then
      fastest=$t fastestTool=$tool
    fi
  done
  rm -rf "$tmp/run"

  if [[ -n $fastest ]]; then
    ratio[$name]=$(awk -v a="$fastest" -v b="$ours" 'BEGIN { printf "%.2f", a / b }')
    echo "$summary; fastest other ($fastestTool) / tagbench: ${ratio[$name]}"
  else
    ratio[$name]=n/a
    echo "$summary; no other tool ran"
  fi
}

echo "other tools: ${others[*]:-none}"
echo "making the corpora in $tmp ..."
makeTemplate "$tmp/small.mp3" 40   # 40 x 7560 bytes: about 300 KB
makeTemplate "$tmp/large.mp3" 661  # about 5 MB
makeCorpus "$tmp/small" 1000 "$tmp/small.mp3"
makeCorpus "$tmp/large" 200 "$tmp/large.mp3"
echo "each file: an ID3v2.3 tag of $tagBytes bytes ($padding of them padding), the tone, an ID3v1 tag"

echo "small corpus: 1000 files of $(stat -c %s "$tmp/small.mp3") bytes"
runCorpus small "$tmp/small"
echo "large corpus: 200 files of $(stat -c %s "$tmp/large.mp3") bytes"
runCorpus large "$tmp/large"

echo "write ratio small ${ratio[small]}, large ${ratio[large]}"
