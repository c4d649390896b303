#!/usr/bin/env bash
# Whole-program checks: the built analyzer on a private X server under openbox, operated with
# real pointer and key events (xdotool), judged by the pixels of screenshots (ImageMagick), by
# the calls that reach its port library (logged by libe2e-port.so, see e2eportlib.cpp), by its
# messages and by its exit status.
#
# Usage: e2e.sh SCENARIO PROGRAM PORT-LIBRARY CXX-NAMES-LIBRARY WRITE-ONLY-LIBRARY
#   session    start-up picture, power on, a capture, Light, the port window, exit
#   close-box  the window's close box ends the program like "exit"
#   bad-input  port libraries that cannot be used, an unknown option, unreachable displays
#   endings    SIGTERM, SIGINT and SIGHUP, idle and with a capture armed, and the X server
#              killed under the program: each leaves the port as "exit" does
#   handoff    a port that cannot be read offers the simulated probe, whose capture then
#              opens in a real PulseView from the screen's menu; the exit writes still reach
#              the library the program was started with
#   ports      a machine with a PCI card's port at 0xD010 (a /proc of its own, in a mount
#              namespace: root only): the port window offers it, the capture reads it and
#              the exit writes go to it
#   slow-port  a port library whose reads take 10 ms: SIGTERM and the close box stop a
#              capture at once; one whose read never returns: the program gives up after
#              2 s with the exit writes and a message, also when its Out32 waits on that read
# Works in ./e2e-SCENARIO (screenshots, logs), kept for a look after a failure.
# Exit status: 0 passed, 1 failed, 77 skipped (a tool is missing).
set -euo pipefail

scenario=$1 program=$2 portlib=$3 cxxlib=$4 writeonlylib=$5
here=$(cd "$(dirname "$0")" && pwd)
IM=/usr/bin/convert IMPORT=/usr/bin/import # Debian's ImageMagick; PATH may offer others

for tool in Xvfb openbox xdotool xwininfo xprop timeout "$IM" "$IMPORT"; do
    command -v "$tool" >/dev/null ||
        { echo "SKIP: $tool is missing (scripts/install-deps.sh test installs it)"; exit 77; }
done

work=$PWD/e2e-$scenario
rm -rf "$work"
mkdir -p "$work/runtime"
chmod 700 "$work/runtime"
# Settings of its own: PulseView, for one, would reopen the user's last session.
export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache \
    QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
# For a sanitizer build: one false report from a system library (see asan.supp). The rest of
# the caller's options stay as they are.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}suppressions=$here/asan.supp"
# The suite's leak suppressions (system libraries under Qt) also when ctest runs without
# scripts/test.sh: the X platform brings in D-Bus, which the offscreen tests never load.
[[ ${LSAN_OPTIONS:-} == *suppressions=* ]] ||
    export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/../lsan.supp:print_suppressions=0"

pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

fail() {
    echo "FAIL ($scenario): $*"
    [[ -s $work/stderr ]] && sed 's/^/  program stderr: /' "$work/stderr"
    exit 1
}
ok() { echo "ok: $*"; }

# poll TIMES COMMAND...: runs COMMAND every 0.1 s until it succeeds, at most TIMES times.
poll() {
    local n=$1
    shift
    for _ in $(seq "$n"); do "$@" && return 0; sleep 0.1; done
    return 1
}

# --- The X server, its window manager and the program ---

# A display number of the server's own choosing; -noreset keeps it up between clients.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -noreset -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
poll 100 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"

# openbox gives the window a close box and the focus, as a desktop does. Its settings are the
# system's: a user's own could move the close box.
XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
poll 100 wm_up || fail "openbox did not start"

log=$work/port.log
export LA_E2E_PORT_LOG=$log
app='' win='' X=0 Y=0 W=0 status=''

# window_named REGEX SECONDS: the first visible window whose name matches, waited for. Polled
# rather than xdotool's --sync, which ends with an X error when a window it looks at goes away
# meanwhile (as programs starting up make and drop windows).
window_named() {
    local found deadline=$((SECONDS + $2))
    while ((SECONDS < deadline)); do
        found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1) || true
        [[ -n $found ]] && { echo "$found"; return 0; }
        sleep 0.1
    done
    return 1
}

