#!/usr/bin/env bash
# Checks what a build installs and packages, without touching the machine:
#   check-package.sh BUILD_DIR install [gui]   `cmake --install` into a scratch DESTDIR
#   check-package.sh BUILD_DIR deb [gui]       `cpack -G DEB` into a scratch folder
# ("gui" when the build has the desktop program.)
# Both look for the programs, the desktop entry, the icon and the shared
# settings folder (mode 0777, or made so by the package's post-install script).
set -euo pipefail
build=$(cd "$1" && pwd)
what=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

programs=(usr/bin/signseek-find usr/bin/signseek-sim)
desktop=()
if [ "${3:-}" = gui ]; then
  programs+=(usr/bin/signseek)
  desktop=(usr/share/applications/signseek.desktop
           usr/share/icons/hicolor/scalable/apps/signseek.svg)
fi
fail=0
expect() { # description, condition...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "MISSING: $what"; fail=1; fi
}

case $what in
install)
  DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >/dev/null
  root=$scratch/root
  for f in "${programs[@]}"; do expect "$f" test -x "$root/$f"; done
  for f in "${desktop[@]}"; do expect "$f" test -s "$root/$f"; done
  for d in var/lib/Marvane var/lib/Marvane/Discovery; do
    expect "$d 777" test "$(stat -c %a "$root/$d" 2>/dev/null)" = 777
  done
  ;;
deb)
  (cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >/dev/null)
  deb=$(ls "$scratch"/out/signseek_*.deb)
  dpkg-deb -c "$deb" >"$scratch/list"
  dpkg-deb -I "$deb" >"$scratch/info"
  listed() { grep -q " \./$1\$" "$scratch/list"; }
  for f in "${programs[@]}" "${desktop[@]}"; do expect "$f" listed "$f"; done
  expect "var/lib/Marvane/ drwxrwxrwx" grep -q '^drwxrwxrwx .* \./var/lib/Marvane/$' "$scratch/list"
  expect "var/lib/Marvane/Discovery/ drwxrwxrwx" \
    grep -q '^drwxrwxrwx .* \./var/lib/Marvane/Discovery/$' "$scratch/list"
  expect "postinst" grep -q ' postinst ' "$scratch/info"
  expect "Package: signseek" grep -q '^ Package: signseek$' "$scratch/info"
  expect "Depends: (found by dpkg-shlibdeps)" grep -q '^ Depends: .*libc6' "$scratch/info"
  ;;
*)
  echo "check-package.sh: say install or deb" >&2
  exit 2
  ;;
esac
exit $fail
