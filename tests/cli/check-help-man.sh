#!/usr/bin/env bash
# signseek-find's --help, its man page and README.md name the same options,
# and the CSV columns they list are the ones the program writes.
#   check-help-man.sh SIGNSEEK_FIND MAN_PAGE README
# Runs a search for the CSV header, so it must run inside a private network
# namespace (the test run provides one).
set -euo pipefail
find_program=$1 man_page=$2 readme=$3
fail=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# "-i, --interface" / "--port" / "TARGET, --target": every short and long
# option of an option line.
"$find_program" --help | grep -E '^  +(-|[A-Z]+, -)' | grep -oE -- '(^|[ ,])--?[A-Za-z][A-Za-z-]*' |
  tr -d ' ,' | sort -u >"$work/help"
sed -n '/^\.SH OPTIONS/,/^\.SH /p' "$man_page" | grep -A1 '^\.TP' | grep -v '^\.TP\|^--$' |
  sed 's/\\-/-/g; s/\\f[BIRP]//g' | grep -oE -- '(^|[ ,])--?[A-Za-z][A-Za-z-]*' | tr -d ' ,' |
  sort -u >"$work/man"
if ! diff -u --label "--help" --label "man page" "$work/help" "$work/man"; then
  echo "--help and the man page list different options"
  fail=1
fi
for option in $(grep -- '^--' "$work/help"); do
  grep -qE -- "$option([^a-z-]|$)" "$readme" || {
    echo "README.md does not mention $option"
    fail=1
  }
done

# The CSV header, from a search that hears nothing.
ip link set lo up 2>/dev/null || true
"$find_program" -i 127.0.0.1 --port 39999 -t 1 -f csv | head -1 | tr -d '\r' >"$work/csv"
columns=$(sed 's/,/, /g' "$work/csv")
# Each text names them as "columns: A, B, ..., Z" followed by ";" or ".".
for source in help "man page" README.md; do
  case $source in
    help) text=$("$find_program" --help) ;;
    "man page") text=$(cat "$man_page") ;;
    *) text=$(cat "$readme") ;;
  esac
  if ! tr '\n' ' ' <<<"$text" | tr -s ' ' | grep -qE "columns: ${columns}[;.]"; then
    echo "$source does not list the CSV columns $columns"
    fail=1
  fi
done
[ "$fail" = 0 ] && echo "ok: --help, man page and README agree"
exit "$fail"
