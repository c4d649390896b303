#!/usr/bin/env bash
# Starts the built analyzer on a private X server, optionally operates it, and saves a
# picture of its main window. Builds nothing: run the build first.
# Usage: scripts/screenshot.sh [options] [OUT.png] [-- program arguments...]
#   --capture       press "ON", then "get", and wait until the capture has been drawn
#   --port          press "port" as well, so the port settings window shows
#   --screen        take the whole screen instead of the main window alone
#   --wait SECS     extra seconds to wait before the picture (default 0.5)
#   --program PATH  the analyzer to start (default build/bin/logic-analyzer)
# OUT defaults to assets/screenshot.png; program arguments (e.g. --simulate) follow "--".
# The README's picture: scripts/screenshot.sh --capture -- --simulate
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
program="$root/build/bin/logic-analyzer"
out="$root/assets/screenshot.png"
capture=0 port=0 whole=0 settle=0.5
args=()
while (($#)); do
    case $1 in
        --capture) capture=1 ;;
        --port) port=1 ;;
        --screen) whole=1 ;;
        --wait) settle=$2; shift ;;
        --program) program=$2; shift ;;
        --) shift; args=("$@"); break ;;
        -*) args+=("$1") ;;  # anything else unknown goes to the program
        *) out=$1 ;;
    esac
    shift
done
[[ -x $program ]] || { echo "screenshot: $program not built" >&2; exit 1; }
# Debian's ImageMagick, by its full path: another `convert` may come first on PATH.
IM=/usr/bin/convert IMPORT=/usr/bin/import
for tool in Xvfb xdotool xwininfo "$IM" "$IMPORT"; do
    command -v "$tool" >/dev/null || { echo "screenshot: $tool missing (scripts/install-deps.sh)" >&2; exit 1; }
done
mkdir -p "$(dirname "$out")"

work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A display number of the server's own choosing; -noreset keeps it up between clients.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -noreset -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.05; done
[[ -s $work/display ]] || { echo "screenshot: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime

# A window manager, when there is one, gives the window its frame and the focus, as on a
# desktop. Without one the window becomes active only at the first click.
if command -v openbox >/dev/null && command -v xprop >/dev/null; then
    openbox >"$work/openbox.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.05
    done
fi

QT_QPA_PLATFORM=xcb "$program" "${args[@]}" >"$work/program.log" 2>&1 &
app=$!
pids+=("$app")
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Logic Analyzer' | head -n1) || true
[[ -n $window ]] || { echo "screenshot: the window never showed" >&2; cat "$work/program.log" >&2; exit 1; }
# The client area's place on the screen (a window manager's frame lies around it).
read -r left top < <(xwininfo -id "$window" |
    awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} END {print x, y}')
if command -v openbox >/dev/null; then
    for _ in $(seq 50); do [[ $(xdotool getwindowfocus) == "$window" ]] && break; sleep 0.1; done
fi

# Clicks at a point of the window's client area.
click() {
    xdotool mousemove --sync $((left + $1)) $((top + $2)) click 1
    sleep 0.3
}
# The colour of a point of the client area, "R,G,B".
colour() {
    local x=$((left + $1)) y=$((top + $2))
    "$IMPORT" -window root "$work/probe.png"
    "$IM" "$work/probe.png" -format \
        "%[fx:round(255*p{$x,$y}.r)],%[fx:round(255*p{$x,$y}.g)],%[fx:round(255*p{$x,$y}.b)]" info:
}
# Waits (at most 15 s) until the point shows the colour.
wait_colour() {
    local end=$((SECONDS + 15))
    until [[ $(colour "$1" "$2") == "$3" ]]; do
        ((SECONDS < end)) || { echo "screenshot: ($1,$2) never turned $3" >&2; exit 1; }
        sleep 0.2
    done
}
if ((capture)); then
    click 640 488  # "ON"  (Command9 inside Frame4)
    click 544 472  # "get" (Command5)
    # The lamp over "get" (get_led) is red while the capture waits, dark red once it is drawn.
    wait_colour 544 452 255,0,0
    wait_colour 544 452 121,26,13
fi
if ((port)); then
    click 124 504  # "port" (Command3)
fi
sleep "$settle"

if ((whole)); then
    "$IMPORT" -window root "$out"
else
    "$IMPORT" -window "$window" "$out"
fi
kill -0 "$app" 2>/dev/null || { echo "screenshot: the program ended early" >&2; cat "$work/program.log" >&2; }
if [[ -s $work/program.log ]]; then sed "s/^/program: /" "$work/program.log" >&2; fi
echo "screenshot: wrote $out"
