#!/usr/bin/env bash
# Builds the tag fuzzer with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) into build-fuzz/ and runs it for SECONDS
# (default 600) on one core, starting from the seed corpus and the inputs of
# past findings.
#
#   tools/fuzz.sh [SECONDS]
#
# New corpus entries go to build-fuzz/fuzz-corpus/ (not committed); a crash
# or a broken invariant leaves build-fuzz/fuzz-artifacts/crash-* and a
# minimized copy build-fuzz/fuzz-artifacts/minimized-*. Commit the minimized
# input to tests/fuzz/regressions/ once the fault is fixed: the test suite
# replays that folder.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-600}"

if ! command -v clang++ >/dev/null; then
  # clang is needed here only, so the test command does not install it.
  sudo=""
  [[ $(id -u) -eq 0 ]] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends clang
fi

build=build-fuzz
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
sanitizers="-fsanitize=address,undefined -fsanitize=fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
if [[ ! -f $build/CMakeCache.txt ]]; then
  cmake -S . -B $build "${generator[@]}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="$sanitizers" \
    -DTV_BUILD_FUZZ=ON -DTV_BUILD_TESTS=ON
fi
# Only the fuzz target and what it links; the machine may be busy.
cmake --build $build --target tag_fuzzer -j2

mkdir -p $build/fuzz-corpus $build/fuzz-artifacts
# The scratch files of the workers, in memory when possible.
TV_FUZZ_TMPDIR=$(mktemp -d "$([[ -w /dev/shm ]] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/tv-fuzz.XXXXXX")
export TV_FUZZ_TMPDIR
trap 'rm -rf "$TV_FUZZ_TMPDIR"' EXIT
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
# One worker process (-fork=1) that is restarted after a finding, so that a
# run lasts its full time and reports every finding at the end.
status=0
$build/bin/tag_fuzzer \
  -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
  -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 \
  -artifact_prefix=$build/fuzz-artifacts/ \
  $build/fuzz-corpus tests/fuzz/corpus tests/fuzz/regressions || status=$?
compgen -G "$build/fuzz-artifacts/[clot]*-*" >/dev/null && status=1

if ((status != 0)); then
  for crash in $build/fuzz-artifacts/crash-* $build/fuzz-artifacts/leak-* $build/fuzz-artifacts/timeout-* $build/fuzz-artifacts/oom-*; do
    [[ -f $crash ]] || continue
    minimized="$build/fuzz-artifacts/minimized-$(basename "$crash")"
    [[ -f $minimized ]] && continue
    # Bounded: minimizing runs the target in steps that each restart the clock.
    timeout 120 $build/bin/tag_fuzzer -minimize_crash=1 -runs=20000 -exact_artifact_path="$minimized" "$crash" \
      >/dev/null 2>&1 || true
    echo "finding: $crash (minimized: $minimized)"
  done
fi
exit $status
