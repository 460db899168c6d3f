#!/usr/bin/env bash
# Takes the README's screenshot: the main window in the middle of a search of
# the demo devices, the devices listed as they answered while the progress
# bar still runs. Everything runs inside a private network namespace (loopback only)
# on a virtual X server, with the settings folder replaced by an empty one so
# the search uses the default settings.
#   scripts/screenshot.sh [BUILD_DIR [OUTPUT]]   (defaults: build docs/screenshot.png)
# Needs the programs built in BUILD_DIR; installs Xvfb, xauth, Openbox, xdotool
# and ImageMagick if they are missing (this script only, not the test run).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-docs/screenshot.png}

if [ "${SIGNSEEK_IN_PRIVATE_NET:-}" != 1 ]; then
  missing=()
  for p in xvfb xauth openbox xdotool imagemagick; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if ((${#missing[@]})); then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
  fi
  for f in "$build/app/signseek" "$build/sim/signseek-sim"; do
    [ -x "$f" ] || { echo "screenshot.sh: $f is not built" >&2; exit 1; }
  done
  mkdir -p "$(dirname "$out")"
  # A mount namespace of its own as well, for the empty settings folder.
  exec ./scripts/in-private-net.sh unshare -m --propagation private "$0" "$@"
fi

if [ -d /var/lib/Marvane ]; then
  mount -t tmpfs -o mode=0777 signseek-settings /var/lib/Marvane
  mkdir -m 0777 /var/lib/Marvane/Discovery
fi

work=$(mktemp -d)
pids=()
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A free display number; Xvfb listens on its file-system socket only.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -nolisten tcp -screen 0 1280x800x24 >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.1
done
export DISPLAY=":$display"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
# A window manager, for the window's title bar and frame.
openbox --sm-disable >"$work/wm.log" 2>&1 &
pids+=($!)
sleep 0.5

"$build/sim/signseek-sim" --demo --interface 127.0.0.1 >"$work/sim.log" 2>&1 &
pids+=($!)
sleep 0.5

"$build/app/signseek" >"$work/gui.log" 2>&1 &
pids+=($!)
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Marvane Signseek$' | head -n 1)
sleep 1

# Start the search: the first Tab moves the focus from the issue list to the
# "Find Displays..." button, which the space bar presses.
xdotool windowfocus --sync "$window"
xdotool key Tab space
for _ in $(seq 30); do
  grep -q '^probe from' "$work/sim.log" && break
  sleep 0.1
done
if ! grep -q '^probe from' "$work/sim.log"; then
  echo "screenshot.sh: the search did not start; the program said:" >&2
  cat "$work/gui.log" >&2
  exit 1
fi

# The demo devices answer within half a second of the probe; the search runs
# on for the default discovery timeout of 8 seconds after a one-second lead.
# Take the picture in between, with the devices listed and the bar running.
sleep 3
import -frame -window "$window" "$out"
echo "screenshot.sh: wrote $out ($(identify -format '%wx%h' "$out"))"
