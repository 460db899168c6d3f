#!/usr/bin/env bash
# signseek-mqtt-publish-bench against a mosquitto broker started here, inside
# a private network namespace of its own, and against a broker in memory.
#   bench/mqtt-publish.sh BUILD_DIR [DEVICES]
set -euo pipefail
build=$(cd "${1:?build directory}" && pwd)
devices=${2:-10000}
if [ "${SIGNSEEK_IN_PRIVATE_NET:-}" != 1 ]; then
  exec "$(dirname "$0")/../scripts/in-private-net.sh" "$0" "$build" "$devices"
fi
work=$(mktemp -d)
trap 'kill "${broker:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
printf 'user root\nlistener %s 127.0.0.1\nallow_anonymous true\nmax_queued_messages 100000\n' "$port" >"$work/conf"
mosquitto -c "$work/conf" >/dev/null 2>&1 &
broker=$!
for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done
"$build/bench/signseek-mqtt-publish-bench" "$port" "$devices"
echo "broker memory: $(awk '/^VmRSS/ {printf "%.1f MB", $2 / 1024}' "/proc/$broker/status")"
"$build/bench/signseek-mqtt-publish-bench" 0 "$devices"
