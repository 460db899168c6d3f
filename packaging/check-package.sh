#!/usr/bin/env bash
# Checks what a build installs and packages, without touching the machine:
#   check-package.sh BUILD_DIR install [gui]   `cmake --install` into a scratch DESTDIR
#   check-package.sh BUILD_DIR deb [gui]       `cpack -G DEB` into a scratch folder
# ("gui" when the build has the desktop program.)
# Both look for the programs, their man pages, signseek-find's output schema
# and shell completion, the desktop entry, the icon, the AppStream metainfo
# (valid by appstreamcli) and the shared settings folder (Marvane 0755,
# Discovery 1777, also made so by the package's post-install script). The deb
# check also wants each program in its package (signseek-find without Qt,
# signseek depending on it, signseek-sim), and every package passing lintian
# without a tag of level info or above beside the explained overrides (when lintian is
# installed; the test dependency set installs it).
set -euo pipefail
build=$(cd "$1" && pwd)
what=$2
gui=${3:-}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

metainfo=usr/share/metainfo/invalid.marvane.signseek.metainfo.xml
bash_completion=usr/share/bash-completion/completions/signseek-find
# Package, then the files it must hold.
find_files=(usr/bin/signseek-find usr/share/man/man1/signseek-find.1.gz
            usr/share/signseek-find/signseek-find.schema.json "$bash_completion"
            usr/share/zsh/vendor-completions/_signseek-find
            usr/lib/systemd/system/signseek-watch@.service
            usr/share/doc/signseek-find/copyright usr/share/doc/signseek-find/changelog.gz)
sim_files=(usr/bin/signseek-sim usr/share/man/man1/signseek-sim.1.gz
           usr/share/doc/signseek-sim/copyright usr/share/doc/signseek-sim/changelog.gz)
gui_files=(usr/bin/signseek usr/share/man/man1/signseek.1.gz usr/share/applications/signseek.desktop
           usr/share/icons/hicolor/scalable/apps/signseek.svg "$metainfo"
           usr/share/doc/signseek/copyright usr/share/doc/signseek/changelog.gz)
packages=(signseek-find signseek-sim)
[ "$gui" = gui ] && packages+=(signseek)
files_of() {
  case $1 in
  signseek-find) printf '%s\n' "${find_files[@]}" ;;
  signseek-sim) printf '%s\n' "${sim_files[@]}" ;;
  signseek) printf '%s\n' "${gui_files[@]}" ;;
  esac
}
fail=0
expect() { # description, condition...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "MISSING: $what"; fail=1; fi
}
# The metainfo and the completion as installed under root.
check_extras() {
  local root=$1
  expect "bash completion parses" bash -n "$root/$bash_completion"
  expect "schema is JSON" python3 -m json.tool "$root/usr/share/signseek-find/signseek-find.schema.json" /dev/null
  if [ "$gui" = gui ]; then
    if command -v appstreamcli >/dev/null; then
      expect "appstreamcli validate $metainfo" appstreamcli validate --no-net "$root/$metainfo"
    else
      echo "MISSING: appstreamcli (./scripts/install-deps.sh test installs it)"
      fail=1
    fi
  fi
}

case $what in
install)
  DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >/dev/null
  root=$scratch/root
  for p in "${packages[@]}"; do
    while read -r f; do
      case $f in
      usr/bin/*) expect "$f" test -x "$root/$f" ;;
      *) expect "$f" test -s "$root/$f" ;;
      esac
    done < <(files_of "$p")
  done
  expect "etc/default/signseek-watch 600" test "$(stat -c %a "$root/etc/default/signseek-watch" 2>/dev/null)" = 600
  expect "var/lib/Marvane 755" test "$(stat -c %a "$root/var/lib/Marvane" 2>/dev/null)" = 755
  expect "var/lib/Marvane/Discovery 1777" test "$(stat -c %a "$root/var/lib/Marvane/Discovery" 2>/dev/null)" = 1777
  check_extras "$root"
  ;;
deb)
  (cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >/dev/null)
  debs=()
  for p in "${packages[@]}"; do
    deb=$(ls "$scratch"/out/"${p}"_*.deb)
    debs+=("$deb")
    dpkg-deb -c "$deb" >"$scratch/$p.list"
    dpkg-deb -I "$deb" >"$scratch/$p.info"
    expect "Package: $p" grep -q "^ Package: $p\$" "$scratch/$p.info"
    expect "$p Depends: (found by dpkg-shlibdeps)" grep -q '^ Depends: .*libc6' "$scratch/$p.info"
    while read -r f; do
      expect "$p: $f" grep -q " \./$f\$" "$scratch/$p.list"
    done < <(files_of "$p")
    # Each program in its own package only.
    for other in "${packages[@]}"; do
      [ "$other" = "$p" ] || expect "$p: no usr/bin/$other" bash -c "! grep -q ' \./usr/bin/$other\$' '$scratch/$p.list'"
    done
  done
  expect "signseek-find Depends: no Qt" bash -c "! grep -qi '^ Depends: .*qt6' '$scratch/signseek-find.info'"
  expect "signseek-find: var/lib/Marvane/ drwxr-xr-x" \
    grep -q '^drwxr-xr-x .* \./var/lib/Marvane/$' "$scratch/signseek-find.list"
  expect "signseek-find: var/lib/Marvane/Discovery/ drwxrwxrwt" \
    grep -q '^drwxrwxrwt .* \./var/lib/Marvane/Discovery/$' "$scratch/signseek-find.list"
  expect "signseek-find: etc/default/signseek-watch -rw-------" \
    grep -q '^-rw------- .* \./etc/default/signseek-watch$' "$scratch/signseek-find.list"
  expect "signseek-find: conffile etc/default/signseek-watch" bash -c \
    "dpkg-deb --ctrl-tarfile '$(ls "$scratch"/out/signseek-find_*.deb)' | tar -xO ./conffiles | grep -qx /etc/default/signseek-watch"
  expect "signseek-find: postinst" grep -q ' postinst ' "$scratch/signseek-find.info"
  if [ "$gui" = gui ]; then
    expect "signseek Depends: signseek-find" grep -q '^ Depends: .*signseek-find (= ' "$scratch/signseek.info"
    expect "signseek Recommends: xdg-utils" grep -q '^ Recommends: .*xdg-utils' "$scratch/signseek.info"
  fi
  mkdir "$scratch/root"
  for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$scratch/root"; done
  check_extras "$scratch/root"
  if command -v lintian >/dev/null; then
    fail_on=${SIGNSEEK_LINTIAN_FAIL_ON:-error,warning,info}
    if lintian --display-info --fail-on "$fail_on" --allow-root "${debs[@]}" >"$scratch/lintian" 2>&1; then
      echo "ok: lintian finds nothing at levels $fail_on"
    else
      echo "MISSING: lintian without tags at levels $fail_on:"
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
