#!/usr/bin/env bash
# Start-up of the analyzer against a bare Qt window of the same client area (698 x 522):
# the time until the top-level window is mapped and the peak resident memory, as medians of
# N runs of each, alternated, under one private X server, and the analyzer's figure as a
# multiple of the bare window's.
#
# Usage: scripts/startup-bench.sh [-n N] [--text] [--settle MS] [--analyzer PATH]
#                                 [--bare PATH] [--probe PATH]
#   -n N            runs of each program (default 7)
#   --text          also the bare window holding one line edit and one list ("bare+text"):
#                   what any window with text costs before it can map
#   --settle MS     how long each program runs on after its map before its peak memory is
#                   read (default 500: enough for the first paint)
#   --analyzer, --bare, --probe
#                   programs already built; without them the script builds all three in an
#                   optimised tree, build-startup/ (Release, no tests)
#
# Method (bench/startupprobe.c has the details): the probe watches the root window for
# MapNotify before it forks the program, so the time runs from just before fork() to the
# moment the X server reports the program's own window (by _NET_WM_PID) mapped: no polling
# interval in it. No window manager runs, so the map is the program's own and not delayed
# by a frame. After the map the program runs MS milliseconds more, then the peak is VmHWM of
# /proc/PID/status (the program's own address space since exec, nothing of the probe's), and
# the program ends on SIGTERM (the analyzer runs its exit procedure, after all is measured). Before the
# measured runs each program starts once unmeasured, so that both find the libraries, the
# fonts and the font cache in memory alike. The analyzer runs with --simulate.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
runs=7 settle=500 analyzer='' bare='' probe='' text=0
while (($#)); do
    case $1 in
        -n) runs=$2; shift ;;
        --text) text=1 ;;
        --settle) settle=$2; shift ;;
        --analyzer) analyzer=$2; shift ;;
        --bare) bare=$2; shift ;;
        --probe) probe=$2; shift ;;
        -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
        *) echo "startup-bench: unknown option $1 (--help)" >&2; exit 2 ;;
    esac
    shift
done
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "startup-bench: -n wants a positive count" >&2; exit 2; }

if [[ -z $analyzer || -z $bare || -z $probe ]]; then
    build=$root/build-startup
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLA_BUILD_TESTS=OFF \
        -DLA_BUILD_BENCH=ON >/dev/null
    cmake --build "$build" -j2 --target logic-analyzer barewindow startup-probe >/dev/null
    : "${analyzer:=$build/bin/logic-analyzer}" "${bare:=$build/bin/barewindow}"
    : "${probe:=$build/bin/startup-probe}"
fi
for program in "$analyzer" "$bare" "$probe"; do
    [[ -x $program ]] || { echo "startup-bench: $program is not a program" >&2; exit 1; }
done
command -v Xvfb >/dev/null || { echo "startup-bench: Xvfb missing (scripts/install-deps.sh)" >&2; exit 1; }

work=$(mktemp -d)
xvfb=''
cleanup() {
    [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# A display number of the server's own choosing; -noreset keeps it up between clients.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -noreset -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
exec 3>&-
for _ in $(seq 200); do [[ -s $work/display ]] && break; sleep 0.05; done
[[ -s $work/display ]] || { echo "startup-bench: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime

# measure NAME PROGRAM [ARGS...]: one run; appends "map_ms hwm_kib" to $work/NAME.
measure() {
    local name=$1 line
    shift
    line=$("$probe" --settle "$settle" "$@" 2>>"$work/$name.log") ||
        { echo "startup-bench: $name failed:" >&2; cat "$work/$name.log" >&2; exit 1; }
    [[ $line =~ map_ms=([0-9.]+)\ hwm_kib=([0-9]+) ]] ||
        { echo "startup-bench: probe said: $line" >&2; exit 1; }
    echo "${BASH_REMATCH[1]} ${BASH_REMATCH[2]}" >>"$work/$name"
    printf '  %-9s %8.1f ms %8.1f MiB\n' "$name" "${BASH_REMATCH[1]}" \
        "$(awk -v k="${BASH_REMATCH[2]}" 'BEGIN { print k / 1024 }')"
}

# Warm-up, not counted.
"$probe" --settle 0 "$analyzer" --simulate >/dev/null 2>&1 || true
"$probe" --settle 0 "$bare" >/dev/null 2>&1 || true

names=(analyzer bare)
if ((text)); then names+=(bare+text); fi
echo "startup-bench: $runs alternated runs of each on $DISPLAY (settle $settle ms)"
for ((i = 1; i <= runs; ++i)); do
    measure analyzer "$analyzer" --simulate
    measure bare "$bare"
    if ((text)); then measure bare+text "$bare" --text; fi
done

# median FILE COLUMN
median() {
    sort -g -k"$2","$2" "$1" | awk -v c="$2" '{ v[NR] = $c }
        END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
bt=$(median "$work/bare" 1) bm=$(median "$work/bare" 2)
printf 'medians      time to map   peak RSS    against bare\n'
for name in "${names[@]}"; do
    awk -v n="$name" -v t="$(median "$work/$name" 1)" -v m="$(median "$work/$name" 2)" \
        -v bt="$bt" -v bm="$bm" 'BEGIN {
        printf "  %-10s %8.1f ms %9.1f MiB    %.2fx  %.2fx\n", n, t, m / 1024, t / bt, m / bm }'
done
