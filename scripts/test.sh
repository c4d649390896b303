#!/usr/bin/env bash
# Builds everything and runs every test. Installs what is missing first (apt-get; sudo when
# not root).
#   scripts/test.sh           the whole suite under the address and undefined-behaviour
#                             sanitizers (build-asan/): what CI runs
#   scripts/test.sh --plain   the whole suite on the ordinary build (build/)
# One build, not both: a second full build of a Qt program doubles the run for little, since
# every test of the plain build also runs, with more checks, in the sanitized one.
set -euo pipefail
cd "$(dirname "$0")/.."
plain=0
case ${1:-} in
  --plain) plain=1 ;;
  "") ;;
  *) echo "usage: scripts/test.sh [--plain]" >&2; exit 2 ;;
esac

scripts/install-deps.sh test

jobs=$(nproc)
if (( plain )); then
  dir=build
  cmake -S . -B "$dir" -G Ninja -DLA_SANITIZE=OFF -DLA_BUILD_TESTS=ON >/dev/null
else
  dir=build-asan
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
  export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  # -O1 as the sanitizers advise; line tables are enough for their reports.
  cmake -S . -B "$dir" -G Ninja -DLA_SANITIZE=ON -DLA_BUILD_TESTS=ON -DLA_BUILD_BENCH=ON \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DCMAKE_C_FLAGS_DEBUG="-O1 -g1" \
    >/dev/null
fi
cmake --build "$dir" -j "$jobs"
ctest --test-dir "$dir" --output-on-failure -j "$jobs"
