#!/usr/bin/env bash
# An installed tree stands on its own: the SDK library under the soname of its
# interface version with exactly its API, its header, and a viewer that starts
# from the tree, takes the tree's library and shows its built-in help picture
# pixel for pixel. Needs Xvfb, xdotool and ImageMagick; runs the viewer on a
# display of its own with its settings in a temporary folder.
set -euo pipefail
build=${1:?usage: install_check.sh BUILD_DIR SOURCE_DIR}
source=${2:?usage: install_check.sh BUILD_DIR SOURCE_DIR}
work=$(mktemp -d)
viewer_pid=""
display_pid=""

# A child that has ended but is not yet waited for still answers kill -0.
alive() {
  local state
  state=$(ps -o stat= -p "$1" 2>/dev/null) && [ "${state#Z}" = "$state" ]
}
# Polls a command for up to $1 tenths of a second.
wait_until() {
  local tenths=$1
  shift
  for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
  return 1
}
not_alive() { ! alive "$1"; }
# Asks a child to end, gives it 20 s, then forces it; returns its status.
stop() {
  kill -TERM "$1" 2>/dev/null || true
  wait_until 200 not_alive "$1" || kill -KILL "$1" 2>/dev/null || true
  wait "$1"
}
cleanup() {
  [ -n "$viewer_pid" ] && { stop "$viewer_pid" || true; }
  [ -n "$display_pid" ] && { stop "$display_pid" || true; }
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "install_check: $*" >&2
  [ -f "$work/viewer.log" ] && sed 's/^/  viewer: /' "$work/viewer.log" >&2
  exit 1
}

cmake --install "$build" --prefix "$work/tree" >/dev/null
tree=$work/tree

interface=$(sed -n 's/^#define DRUVEX_SDK_VERSION \([0-9]*\)$/\1/p' "$source/sdk/include/druvex_sdk.h")
lib=$(find "$tree" -name "libdruvex_sdk.so.*.*" -type f)
[ -n "$lib" ] || fail "no versioned libdruvex_sdk in the tree"
libdir=$(dirname "$lib")
soname=$(readelf -d "$lib" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = "libdruvex_sdk.so.$interface" ] || fail "soname '$soname', not libdruvex_sdk.so.$interface"
if [ ! -L "$libdir/$soname" ] || [ ! -L "$libdir/libdruvex_sdk.so" ]; then
  fail "library links missing"
fi
"$source/tests/sdk/check_exported_symbols.sh" "$lib" "$source/tests/sdk/exported_symbols.txt"
cmp -s "$tree/include/druvex_sdk.h" "$source/sdk/include/druvex_sdk.h" || fail "header not installed"
viewer=$tree/bin/druvex_viewer
taken=$(ldd "$viewer" | sed -n "s/.*$soname => \([^ ]*\).*/\1/p")
[ "$(realpath "$taken")" = "$(realpath "$lib")" ] || fail "the viewer takes '$taken'"

# A display of its own: clicks and keys of other tests cannot reach it.
display_settled() { [ -s "$work/ready" ] || not_alive "$display_pid"; }
xvfb_on() {
  : >"$work/ready"
  Xvfb ":$1" -screen 0 1280x1024x24 -nolisten tcp -noreset -displayfd 3 \
    3>"$work/ready" >"$work/xvfb.log" 2>&1 &
  display_pid=$!
  wait_until 100 display_settled
  [ -s "$work/ready" ] && return 0
  stop "$display_pid" || true
  display_pid=""
  return 1
}
first=$((400 + $$ % 400))
for n in $(seq "$first" $((first + 30))); do xvfb_on "$n" && break; done
[ -n "$display_pid" ] || fail "no display: $(cat "$work/xvfb.log")"
DISPLAY=":$(head -1 "$work/ready")"
export DISPLAY

# Where namespaces can be had, the build and the sources are hidden from the
# viewer (it may lean on nothing there), and its sensor port is its own.
hide=()
if unshare -m -n true 2>/dev/null; then
  hide=(unshare -m -n sh -c 'mount -t tmpfs none "$1" && mount -t tmpfs none "$2" && shift 2 &&
    exec "$@"' hide "$(realpath "$build")" "$(realpath "$source")")
fi
# A sanitizer's suppressions file lies in the hidden sources: the viewer reads a copy.
copy_suppressions() {
  local options=$1 file
  file=$(sed -n 's/.*suppressions=\([^:]*\).*/\1/p' <<<"$options")
  if [ -n "$file" ] && [ -f "$file" ]; then
    cp "$file" "$work/${file##*/}"
    options=${options/"suppressions=$file"/"suppressions=$work/${file##*/}"}
  fi
  printf '%s' "$options"
}
TSAN_OPTIONS=$(copy_suppressions "${TSAN_OPTIONS:-}")
LSAN_OPTIONS=$(copy_suppressions "${LSAN_OPTIONS:-}")
export TSAN_OPTIONS LSAN_OPTIONS
mkdir -p "$work/home"
HOME=$work/home APPDATA=$work/home XDG_CONFIG_HOME=$work/home ASAN_OPTIONS=detect_leaks=0 \
  "${hide[@]}" "$viewer" >"$work/viewer.log" 2>&1 &
viewer_pid=$!
window() { xdotool search --onlyvisible --name '^DruvexViewer' 2>/dev/null | head -1; }
window_shown() { [ -n "$(window)" ]; }
wait_until 600 window_shown || fail "no window"
xdotool windowfocus --sync "$(window)"
xdotool key F1

# The help picture sits centred at the top of the window at its own size.
read -r width _ < <(xdotool getwindowgeometry "$(window)" | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\)/\1 \2/p')
picture=$source/resources/help.png
read -r w h < <(identify -format '%w %h\n' "$picture")
x=$((width / 2 - w / 2 > 0 ? width / 2 - w / 2 : 0))
shown() {
  import -window root -crop "${w}x${h}+${x}+10" +repage "$work/help.png" 2>/dev/null &&
    [ "$(compare -metric AE -fuzz 3% "$work/help.png" "$picture" null: 2>&1)" = "0" ]
}
wait_until 300 shown || fail "help picture not shown ($(compare -metric AE -fuzz 3% \
  "$work/help.png" "$picture" null: 2>&1) pixels differ)"

status=0
stop "$viewer_pid" || status=$?
viewer_pid=""
[ "$status" -eq 0 ] || fail "the viewer ended with $status"
echo "installed tree: $soname, header, viewer with its help picture"
