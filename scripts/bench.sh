#!/usr/bin/env bash
# Builds the benchmarks in an optimised tree (build-bench/) and runs them.
#   scripts/bench.sh [extra Google Benchmark options, e.g. --benchmark_repetitions=5]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DLA_BUILD_TESTS=OFF \
  -DLA_BUILD_BENCH=ON >/dev/null
cmake --build build-bench --target bench_redraw bench_sampling bench_capture
build-bench/bin/bench_redraw "$@"
build-bench/bin/bench_sampling "$@"
build-bench/bin/bench_capture "$@"
