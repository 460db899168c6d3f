#!/usr/bin/env bash
# Prints what forged announcements do to a watch: signseek-find --watch next
# to the demo simulator while another host (another loopback address) sends a
# Hello renaming each listed device, a Bye for each, and then HELLOS Hellos of
# devices that never answer a probe, each with an address of its own, spread
# over SECONDS. Counts the demo devices lost and renamed, the event lines and
# bytes written, the summary lines, and the finder's peak memory. Run it
# inside a private network namespace (scripts/in-private-net.sh).
#   bench/forged-announcements.sh BUILD_DIR [SECONDS] [HELLOS]
set -euo pipefail
build=${1:?build directory}
seconds=${2:-60}
hellos=${3:-100000}
work=$(mktemp -d)
trap 'kill "${find_pid:-}" "${sim_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

"$build/sim/signseek-sim" --demo --log /dev/null &
sim_pid=$!
sleep 1
"$build/cli/signseek-find" -i 127.0.0.1 -t 1 --watch --interval 5 >"$work/events" 2>"$work/errors" &
find_pid=$!
sleep 4  # the first search is over

python3 - "$work/events" "$seconds" "$hellos" <<'PY'
import json, socket, sys, time
events, seconds, hellos = sys.argv[1], float(sys.argv[2]), int(sys.argv[3])
listed = {}
for line in open(events):
    event = json.loads(line)
    if event.get("event") == "found":
        listed[event["address"]] = event["xAddrs"]
head = ('<?xml version="1.0" encoding="UTF-8"?><s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope" '
        'xmlns:a="http://schemas.xmlsoap.org/ws/2004/08/addressing" '
        'xmlns:d="http://schemas.xmlsoap.org/ws/2005/04/discovery"><s:Body>')
tail = '</s:Body></s:Envelope>'
def hello(address, xaddrs, name):
    return (head + '<d:Hello><a:EndpointReference><a:Address>%s</a:Address></a:EndpointReference>'
            '<d:Types>x8</d:Types><d:Scopes>http://schemas.marvane.com/scopes/marvane/Ferro/X8</d:Scopes>'
            '<d:XAddrs>%s</d:XAddrs><Description>%s</Description><d:MetadataVersion>9</d:MetadataVersion>'
            '</d:Hello>' % (address, xaddrs, name) + tail).encode()
def bye(address):
    return (head + '<d:Bye><a:EndpointReference><a:Address>%s</a:Address></a:EndpointReference></d:Bye>'
            % address + tail).encode()
forger = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
forger.bind(("127.0.0.2", 0))
forger.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton("127.0.0.1"))
group = ("239.255.255.250", 3702)
for i, (address, xaddrs) in enumerate(listed.items()):
    forger.sendto(hello(address, xaddrs, "HIJACKED-%d" % i), group)
time.sleep(1)
for address in listed:
    forger.sendto(bye(address), group)
start = time.monotonic()
for i in range(hellos):
    due = start + seconds * i / hellos
    while time.monotonic() < due:
        time.sleep(max(0.0, min(0.01, due - time.monotonic())))
    forger.sendto(hello("urn:uuid:0f0f0f0f-0000-4000-8000-%012d" % i,
                        "http://10.%d.%d.%d/" % (i // 65536 % 256, i // 256 % 256, i % 256), "Fake %d" % i), group)
with open(events + ".demo", "w") as out:
    out.write("\n".join(listed))
PY
sleep 6  # one more search
hwm_kb=$(awk '/^VmHWM/ {print $2}' "/proc/$find_pid/status")
kill -INT "$find_pid"
wait "$find_pid" || true
find_pid=

python3 - "$work/events" "$work/errors" "$hwm_kb" "$hellos" "$seconds" <<'PY'
import json, os, sys
events, errors, hwm_kb, hellos, seconds = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4], sys.argv[5]
demo = set(open(events + ".demo").read().split())
lines = [json.loads(line) for line in open(events)]
lost = sum(1 for e in lines if e["event"] == "lost" and e["address"] in demo)
renamed = sum(1 for e in lines if e["event"] in ("found", "changed") and e["address"] in demo and "HIJACKED" in (e.get("name") or ""))
fake = sum(1 for e in lines if e["address"].startswith("urn:uuid:0f0f0f0f"))
summaries = sum(1 for line in open(errors) if "unconfirmed announcements" in line)
print("forged announcements: %d listed devices, a renaming Hello and a Bye for each: %d renamed, %d lost"
      % (len(demo), renamed, lost))
print("  %s Hellos of unknown devices over %s s: %d event lines (%.1f MB) in all, %d of them for those devices, "
      "%d summary lines; finder peak %.1f MB"
      % (hellos, seconds, len(lines), os.path.getsize(events) / 1e6, fake, summaries, hwm_kb / 1024))
PY
