#!/usr/bin/env bash
# The installed and the packaged program. `cmake --install` into a prefix
# gives the program, its skins and the desktop files, which the freedesktop
# validators accept; `cpack -G DEB` packages exactly that set, with computed
# library dependencies plus the GStreamer plugins; the package unpacked into
# a scratch root runs, finds its skins there, runs silently without a session
# bus, and a killed instance does not stop the next start.
#
#   package_test.sh BUILD_DIR APP_ID VERSION
set -euo pipefail
build=$(cd "$1" && pwd)
id=$2
version=$3
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tunevault-package.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do
    { kill -9 "$pid" && wait "$pid"; } 2>/dev/null || true
  done
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Waits up to 30 s for a condition.
wait_for() {
  for _ in $(seq 300); do eval "$1" && return 0; sleep 0.1; done
  return 1
}

# 1. Install into a prefix.
prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/tunevault share/tunevault/Skins/TheFrog.qss share/applications/$id.desktop \
         share/metainfo/$id.metainfo.xml share/icons/hicolor/scalable/apps/$id.svg share/man/man1/tunevault.1; do
  [[ -f $prefix/$f ]] || fail "not installed: $f"
done
for size in 48 128 256; do
  file "$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png" | grep -q "$size x $size" \
    || fail "no ${size}x${size} icon"
done
grep -q '^\.TH TUNEVAULT 1 ' "$prefix/share/man/man1/tunevault.1" || fail "manual page"
entry=$prefix/share/applications/$id.desktop
desktop-file-validate "$entry"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null \
  || fail "metainfo: $(appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml")"
for line in 'Type=Application' 'Exec=tunevault %F' "Icon=$id" 'Categories=AudioVideo;Audio;Player;' \
            'MimeType=audio/mpeg;audio/mp3;'; do
  grep -qxF "$line" "$entry" || fail "desktop entry lacks $line"
done
grep -qF "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$prefix/share/metainfo/$id.metainfo.xml" \
  || fail "metainfo does not launch the desktop entry"

# 2. The package: the installed set, computed dependencies and the plugins.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/package" >"$scratch/cpack.log" 2>&1 \
  || fail "cpack: $(cat "$scratch/cpack.log")"
deb=$(echo "$scratch"/package/*.deb)
[[ -f $deb ]] || fail "no package"
depends=", $(dpkg-deb -f "$deb" Depends),"
for package in gstreamer1.0-plugins-base gstreamer1.0-plugins-good libqt6widgets6 libqt6dbus6 libgstreamer1.0-0 libpulse0; do
  [[ $depends =~ ,\ $package[\ ,] ]] || fail "$package missing in Depends:$depends"
done
diff <(cd "$prefix" && find . -type f | sed 's|^\./|./usr/|' | sort) \
     <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort) || fail "package files differ from the installed set"
root=$scratch/root
dpkg -x "$deb" "$root"

# 3. The unpacked program.
exe=$root/usr/bin/tunevault
[[ $(QT_QPA_PLATFORM=offscreen "$exe" --version) == "Tunevault $version" ]] || fail "--version"
mkdir -p "$scratch/run" "$scratch/home"
chmod 700 "$scratch/run"
# The sound server stays reachable when the runtime folder changes.
pulse=$(pactl info 2>/dev/null | sed -n 's/^Server String: //p' || true)
# The program's own environment: its runtime folder, home, no session bus.
environment=(XDG_RUNTIME_DIR="$scratch/run" HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config"
             XDG_DATA_HOME="$scratch/home/.local/share" XDG_CACHE_HOME="$scratch/home/.cache"
             DBUS_SESSION_BUS_ADDRESS="unix:path=$scratch/no-bus" ${pulse:+PULSE_SERVER="$pulse"}
             QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="tunevault.skins.info=true")
skin="skin TheFrog from $root/usr/share/tunevault/Skins/TheFrog.qss"
socket=$scratch/run/$id.socket

env "${environment[@]}" "$exe" >"$scratch/first.out" 2>"$scratch/first.err" &
first=$!
pids+=("$first")
wait_for "grep -qF '$skin' '$scratch/first.err'" || fail "skins not found in the data folder: $(cat "$scratch/first.err")"
wait_for "[[ -S '$socket' ]]" || fail "no socket"
[[ $(stat -c %a "$socket") == 700 ]] || fail "socket mode $(stat -c %a "$socket")"

# Killed, it leaves its socket; the next start runs and listens in its place.
{ kill -9 "$first" && wait "$first"; } 2>/dev/null || true
[[ -S $socket ]] || fail "the killed run left no socket"
env "${environment[@]}" "$exe" >"$scratch/second.out" 2>"$scratch/second.err" &
second=$!
pids+=("$second")
wait_for "grep -qF '$skin' '$scratch/second.err'" || fail "second start: $(cat "$scratch/second.err")"
timeout 30 env "${environment[@]}" "$exe" >"$scratch/third.out" 2>"$scratch/third.err" || fail "third start did not hand over: $(cat "$scratch/third.err")"
kill -0 "$second" || fail "the second start ended"
if grep -qi 'dbus' "$scratch"/*.err; then
  fail "talks about the missing bus: $(cat "$scratch"/*.err)"
fi
echo "package test passed: $(basename "$deb")"
