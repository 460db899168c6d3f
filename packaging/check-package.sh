#!/usr/bin/env bash
# Checks what a build installs and packages, without touching the machine:
#   check-package.sh BUILD_DIR install [gui]   `cmake --install` into a scratch DESTDIR
#   check-package.sh BUILD_DIR deb [gui]       `cpack -G DEB` into a scratch folder
# ("gui" when the build has the desktop program.)
# Both look for the programs, their man pages, the desktop entry, the icon and
# the shared settings folder (Marvane 0755, Discovery 1777, also made so by
# the package's post-install script). The deb check also wants signseek-sim in a package of
# its own, and both packages passing lintian without errors (when lintian is
# installed; the test dependency set installs it).
set -euo pipefail
build=$(cd "$1" && pwd)
what=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

programs=(usr/bin/signseek-find usr/bin/signseek-sim)
manuals=(usr/share/man/man1/signseek-find.1.gz usr/share/man/man1/signseek-sim.1.gz)
desktop=()
if [ "${3:-}" = gui ]; then
  programs+=(usr/bin/signseek)
  manuals+=(usr/share/man/man1/signseek.1.gz)
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
  for f in "${desktop[@]}" "${manuals[@]}"; do expect "$f" test -s "$root/$f"; done
  expect "var/lib/Marvane 755" test "$(stat -c %a "$root/var/lib/Marvane" 2>/dev/null)" = 755
  expect "var/lib/Marvane/Discovery 1777" test "$(stat -c %a "$root/var/lib/Marvane/Discovery" 2>/dev/null)" = 1777
  ;;
deb)
  (cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >/dev/null)
  deb=$(ls "$scratch"/out/signseek_*.deb)
  simdeb=$(ls "$scratch"/out/signseek-sim_*.deb)
  dpkg-deb -c "$deb" >"$scratch/list"
  dpkg-deb -I "$deb" >"$scratch/info"
  dpkg-deb -c "$simdeb" >"$scratch/simlist"
  dpkg-deb -I "$simdeb" >"$scratch/siminfo"
  listed() { grep -q " \./$1\$" "$scratch/list"; }
  simlisted() { grep -q " \./$1\$" "$scratch/simlist"; }
  for f in "${programs[@]}" "${desktop[@]}" "${manuals[@]}"; do
    case $f in
    *signseek-sim*) expect "signseek-sim: $f" simlisted "$f"
                    expect "signseek: no $f" bash -c "! grep -q ' \./$f\$' '$scratch/list'" ;;
    *) expect "$f" listed "$f" ;;
    esac
  done
  for p in signseek signseek-sim; do
    l=$scratch/list
    [ $p = signseek-sim ] && l=$scratch/simlist
    for f in copyright changelog.gz; do
      expect "$p: usr/share/doc/$p/$f" grep -q " \./usr/share/doc/$p/$f\$" "$l"
    done
  done
  expect "var/lib/Marvane/ drwxr-xr-x" grep -q '^drwxr-xr-x .* \./var/lib/Marvane/$' "$scratch/list"
  expect "var/lib/Marvane/Discovery/ drwxrwxrwt" \
    grep -q '^drwxrwxrwt .* \./var/lib/Marvane/Discovery/$' "$scratch/list"
  expect "postinst" grep -q ' postinst ' "$scratch/info"
  expect "Package: signseek" grep -q '^ Package: signseek$' "$scratch/info"
  expect "Package: signseek-sim" grep -q '^ Package: signseek-sim$' "$scratch/siminfo"
  expect "Depends: (found by dpkg-shlibdeps)" grep -q '^ Depends: .*libc6' "$scratch/info"
  expect "signseek-sim Depends: (found by dpkg-shlibdeps)" grep -q '^ Depends: .*libc6' "$scratch/siminfo"
  expect "Recommends: xdg-utils" grep -q '^ Recommends: .*xdg-utils' "$scratch/info"
  if command -v lintian >/dev/null; then
    if lintian --fail-on error --allow-root "$deb" "$simdeb" >"$scratch/lintian" 2>&1; then
      echo "ok: lintian finds no errors"
    else
      echo "MISSING: lintian without errors:"
      cat "$scratch/lintian"
      fail=1
    fi
  else
    echo "MISSING: lintian (./scripts/install-deps.sh test installs it)"
    fail=1
  fi
  ;;
*)
  echo "check-package.sh: say install or deb" >&2
  exit 2
  ;;
esac
exit $fail
