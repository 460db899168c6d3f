#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a share of a time budget, each
# from a scratch copy of its seeds and saved regressions, inside a private
# network namespace. Fails on any crash, leak, time-out, memory blow-up or
# sanitizer report, and prints one summary line per target.
#
#   scripts/run-fuzzers.sh BUILD_DIR [SECONDS]   (SECONDS: whole budget, default 60)
#
# Scratch corpora, logs and crash artifacts stay in BUILD_DIR/fuzz-run/<target>.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${SIGNSEEK_IN_PRIVATE_NET:-}" != 1 ]; then
  exec ./scripts/in-private-net.sh "$0" "$@"
fi

build=${1:?usage: $0 BUILD_DIR [SECONDS]}
budget=${2:-60}
[[ $budget =~ ^[0-9]+$ ]] || { echo "SECONDS must be a whole number" >&2; exit 2; }

# target:weight:dictionary. The listener targets get most of the time.
targets=(
  envelope:4:fuzz/dict/envelope.dict
  http_request:4:fuzz/dict/http.dict
  http_listener:3:fuzz/dict/http.dict
  prefix_check:1:fuzz/dict/envelope.dict
  device_text:1:
)
weights=0
for t in "${targets[@]}"; do weights=$((weights + $(cut -d: -f2 <<<"$t"))); done

export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=1"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}print_stacktrace=1:halt_on_error=1"

failed=0
summary=()
start=$SECONDS
for t in "${targets[@]}"; do
  IFS=: read -r name weight dict <<<"$t"
  bin=$build/fuzz/fuzz_$name
  seconds=$((budget * weight / weights))
  ((seconds >= 5)) || seconds=5
  run=$build/fuzz-run/$name
  rm -rf "$run"
  mkdir -p "$run/corpus" "$run/artifacts"
  if [ ! -x "$bin" ]; then
    summary+=("fuzz_$name: FAILED (no binary at $bin)")
    failed=1
    continue
  fi
  cp fuzz/corpus/"$name"/* "$run/corpus/"
  regressions=()
  if [ -d "fuzz/regressions/$name" ]; then
    mapfile -t regressions < <(find "fuzz/regressions/$name" -type f | sort)
    [ ${#regressions[@]} -eq 0 ] || cp "${regressions[@]}" "$run/corpus/"
  fi

  opts=(-max_len=70000 -rss_limit_mb=2048 -timeout=20 -detect_leaks=1 -print_final_stats=1
        -artifact_prefix="$run/artifacts/")
  [ -z "$dict" ] || opts+=(-dict="$dict")

  status=ok
  # Saved findings first, one by one, so a regression fails on its own name.
  if [ ${#regressions[@]} -gt 0 ] &&
     ! "$bin" "${opts[@]}" "${regressions[@]}" >"$run/regressions.log" 2>&1; then
    status="FAILED (regression; see $run/regressions.log)"
  fi
  rc=0
  "$bin" "${opts[@]}" -max_total_time="$seconds" "$run/corpus" >"$run/fuzz.log" 2>&1 || rc=$?
  artifacts=$(find "$run/artifacts" -type f | head -n 3 | tr '\n' ' ')
  if [ $rc -ne 0 ] || [ -n "$artifacts" ] ||
     grep -qE 'ERROR: (Address|Leak|UndefinedBehavior)Sanitizer|runtime error:' "$run/fuzz.log"; then
    status="FAILED (exit $rc; artifacts: ${artifacts:-none}; log: $run/fuzz.log)"
    echo "== fuzz_$name failed:" >&2
    grep -E -m1 -A25 '^==[0-9]+==ERROR|runtime error:|ALARM|out-of-memory' "$run/fuzz.log" >&2 || tail -n 30 "$run/fuzz.log" >&2
  fi
  [ "$status" = ok ] || failed=1
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/fuzz.log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$run/fuzz.log")
  rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$run/fuzz.log")
  cov=$(grep -oE 'cov: [0-9]+' "$run/fuzz.log" | tail -n 1 | cut -d' ' -f2 || true)
  corpus=$(find "$run/corpus" -type f | wc -l)
  summary+=("fuzz_$name: $status, ${seconds}s, ${runs:-0} runs (${rate:-0}/s), cov ${cov:-?}, corpus $corpus, peak rss ${rss:-?} MB, ${#regressions[@]} regressions")
done

echo "== fuzz summary ($((SECONDS - start))s)"
printf '%s\n' "${summary[@]}"
exit $failed
