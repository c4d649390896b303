#!/usr/bin/env bash
# Builds the analyzer and logic-capture, and starts the analyzer on the simulated probe.
# Installs what is missing first (apt-get; sudo when not root). Extra arguments go to the
# analyzer, e.g.
#   scripts/run.sh                      the simulated probe
#   scripts/run.sh --port-library PATH  your own port library
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target logic-analyzer logic-capture port-hardware port-simulated
args=("$@")
(( ${#args[@]} )) || args=(--simulate)
exec build/bin/logic-analyzer "${args[@]}"
