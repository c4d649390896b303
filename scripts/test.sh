#!/usr/bin/env bash
# Builds everything and runs every test: first the normal build (build/), then the whole
# suite again under the address and undefined-behaviour sanitizers (build-asan/).
# Installs what is missing first (apt-get; sudo when not root).
#   scripts/test.sh                  everything
#   scripts/test.sh --no-sanitize    the normal build only (quicker, for development)
set -euo pipefail
cd "$(dirname "$0")/.."
sanitize=1
[[ ${1:-} == --no-sanitize ]] && sanitize=0

scripts/install-deps.sh test

jobs=$(nproc)
# run_suite DIR CTEST_ARGS... -- CMAKE_ARGS...
run_suite() {
  local dir=$1; shift
  local ctest_args=()
  while [[ $1 != -- ]]; do ctest_args+=("$1"); shift; done
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" "${ctest_args[@]}"
}

run_suite build -- -DLA_SANITIZE=OFF -DLA_BUILD_TESTS=ON
if (( sanitize )); then
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
  export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  # The virtual machine's test boots a kernel to exercise the port library; the normal
  # build has run it, and in this tree it would only repeat the boot.
  run_suite build-asan -LE vm -- -DLA_SANITIZE=ON -DLA_BUILD_TESTS=ON -DLA_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
fi