focused() { [[ $(xdotool getwindowfocus) == "$1" ]]; }
ended() { ! kill -0 "$1" 2>/dev/null; }
gone() { ! xdotool search --onlyvisible --name "$1" >/dev/null; }
# windows_over N: the program shows more than N windows (a menu or a list opens as one).
windows_over() { (($(xdotool search --onlyvisible --pid "$app" 2>/dev/null | wc -l) > $1)); }

# start ARGS...: starts the program (through the commands in $launcher, if any) and waits
# for its window.
launcher=()
start() {
    rm -f "$log"
    "${launcher[@]}" "$program" "$@" >"$work/stdout" 2>"$work/stderr" &
    app=$!
    pids+=("$app")
    win=$(window_named '^Logic Analyzer' 30) ||
        fail "the window never showed"
    read -r X Y W _ < <(origin "$win")
    # openbox hands the focus to a new window; the first activation redraws the screen, and a
    # click that came before it would see its picture wiped.
    poll 100 focused "$win" || fail "the window never got the focus"
}

# await_box TITLE: waits (bounded) until a message box of that title shows and has the focus,
# so that the keys that follow reach it.
await_box() {
    local box
    box=$(window_named "^$1\$" 15) && poll 100 focused "$box"
}

# origin WINDOW: "X Y WIDTH HEIGHT" of its client area on the screen. xdotool's own geometry
# would include openbox's frame.
origin() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
        /^ *Width:/ {w = $2} /^ *Height:/ {h = $2} END {print x, y, w, h}'
}

# finish LABEL STATUS [SECONDS]: waits (bounded, 10 s unless told) for the program to end,
# sets $status and fails unless it is STATUS.
finish() {
    local deadline=$((SECONDS + ${3:-10}))
    while ((SECONDS < deadline)); do kill -0 "$app" 2>/dev/null || break; sleep 0.05; done
    kill -0 "$app" 2>/dev/null && fail "$1: the program did not end"
    status=0
    wait "$app" || status=$?
    [[ $status == "$2" ]] || fail "$1: status $status, not $2"
}

# click X Y [WINDOW]: a left click at a point of the main window's client area, or WINDOW's.
click() {
    local ox=$X oy=$Y
    [[ -n ${3:-} ]] && read -r ox oy _ < <(origin "$3")
    xdotool mousemove --sync $((ox + $1)) $((oy + $2)) click 1
}

# --- Pictures ---

