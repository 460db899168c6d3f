#!/usr/bin/env bash
# Installs what is missing, builds Signseek twice (plain, and with
# AddressSanitizer + UndefinedBehaviorSanitizer) and runs the whole test suite
# of each build inside a private network namespace, then the fuzzers (about
# a minute each for the two message readers).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh test
# Sources stay as .clang-format lays them out (scripts/check-format.sh --fix).
./scripts/check-format.sh
jobs=$(nproc)

# A developer's machine with ccache rebuilds only what changed.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

build() { # dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@"
  cmake --build "$dir" -j "$jobs"
}

# The run command may have configured build/ without its tests.
build build -DSIGNSEEK_TESTS=ON
build build-asan -DSIGNSEEK_SANITIZE=ON -DSIGNSEEK_TESTS=ON
build build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DSIGNSEEK_FUZZ=ON -DSIGNSEEK_TESTS=OFF

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for dir in build build-asan; do
  echo "== tests: $dir"
  ./scripts/in-private-net.sh ctest --test-dir "$dir" --output-on-failure -j "$jobs"
done

echo "== fuzzers"
./scripts/run-fuzzers.sh build-fuzz "${SIGNSEEK_FUZZ_SECONDS:-150}"
echo "All tests passed."
