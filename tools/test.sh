#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite with ctest.
# The tests run with a home folder of their own and always get a private
# PulseAudio daemon with a null sink (own runtime, state and home folders),
# so that the settings and the sound server of whoever runs them are never
# touched; the daemon is stopped and the folders removed at exit.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
tools/build.sh

run_dir=$(mktemp -d /tmp/tunevault-test.XXXXXX)
pulse_pid=""
cleanup() {
  if [[ -n "$pulse_pid" ]]; then
    kill "$pulse_pid" 2>/dev/null || true
    wait "$pulse_pid" 2>/dev/null || true
  fi
  rm -rf "$run_dir"
}
trap cleanup EXIT

mkdir -p "$run_dir/runtime" "$run_dir/pulse-state" "$run_dir/home"
chmod 700 "$run_dir/runtime"
export HOME="$run_dir/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
export XDG_RUNTIME_DIR="$run_dir/runtime"
export PULSE_RUNTIME_PATH="$XDG_RUNTIME_DIR/pulse"
export PULSE_STATE_PATH="$run_dir/pulse-state"
export PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native"
unset PULSE_COOKIE PULSE_SINK

# In the foreground of a background job, so that exactly this daemon is
# stopped at the end.
pulseaudio --daemonize=no --exit-idle-time=-1 -n --use-pid-file=no \
  --load=module-null-sink --load=module-stream-restore \
  --load="module-native-protocol-unix socket=$PULSE_RUNTIME_PATH/native" \
  --log-target=file:"$run_dir/pulse.log" &
pulse_pid=$!
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || echo "warning: could not start PulseAudio (the playback tests will fail)"

ctest --test-dir build --output-on-failure --timeout 300 -j "$(nproc)"
