#!/usr/bin/env bash
# `./run.sh --demo --cli --format json | jq .` works: run.sh's standard output
# is the search's JSON and nothing else (building reports on standard error).
#   run-sh-json.sh SOURCE_DIR BUILD_DIR
# Reuses the configured BUILD_DIR instead of installing and configuring; must
# run inside a private network namespace (the test run provides one).
set -euo pipefail
source_dir=$1
build_dir=$(cd "$2" && pwd)
if [ "${SIGNSEEK_IN_PRIVATE_NET:-}" != 1 ]; then
  echo "run-sh-json.sh: run me inside scripts/in-private-net.sh" >&2
  exit 2
fi
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
status=0
SIGNSEEK_RUN_BUILD_DIR=$build_dir "$source_dir/run.sh" --demo --cli --format json -t 1 >"$out" 2>"$err" || status=$?
if [ "$status" -ne 0 ] || ! jq -e '.devices | length == 4' "$out" >/dev/null; then
  echo "run.sh exited with $status; standard output:"
  cat "$out"
  echo "standard error:"
  cat "$err"
  exit 1
fi
# The build did report, just not on standard output.
grep -q . "$err" || { echo "run.sh said nothing on standard error"; exit 1; }
echo "ok: standard output is the search's JSON alone"
