#!/usr/bin/env bash
# Runs a test program on a virtual X server of its own (Xvfb) with a window
# manager (Openbox), inside a private network namespace, so what only a real
# X server shows can be tested: double-clicks, window titles, frames.
#   tests/app/run-on-x.sh PROGRAM [ARGS...]
# Exits 77 (skipped) when Xvfb, Openbox or xdotool is not installed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ "${SIGNSEEK_IN_PRIVATE_NET:-}" != 1 ]; then
  exec "$here/../../scripts/in-private-net.sh" "$0" "$@"
fi
for tool in Xvfb openbox xdotool xprop; do
  command -v "$tool" >/dev/null || { echo "run-on-x.sh: $tool is not installed; skipped" >&2; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display number itself and writes it to the pipe.
mkfifo "$work/display"
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x800x24 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
read -r -t 20 number <"$work/display" || { echo "run-on-x.sh: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$number"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
openbox --sm-disable >"$work/wm.log" 2>&1 &
pids+=($!)
# Openbox is ready once it has announced itself on the root window.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
"$@"
