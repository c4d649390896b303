#!/usr/bin/env bash
# Starts the built analyzer on a private X server, optionally operates it, and saves a
# picture of its main window. Builds nothing: run the build first.
# Usage: scripts/screenshot.sh [options] [OUT.png] [-- program arguments...]
#   --capture     press "ON", then "get", and wait for the capture (3 s) before the picture
#   --port        press "port" as well, so the port settings window shows
#   --screen      take the whole screen instead of the main window alone
#   --wait SECS   extra seconds to wait before the picture (default 0.5)
# OUT defaults to assets/screenshot.png; program arguments (e.g. --simulate) follow "--".
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
        --) shift; args=("$@"); break ;;
        -*) args+=("$1") ;;  # anything else unknown goes to the program
        *) out=$1 ;;
    esac
    shift
done
[[ -x $program ]] || { echo "screenshot: $program not built" >&2; exit 1; }
for tool in Xvfb xdotool xwininfo import; do
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

QT_QPA_PLATFORM=xcb "$program" "${args[@]}" >"$work/program.log" 2>&1 &
app=$!
pids+=("$app")
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Logic Analyzer' | head -n1) || true
[[ -n $window ]] || { echo "screenshot: the window never showed" >&2; cat "$work/program.log" >&2; exit 1; }

# Clicks at a control's centre, in pixels of the window's client area.
click() {
    xdotool mousemove --window "$window" "$1" "$2" click 1
    sleep 0.3
}
if ((capture)); then
    click 640 488  # "ON"  (Command9 inside Frame4)
    click 544 472  # "get" (Command5)
    sleep 3
fi
if ((port)); then
    click 124 504  # "port" (Command3)
fi
sleep "$settle"

if ((whole)); then
    import -window root "$out"
else
    import -window "$window" "$out"
fi
kill -0 "$app" 2>/dev/null || { echo "screenshot: the program ended early" >&2; cat "$work/program.log" >&2; }
if [[ -s $work/program.log ]]; then sed "s/^/program: /" "$work/program.log" >&2; fi
echo "screenshot: wrote $out"
