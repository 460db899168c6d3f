#!/usr/bin/env bash
# Installs the Debian 12 (bookworm) packages Signseek needs. Safe to run again.
#   install-deps.sh        what building and running the programs needs
#   install-deps.sh package  that, and what building the Debian packages
#                          needs (README's packaging commands)
#   install-deps.sh test   that, and what the test suite, the fuzzers and the
#                          package check need as well
set -euo pipefail
packages=(cmake g++ make pkg-config gsoap libgsoap-dev uuid-dev nlohmann-json3-dev libutf8proc-dev
          libmosquitto-dev iproute2 util-linux qt6-base-dev libgl-dev libxcb1-dev fonts-dejavu-core)
if [ "${1:-}" = package ] || [ "${1:-}" = test ]; then
  # cpack's DEB generator runs dpkg-shlibdeps (dpkg-dev) and file; the build
  # takes its hardening flags from dpkg-buildflags.
  packages+=(dpkg-dev file)
fi
if [ "${1:-}" = test ]; then
  packages+=(libgtest-dev clang clang-format libclang-rt-14-dev lintian appstream jq python3-jsonschema
             xvfb openbox xdotool x11-utils ufw nftables iptables
             mosquitto mosquitto-clients)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