shot='' shots=0
take() {
    shots=$((shots + 1))
    shot=$work/$(printf "%02d" $shots)-${1//[^A-Za-z0-9]/-}.png
    "$IMPORT" -window root "$shot"
}

# colours X Y [X Y...]: "R,G,B" of client-area points of the latest picture, one per line.
colours() {
    local format='' x y
    while (($#)); do
        x=$((X + $1)) y=$((Y + $2))
        shift 2
        format+="%[fx:round(255*p{$x,$y}.r)],%[fx:round(255*p{$x,$y}.g)],%[fx:round(255*p{$x,$y}.b)]\n"
    done
    "$IM" "$shot" -format "$format" info:
}

# The mismatches of the latest picture's checks gather in $why.
why=''
# points X Y COLOUR [X Y COLOUR...]: the colours at client-area points.
points() {
    local coords=() want=() got i
    while (($#)); do coords+=("$1" "$2"); want+=("$1,$2 $3"); shift 3; done
    mapfile -t got < <(colours "${coords[@]}")
    for i in "${!want[@]}"; do
        [[ ${got[i]} == "${want[i]#* }" ]] || why+="($((coords[2*i])),$((coords[2*i+1]))) is ${got[i]}, not ${want[i]#* }; "
    done
}
# screen X Y COLOUR...: the same at points of the scope screen (Picture1, at 24,24).
screen() {
    local args=()
    while (($#)); do args+=($((24 + $1)) $((24 + $2)) "$3"); shift 3; done
    points "${args[@]}"
}
# count X Y W H COLOUR N: exactly N pixels of COLOUR in that client-area rectangle.
count() {
    local n
    n=$("$IM" "$shot" -crop "$3x$4+$((X + $1))+$((Y + $2))" +repage -alpha off \
        -fill black +opaque "rgb($5)" -fill white -opaque "rgb($5)" \
        -format '%[fx:round(mean*w*h)]' info:)
    [[ $n == "$6" ]] || why+="$n pixels of $5 in ${3}x$4+$1+$2, not $6; "
}

# expect LABEL CHECK...: takes pictures until CHECK finds nothing amiss, for up to 10 s: the
# window repaints a moment after the event that changed it.
expect() {
    local label=$1 deadline=$((SECONDS + 10))
    shift
    while :; do
        take "$label"
        why=''
        "$@"
        [[ -z $why ]] && { ok "$label"; return; }
        ((SECONDS < deadline)) || fail "$label: $why(picture $shot)"
        sleep 0.2
    done
}

# Colours of the panel (see display/, acquisition/channeldecoder.h, acquisition/capturecycle.h).
BACK=70,130,180 GRID=70,86,115 BEAM=70,200,180
LIT=255,255,68 UNLIT=122,124,37 ARMED=255,0,0 DONE=121,26,13 TIMEBOX=0,0,64
LAMP_AT_START=128,128,0 # control/frontpanel.h

# Controls' centres in client pixels (ui/mainwindow.cpp, twips / 15).
ON_X=640 ON_Y=488       # Command9: Frame4 (616,424) + (8,48), 33 x 33
GET_X=544 GET_Y=472     # Command5 (528,464) 33 x 17
LED_X=544 LED_Y=452     # get_led (528,448) 33 x 9
LIGHT_X=648 LIGHT_Y=101 # VScroll1 (624,96) 49 x 25: the top arrow is its upper half
PORT_X=124 PORT_Y=504   # Command3 (104,496) 41 x 17
EXIT_X=44 EXIT_Y=504    # Command4 (24,496) 41 x 17
# In the port window (ui/portwindow.cpp): its list Combo1 (16,16) 57 x 21, OK (24,120) 49 x 17.
LIST_X=44 LIST_Y=26 OK_X=48 OK_Y=128
# Lamp k (1..5) is led<k> at (392 + 24 (k-1), 456), 9 x 9.
lamp() { echo $((396 + 24 * ($1 - 1))) 460; }

# on_and_get: switches on and presses "get".
on_and_get() { click $ON_X $ON_Y; click $GET_X $GET_Y; }

# capture: presses "get" and waits for the capture two seconds later.
capture() {
    click $GET_X $GET_Y
    expect "get-armed" points $LED_X $LED_Y $ARMED
    expect "get-done" points $LED_X $LED_Y $DONE
}

# calls: the port library's log in runs of equal lines, "9999 r 889;1 w 888 255;".
calls() { [[ -e $log ]] || return 0; uniq -c "$log" | awk '{ $1 = $1; printf "%s;", $0 }'; }
# calls_are LABEL RUNS: the log is exactly RUNS, as calls shows them.
calls_are() {
    local got
    got=$(calls)
    [[ $got == "$2" ]] || fail "$1: the port saw \"$got\", not \"$2\""
    ok "$1"
}

# --- The scenarios ---

# The picture before power on: the screen's colour and graticule (lines every 40 pixels), no
# dot of any trace, the time box dark with its "uS".
startup_picture() {
    screen 20 20 $BACK 0 20 $GRID 40 20 $GRID 41 20 $BACK 520 20 $GRID 540 20 $BACK \
        20 0 $GRID 20 40 $GRID 20 41 $BACK 20 360 $GRID 20 380 $BACK 556 399 $BACK
    count 24 24 557 400 $BEAM 0
    points 530 490 $TIMEBOX
    for k in 1 2 3 4 5; do points $(lamp $k) $LAMP_AT_START; done
    # A few pixels of the box's light text.
    local ink
    ink=$("$IM" "$shot" -crop "29x15+$((X + 530))+$((Y + 490))" +repage -alpha off \
        -fill black -opaque "rgb($TIMEBOX)" -format '%[fx:mean>0.05]' info:)
    [[ $ink == 1 ]] || why+="the time box shows no text; "
}

# Power on: the five channels idle, each a row of 2 x 2 dots on its lower level (65, 130, 195,
# 260, 325), over the whole width; the dots cover the graticule.
idle_traces() {
    local level x at=()
    for level in 65 130 195 260 325; do
        for x in 1 100 280 556; do at+=($x $level $BEAM $x $((level - 1)) $BEAM); done
        at+=(100 $((level + 1)) $BACK 100 $((level - 2)) $BACK 100 $((level - 30)) $BACK)
    done
    screen "${at[@]}" 40 65 $BEAM 40 20 $GRID
    count 24 24 557 400 $BEAM $((5 * 2 * 557))
}

# The capture of the library's pattern at zoom 001 (one sample a pixel): samples 1..300 read
# 0x50 (channels 1 and 4 high), the rest 0xA8 (channels 2, 3 and 5 high on the port; channel 3
# arrives inverted, so it shows low). The lamps show the last sample.
captured_traces() {
    # Channel levels for x = 150 (first pattern), then x = 450 (second pattern).
    local high_first=(35 130 165 230 325) high_last=(65 100 195 260 295) k at=()
    for k in 0 1 2 3 4; do
        at+=(150 ${high_first[k]} $BEAM 149 $((high_first[k] - 1)) $BEAM 150 ${high_last[k]} $BACK
             450 ${high_last[k]} $BEAM 449 $((high_last[k] - 1)) $BEAM 450 ${high_first[k]} $BACK)
    done
    # The graticule lies over the dots.
    screen "${at[@]}" 160 35 $GRID 480 295 $GRID
    # Columns 0..300 at the first levels and 300..556 at the second, less the 14 grid columns.
    count 24 24 557 400 $BEAM $((5 * 2 * (301 + 257 - 14)))
    points $(lamp 1) $UNLIT $(lamp 2) $LIT $(lamp 3) $UNLIT $(lamp 4) $UNLIT $(lamp 5) $LIT
}

# Three clicks on Light's top arrow: every component of the screen's colour up by 3, and the
# capture redrawn at zoom 010 (dot n is sample 10 n - 9: the first pattern up to dot 30).
lighter_screen() {
    screen 20 20 73,133,183 40 20 $GRID 15 35 $BEAM 15 65 73,133,183 \
        210 100 $BEAM 210 130 73,133,183
}

session() {
    start --port-library "$portlib"
    expect "start-up picture" startup_picture
    # The pictures are BMP files that Qt reads itself: no image plugin is loaded for them.
    ! grep -q '/imageformats/' "/proc/$app/maps" || fail "an image plugin was loaded at start-up"
    ok "start-up: no image plugin loaded"

    click $ON_X $ON_Y
    expect "power on: idle traces" idle_traces
    calls_are "power on: no port call" ""

    capture
    expect "capture: traces and lamps" captured_traces
    calls_are "capture: 9999 reads of the status register 0x379" "9999 r 889;"

    xdotool mousemove --sync $((X + LIGHT_X)) $((Y + LIGHT_Y)) click --repeat 3 --delay 150 1
    expect "Light: three steps brighter" lighter_screen

    click $PORT_X $PORT_Y
    local portwin
    portwin=$(window_named '^port$' 10) ||
        fail "the port window never showed"
    # A click on the scope screen raises the main window, but not above the port window it
    # owns: the port window's frame still shows at its bottom left corner.
    local px py
    read -r px py _ < <(origin "$portwin")
    click 300 40
    expect "port window stays above the main window" points $((px - X + 5)) $((py - Y + 142)) 0,0,64
    click $LIST_X $LIST_Y "$portwin"
    # The list opens as a popup window of its own, which takes the keys.
    poll 100 windows_over 2 || fail "the port window's list did not open"
    xdotool key --delay 100 Down Down Return
    click $OK_X $OK_Y "$portwin"
    poll 100 gone '^port$' || fail "OK left the port window open"
    calls_are "Light and the port window: no port call" "9999 r 889;"

    capture
    calls_are "capture after &H278: 9999 reads of 0x279" "9999 r 889;9999 r 633;"

    click $EXIT_X $EXIT_Y
    finish exit 0
    calls_are "exit: 255 to 0x278, then 12 to 0x27A" "9999 r 889;9999 r 633;1 w 632 255;1 w 634 12;"
}

close_box() {
    start --port-library "$portlib"
    close_window
    finish "close box" 0
    calls_are "close box: 255 to 0x378, then 12 to 0x37A" "1 w 888 255;1 w 890 12;"
    [[ ! -s $work/stderr ]] || fail "close box: the program complained"
}

# bad_library LABEL PATH REASON: the program starts with a library it cannot use; a capture
# ends in a message box and the instrument carries on; at exit it says why it could not leave
# the port in its final state, and ends with status 1.
bad_library() {
    local label=$1 path=$2 reason=$3
    start --port-library "$path"
    on_and_get
    await_box 'Capture failed' || fail "$label: no message box after get"
    take "$label message"
    [[ ! -s $work/stderr ]] || fail "$label: messages on stderr before exit"
    xdotool key Return
    poll 100 gone '^Capture failed$' || true
    expect "$label: get ready again" points $LED_X $LED_Y $DONE
    kill -0 "$app" 2>/dev/null || fail "$label: the program ended with the message"

    # At exit the port fails again: said in a message box too, then the program ends.
    click $EXIT_X $EXIT_Y
    await_box 'logic-analyzer: port access failed' || fail "$label: no message box at exit"
    xdotool key Return
    finish "$label: exit" 1
    local said
    said=$(grep -c '^logic-analyzer:' "$work/stderr") || true
    [[ $said == 1 ]] && grep -q "^logic-analyzer: could not leave the port in its final state: .*$reason" "$work/stderr" ||
        fail "$label: stderr does not say once that \"$reason\""
    ok "$label: message box, then one line on stderr and status 1"
}

bad_input() {
    mkdir -p "$work/a-directory"
    echo "not a library" >"$work/not-a-library.so"
    bad_library "a directory" "$work/a-directory" "it is a directory"
    bad_library "a text file" "$work/not-a-library.so" "not a shared object this program can load"
    bad_library "no C names" "$cxxlib" "has no function Out32"

    rm -f "$log"
    status=0
    timeout 20 "$program" --port-library "$portlib" --colour >"$work/stdout" 2>"$work/stderr" || status=$?
    [[ $status == 2 ]] || fail "unknown option: status $status, not 2"
    [[ ! -s $work/stdout && $(wc -l <"$work/stderr") == 1 ]] &&
        grep -q "unknown option '--colour'" "$work/stderr" ||
        fail "unknown option: not one line on stderr naming it"
    xdotool search --name '^Logic Analyzer' >/dev/null && fail "unknown option: a window showed"
    calls_are "unknown option: one line, status 2, no window, no port call" ""

    # A display that cannot be reached: the program's own message and status 1, not Qt's
    # abort and a core dump. The port is not touched.
    local name env
    for env in "DISPLAY=:$((${DISPLAY#:} + 50))" "-u DISPLAY WAYLAND_DISPLAY=wayland-stale" \
        "QT_QPA_PLATFORM=no-such-platform"; do
        status=0
        # shellcheck disable=SC2086
        env $env timeout 20 "$program" --port-library "$portlib" >"$work/stdout" 2>"$work/stderr" || status=$?
        [[ $status == 1 ]] || fail "unreachable display ($env): status $status, not 1"
        [[ $(wc -l <"$work/stderr") == 1 ]] &&
            grep -q "^logic-analyzer: no display to open the window on: " "$work/stderr" ||
            fail "unreachable display ($env): not one line of ours: $(cat "$work/stderr")"
        ok "unreachable display ($env): $(cat "$work/stderr")"
    done
    calls_are "unreachable displays: no port call" ""
}

# ended_by SIGNAL ARMED: the program ended by a signal, idle or with a capture armed,
# leaves the port as "exit" does, with 128 + the signal as its status.
ended_by() {
    local signal=$1 armed=$2 number
    number=$(kill -l "$signal")
    start --port-library "$portlib"
    if [[ $armed == armed ]]; then
        on_and_get
        expect "SIG$signal, armed: get armed" points $LED_X $LED_Y $ARMED
    fi
    kill -s "$signal" "$app"
    finish "SIG$signal ($armed)" $((128 + number))
    # The capture is armed for two seconds. A busy machine may take longer than that to show
    # the red lamp and deliver the signal; the capture then runs whole before the ending.
    local ran=''
    [[ $armed == armed && $(calls) == "9999 r 889;"* ]] && ran="9999 r 889;"
    calls_are "SIG$signal ($armed): 255 to data, then 12 to control, status $status" \
        "${ran}1 w 888 255;1 w 890 12;"
}

# band Y COLOUR: some dots of COLOUR along screen row Y (a trace level) of the latest picture.
band() {
    local n
    n=$("$IM" "$shot" -crop "557x2+$((X + 24))+$((Y + 24 + $1 - 1))" +repage -alpha off \
        -fill black +opaque "rgb($2)" -fill white -opaque "rgb($2)" \
        -format '%[fx:round(mean*w*h)]' info:)
    ((n > 40)) || why+="only $n pixels of $2 along row $1; "
}

# The simulated probe's capture: channel 1, a 10 kHz clock, stands on both its levels.
simulated_traces() {
    band 35 $BEAM
    band 65 $BEAM
}

handoff() {
    # A port library that cannot read, as on a machine whose port cannot be reached: the
    # failure's message offers the simulated probe. It logs the writes it is given.
    start --port-library "$writeonlylib"
    on_and_get
    await_box 'Capture failed' || fail "no message box after get"
    take "capture failed: the simulated probe offered"
    xdotool key alt+u
    poll 100 gone '^Capture failed$' || true
    expect "get ready again" points $LED_X $LED_Y $DONE
    capture
    expect "the next capture reads the simulated probe" simulated_traces

    if ! command -v pulseview >/dev/null; then
        echo "SKIP: pulseview is not installed (scripts/install-deps.sh test installs it)"
    else
        # Right click on the screen; the second item of its menu hands the capture over. The
        # menu is a window of its own, which takes the keys once it shows.
        local before
        before=$(xdotool search --onlyvisible --pid "$app" 2>/dev/null | wc -l)
        xdotool mousemove --sync $((X + 300)) $((Y + 200)) click 3
        poll 200 windows_over "$before" || fail "the screen's menu did not open"
        xdotool key --delay 150 Down Down Return
        local pv pvpid title
        pv=$(window_named '^capture-.*\.vcd - PulseView$' 60) ||
            fail "no PulseView window named for the hand-off file"
        title=$(xdotool getwindowname "$pv")
        pvpid=$(xdotool getwindowpid "$pv")
        sleep 2
        take "PulseView shows the capture"
        # No error: PulseView's only visible window is the one named for the file.
        local names
        names=$(xdotool search --onlyvisible --pid "$pvpid" 2>/dev/null | while read -r w; do
            xdotool getwindowname "$w"; done | grep -v -x -F "$title" | grep -v '^$' || true)
        [[ -z $names ]] || fail "PulseView shows other windows: $names"
        ok "PulseView opened $title"

        # Either program closes on its own: the analyzer first, PulseView runs on.
        xdotool windowactivate --sync "$win"
        click $EXIT_X $EXIT_Y
        finish "exit after the hand-off" 0
        kill -0 "$pvpid" 2>/dev/null || fail "PulseView ended with the analyzer"
        calls_are "the analyzer exits as usual: 255 and 12 to the library it started with" \
            "1 w 888 255;1 w 890 12;"
        ok "PulseView runs on"
        xdotool windowactivate --sync "$pv" key alt+F4 2>/dev/null || true
        poll 100 ended "$pvpid" || { kill "$pvpid"; fail "PulseView did not close"; }
        ok "PulseView closed"
        return
    fi
    click $EXIT_X $EXIT_Y
    finish exit 0
    calls_are "exit: 255 and 12 to the library it started with" "1 w 888 255;1 w 890 12;"
}

ports() {
    # The kernel's list of ports, as a machine with an on-board port and a PCI card shows it.
    local fake=$work/proc-sys-dev
    mkdir -p "$fake/parport/parport0" "$fake/parport/parport1" "$fake/parport/default"
    printf '888\t0\n' >"$fake/parport/parport0/base-addr"
    printf '53264\t54288\n' >"$fake/parport/parport1/base-addr"
    unshare -m true 2>/dev/null || { echo "SKIP: a mount namespace needs root (unshare -m)"; exit 77; }
    launcher=(unshare -m sh -c 'mount --bind "$0" /proc/sys/dev && exec "$@"' "$fake")
    start --port-library "$portlib"
    click $ON_X $ON_Y
    click $PORT_X $PORT_Y
    local portwin
    portwin=$(window_named '^port$' 10) || fail "the port window never showed"
    click $LIST_X $LIST_Y "$portwin"
    poll 100 windows_over 2 || fail "the port window's list did not open"
    # The fourth entry, after the three legacy ones: the card.
    xdotool key --delay 100 Down Down Down Return
    click $OK_X $OK_Y "$portwin"
    capture
    click $EXIT_X $EXIT_Y
    finish exit 0
    # 0xD011 is -12271 as the 16-bit integer the library is given.
    calls_are "&HD010: the capture reads 0xD011, exit writes 0xD010 and 0xD012" \
        "9999 r -12271;1 w -12272 255;1 w -12270 12;"
}

endings() {
    local signal
    for signal in TERM INT HUP; do
        ended_by $signal idle
        ended_by $signal armed
    done
    # The X server goes: Qt ends the program itself (status 1), and the port is still left
    # as "exit" leaves it.
    start --port-library "$portlib"
    kill "${pids[0]}"
    finish "X server killed" 1
    calls_are "X server killed: 255 to data, then 12 to control" "1 w 888 255;1 w 890 12;"
}

reads_at_least() {
    local n
    n=$(grep -c '^r ' "$log" 2>/dev/null) || true
    ((n >= $1))
}
# reads_logged N: waits (bounded) until the port library has logged N reads or more.
reads_logged() { poll 300 reads_at_least "$1"; }

# close_window: openbox's close box, the rightmost button of the title bar, about 10 pixels
# in from the frame's right edge, in the middle of the title bar's height.
close_window() {
    local extents top
    extents=$(xprop -id "$win" _NET_FRAME_EXTENTS)
    top=$(echo "$extents" | awk -F'[=,]' '{print $4 + 0}')
    ((top > 10)) || fail "openbox gave the window no title bar: $extents"
    xdotool mousemove --sync $((X + W - 10)) $((Y - top / 2)) click 1
}

# stopped LABEL STATUS: the program ended with STATUS before the capture's 9999 reads (100 s
# of them), then wrote the exit values.
stopped() {
    finish "$1" "$2" 60
    local got
    got=$(calls)
    [[ $got =~ ^([0-9]+)\ r\ 889\;1\ w\ 888\ 255\;1\ w\ 890\ 12\;$ ]] &&
        ((BASH_REMATCH[1] < 9999)) || fail "$1: the port saw \"$got\""
    ok "$1: stopped after ${BASH_REMATCH[1]} reads, then 255 and 12, status $status"
}

# The sixth read never returns: the reads end there, the exit writes go out (or, when the
# read holds the library's lock, are given up too), and the program says why and ends with
# status 1: after its message box, or at once when a signal asked it to end.
stuck() {
    local label=$1 locks=$2 signal=$3
    LA_E2E_HANG_AT=5 LA_E2E_HANG_LOCKS=$locks start --port-library "$portlib"
    on_and_get
    reads_logged 6 || fail "$label: the capture did not begin"
    if [[ -n $signal ]]; then
        kill -s "$signal" "$app"
    else
        await_box 'logic-analyzer: run-time error' || fail "$label: no message after the read stuck"
        take "$label message"
        xdotool key Return
    fi
    finish "$label" 1 30
    local writes="1 w 888 255;1 w 890 12;"
    [[ $locks == 1 ]] && writes=''
    calls_are "$label: 6 reads, then ${writes:-no write}" "6 r 889;$writes"
    grep -q '^logic-analyzer: run-time error: .*has not returned from a read of the port for 2 s' \
        "$work/stderr" || fail "$label: stderr does not say the read was given up"
    if [[ $locks == 1 ]]; then
        grep -q '^logic-analyzer: could not leave the port in its final state: .*Out32' "$work/stderr" ||
            fail "$label: stderr does not say the exit writes were given up"
    fi
    ok "$label: given up, status 1"
}

slow_port() {
    export LA_E2E_READ_US=10000
    local how
    for how in SIGTERM "close box"; do
        start --port-library "$portlib"
        on_and_get
        reads_logged 1 || fail "$how: the capture did not begin"
        if [[ $how == SIGTERM ]]; then kill -s TERM "$app"; else close_window; fi
        stopped "$how during a slow capture" "$([[ $how == SIGTERM ]] && echo 143 || echo 0)"
    done
    unset LA_E2E_READ_US

    stuck "a read that never returns" 0 ''
    stuck "a read that never returns, holding the library's lock" 1 ''
    stuck "a read that never returns, then SIGTERM" 0 TERM
}

case $scenario in
    session) session ;;
    close-box) close_box ;;
    bad-input) bad_input ;;
    endings) endings ;;
    handoff) handoff ;;
    ports) ports ;;
    slow-port) slow_port ;;
    *) fail "unknown scenario $scenario" ;;
esac
echo "PASS ($scenario)"
