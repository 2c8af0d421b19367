#!/bin/bash
# The program in a real X window, driven from outside as a user drives it:
# Xvfb for the screen, xdotool for the keyboard and mouse, the simulator as
# the device (paced like the real line). The user connects with Ctrl+K,
# turns input 2's fader while the read-back runs, drags input 1's fader,
# types a delay into output 3's box and presses Return, then a low-pass
# limit, turns output 1's fader ten fast notches up, turns a matrix knob
# with the wheel, presses Down ten times on another and quits with Ctrl+Q.
# Then:
#   - the device holds the changes, exactly, and kept input 2's gain,
#   - output 3's boxes showed what the device held after each Set,
#   - no busy window was left standing once its command had ended,
#   - a Disconnect (Ctrl+Shift+K) in mid-drag showed no message box,
#   - the process ended within 0.5 s of the quit, connected, disconnected
#     and with its device gone,
#   - at 125 % and at Fit, while the meters poll, the UI thread costs about
#     what it does at 100 % (the figures are printed; bench/README.md has the
#     measured ones),
#   - connected to brevantd's shared port, the window shows a change made
#     through the API within a polling pass, and the API reads the window's.
# Exit 77 (skipped) without Xvfb or xdotool; without brevantd or curl the
# step through the service is left out.
#
#   real_window.sh BUILD_DIR
set -u
build=$1
gui=$build/bin/brevant
sim=$build/bin/brevant-sim
ctl=$build/bin/brevantctl
daemon=$build/bin/brevantd
exit_limit_ms=500

for tool in Xvfb xdotool; do
    command -v $tool >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
now_ms() { date +%s%3N; }

# A screen of our own on the first free display.
exec 3> "$work/display"
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(cat "$work/display")
export XDG_CONFIG_HOME=$work/config   # fresh settings: zoom 100 %, no recent files
export BREVANT_LAYOUT_FILE=$work/layout

# Extra arguments go to the simulator.
start_sim() {
    "$sim" --ports "$work/ports" --com 3 "$@" >"$work/sim.log" 2>&1 &
    sim_pid=$!
    pids+=($sim_pid)
    for _ in $(seq 50); do grep -q COM3 "$work/sim.log" && return; sleep 0.1; done
    fail "the simulator did not start"
}

# Starts the program; sets gui_pid and window. Extra arguments go to the program.
start_gui() {
    rm -f "$work/layout"
    "$gui" --ports "$work/ports" --size 1200x800 "$@" >"$work/gui.log" 2>&1 &
    gui_pid=$!
    pids+=($gui_pid)
    window=$(timeout 20 xdotool search --sync --onlyvisible --pid "$gui_pid" --name '^Brevant$' | head -1)
    [ -n "$window" ] || fail "no window appeared"
    xdotool windowfocus --sync "$window"
    for _ in $(seq 50); do [ -s "$work/layout" ] && break; sleep 0.1; done
    [ -s "$work/layout" ] || fail "the program wrote no layout"
}

# The screen position of a control, as the program last reported it, and
# what it shows ("-" for nothing).
at() { awk -v n="$1" '$1 == n { print $2, $3 }' "$work/layout"; }
# The file is replaced as a whole; read it again when it is between copies.
shown() {
    local value=
    for _ in 1 2 3 4 5; do
        sleep 0.3
        value=$(awk -v n="$1" '$1 == n { $1 = $2 = $3 = ""; sub(/^ +/, ""); print }' "$work/layout" 2>/dev/null)
        [ -n "$value" ] && break
    done
    echo "$value"
}
# Fails unless control $1 shows $2; $3 says when.
expect_shown() {
    local value
    value=$(shown "$1")
    [ "$value" = "$2" ] || fail "$3: $1 shows $value, not $2"
}

# The program's windows that are showing, the main window included.
visible_windows() { xdotool search --onlyvisible --pid "$gui_pid" 2>/dev/null | wc -l; }

quit_and_time() {
    local what=$1 start end
    xdotool windowfocus --sync "$window" 2>/dev/null
    start=$(now_ms)
    xdotool key --clearmodifiers ctrl+q
    while kill -0 "$gui_pid" 2>/dev/null; do
        [ $(( $(now_ms) - start )) -gt 5000 ] && fail "$what: still running 5 s after Ctrl+Q"
        sleep 0.01
    done
    end=$(now_ms)
    wait "$gui_pid" 2>/dev/null
    echo "exit after Ctrl+Q, $what: $((end - start)) ms"
    [ $((end - start)) -le $exit_limit_ms ] || fail "$what: exit took $((end - start)) ms"
}

start_sim

# 1. Disconnected: start and quit.
start_gui
sleep 0.5
quit_and_time "disconnected"

# 2a. Wheel notches on input 2's fader while the read-back runs (every
# answer 15 ms late, so that it lasts about two seconds): nothing may reach
# the device before its value is shown. Input 2 holds 30 dB.
kill "$sim_pid"; wait "$sim_pid" 2>/dev/null
start_sim --fault-delay 1 --delay-ms 15
"$ctl" --ports "$work/ports" --port 3 set MG 2 30 >/dev/null || fail "brevantctl could not set MG 2"
start_gui
read -r ix iy <<<"$(at input2-fader)"
xdotool key --clearmodifiers ctrl+k
for _ in 1 2 3 4; do sleep 0.2; xdotool mousemove "$ix" "$iy" click 4; done
for _ in $(seq 100); do [ "$(shown input2-fader)" != - ] && break; done
expect_shown input2-fader "30 dB" "after the read-back"
quit_and_time "during the read-back"
gain=$("$ctl" --ports "$work/ports" --port 3 get MG 2) || fail "brevantctl could not read MG 2"
[ "$gain" = 30 ] || fail "notches during the read-back reached the device: input 2 holds $gain"
kill "$sim_pid"; wait "$sim_pid" 2>/dev/null
start_sim

# 2. Connected: what a user does, then quit. Output 3 holds a low-pass
# limit of 1000 Hz before the program connects.
"$ctl" --ports "$work/ports" --port 3 set OF 3 1000 >/dev/null || fail "brevantctl could not set OF 3"
start_gui
xdotool key --clearmodifiers ctrl+k
sleep 1
for _ in $(seq 100); do
    [ "$(visible_windows)" -eq 1 ] && sleep 0.3 && [ "$(visible_windows)" -eq 1 ] && break
    sleep 0.1
done
[ "$(visible_windows)" -eq 1 ] || fail "a busy window is still up after the connect ended"
sleep 3   # the paced read-back fills the panels; the fader's thumb moves to the device's gain

read -r fx fy <<<"$(at input1-fader)"
xdotool mousemove "$fx" "$fy" mousedown 1
for step in 1 2 3 4 5 6; do xdotool mousemove "$fx" $((fy - 6 * step)); sleep 0.03; done
xdotool mouseup 1
sleep 0.5

read -r dx dy <<<"$(at output3-delay)"
xdotool mousemove "$dx" "$dy" click --repeat 3 1
xdotool type --delay 30 75
xdotool key Return
sleep 0.5
expect_shown output3-lowpass 1000 "after Delay"
read -r lx ly <<<"$(at output3-lowpass)"
xdotool mousemove "$lx" "$ly" click --repeat 3 1
xdotool type --delay 30 2000
xdotool key Return
sleep 0.5
expect_shown output3-delay 75 "after Lowpass"

read -r ox oy <<<"$(at output1-fader)"
xdotool mousemove "$ox" "$oy" click --repeat 10 --delay 15 4   # ten fast notches up from 0 dB
sleep 1
expect_shown output1-fader "10 dB" "after ten fast notches"

xdotool key --clearmodifiers ctrl+2
sleep 0.6
read -r kx ky <<<"$(at knob-2-3)"
xdotool mousemove "$kx" "$ky" click 5   # one notch towards the user: 0 dB to -1 dB
sleep 0.5
read -r kx ky <<<"$(at knob-1-1)"
xdotool mousemove "$kx" "$ky" click 1   # a press alone only gives the knob the focus
xdotool key --delay 20 Down Down Down Down Down Down Down Down Down Down
sleep 1.5
[ "$(visible_windows)" -eq 1 ] || fail "a window other than the main one is up: $(visible_windows)"
quit_and_time "connected"

# What the device holds now (the program has let the port go).
gain=$("$ctl" --ports "$work/ports" --port 3 get MG 1) || fail "brevantctl could not read MG 1"
delay=$("$ctl" --ports "$work/ports" --port 3 get OD 3) || fail "brevantctl could not read OD 3"
route=$("$ctl" --ports "$work/ports" --port 3 get XG 2 3) || fail "brevantctl could not read XG 2 3"
echo "device: input 1 gain $gain, output 3 delay $delay, crosspoint 2-3 gain $route"
[ "$gain" != 0 ] || fail "the fader drag did not reach the device"
[ "$delay" = 75 ] || fail "the delay typed with Return did not reach the device ($delay)"
[ "$route" = -1 ] || fail "the knob's wheel notch did not reach the device ($route)"
for check in "OF 3:2000:the low-pass limit" \
             "OV 1:10:ten fast notches" "XG 1 1:-10:ten Down keys on a knob"; do
    IFS=: read -r setting want what <<<"$check"
    # shellcheck disable=SC2086  # the setting is a code and its channels
    got=$("$ctl" --ports "$work/ports" --port 3 get $setting) || fail "brevantctl could not read $setting"
    [ "$got" = "$want" ] || fail "$what: the device holds $setting $got, not $want"
done

# 2b. A Disconnect while the user drags a fader: no message box, nothing sent.
start_gui
xdotool key --clearmodifiers ctrl+k
sleep 3
read -r fx fy <<<"$(at input1-fader)"
before=$(shown input1-fader)
xdotool mousemove "$fx" "$fy" mousedown 1 mousemove "$fx" $((fy - 12))
xdotool key ctrl+shift+k   # no --clearmodifiers: it would let the button go
sleep 0.3
xdotool mousemove "$fx" $((fy - 24)) mouseup 1
sleep 1
[ "$(visible_windows)" -eq 1 ] || fail "a window came up after a Disconnect in mid-drag"
expect_shown input1-fader "$before" "after a Disconnect in mid-drag"
quit_and_time "disconnected in mid-drag"
gain=$("$ctl" --ports "$work/ports" --port 3 get MG 1) || fail "brevantctl could not read MG 1"
[ "$gain" = "${before% dB}" ] || fail "the drag a Disconnect cut short reached the device: input 1 holds $gain"

# 3. Device lost: connect, take the device away, quit.
start_gui
xdotool key --clearmodifiers ctrl+k
sleep 5
kill "$sim_pid"
sleep 2
quit_and_time "device lost"

# 4. The window's cost while the meters poll, zoomed. Drawing the whole
# scaled form on every pass cost 9-13 % of a core; laid out at the zoom it
# costs under 2 %, as at 100 %. The bound leaves room for a busy machine.
ui_limit_percent=4
ticks() { sed 's/^.*) //' "$1" | awk '{ print $12 + $13 }'; }
process_ticks() {
    local all=0 t
    for stat in /proc/"$gui_pid"/task/*/stat; do t=$(ticks "$stat" 2>/dev/null || echo 0); all=$((all + t)); done
    echo "$all"
}
start_sim --model K225  # its meters move on every pass
for zoom in 125 fit; do
    mkdir -p "$work/config/Brevant"
    printf '[General]\nZoom=%s\n' "$zoom" >"$work/config/Brevant/Brevant.conf"
    start_gui
    xdotool key --clearmodifiers ctrl+k
    sleep 4  # connect and read back; the measurement covers the polling
    ui0=$(ticks /proc/"$gui_pid"/task/"$gui_pid"/stat) all0=$(process_ticks) t0=$(now_ms)
    sleep 6
    ui1=$(ticks /proc/"$gui_pid"/task/"$gui_pid"/stat) all1=$(process_ticks) t1=$(now_ms)
    hz=$(getconf CLK_TCK)
    ui=$(( (ui1 - ui0) * 10000000 / hz / (t1 - t0) ))        # hundredths of a percent
    all=$(( (all1 - all0) * 10000000 / hz / (t1 - t0) ))
    printf 'zoom %s while polling: UI thread %d.%02d %%, process %d.%02d %% of a core\n' \
        "$zoom" $((ui / 100)) $((ui % 100)) $((all / 100)) $((all % 100))
    [ "$ui" -le $((ui_limit_percent * 100)) ] || fail "at zoom $zoom the UI thread used more than $ui_limit_percent % of a core"
    quit_and_time "polling at zoom $zoom"
done

# 5. Through the service: brevantd serves a simulated device on a shared
# port, and the window connects to that port as to any network port. A PUT
# through the API shows in the window within a polling pass (through the
# share a pass takes milliseconds; the layout report is rewritten every
# 200 ms), and a notch the user turns in the window is what the API reads.
share_limit_ms=1000
# A loopback port nothing listens on: a connection to it is refused at once.
free_port() {
    local port
    for _ in $(seq 20); do
        port=$((20000 + (RANDOM * 7 + $$) % 40000))
        (exec 4<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
    done
    fail "no free loopback port in 20 tries"
}
# The API's value of a setting of the shared device ("" when it has none).
api_value() {
    curl -sf -m 2 "http://127.0.0.1:$api/api/v1/devices/hall/settings/$1" |
        sed -n 's/.*"value":\(-\{0,1\}[0-9]*\).*/\1/p'
}
api_put() {
    curl -sf -m 5 -X PUT -d "$2" "http://127.0.0.1:$api/api/v1/devices/hall/settings/$1" >/dev/null ||
        fail "the API refused $1 = $2"
}
# Waits up to $2 ms for control $1 to show $3 and prints how long it took.
wait_shown() {
    local start value
    start=$(now_ms)
    while [ $(( $(now_ms) - start )) -le "$2" ]; do
        value=$(awk -v n="$1" '$1 == n { $1 = $2 = $3 = ""; sub(/^ +/, ""); print }' "$work/layout" 2>/dev/null)
        [ "$value" = "$3" ] && { echo $(( $(now_ms) - start )); return 0; }
        sleep 0.02
    done
    return 1
}
if [ ! -x "$daemon" ] || ! command -v curl >/dev/null; then
    echo "brevantd or curl is missing: the window through the service is not tried"
else
    api=$(free_port) share=$(free_port)
    [ "$api" != "$share" ] || share=$(free_port)
    "$daemon" --listen "127.0.0.1:$api" --device "hall=virtual,share=$share" >"$work/daemon.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do grep -q "API on" "$work/daemon.log" && break; sleep 0.1; done
    grep -q "shared on 127.0.0.1:$share" "$work/daemon.log" || fail "brevantd did not share the device: $(cat "$work/daemon.log")"
    for _ in $(seq 50); do [ -n "$(api_value input/1/gain)" ] && break; sleep 0.1; done
    # A gain of its own before the window comes: the read-back shows it.
    api_put input/1/gain 5

    start_gui --port "tcp://127.0.0.1:$share"
    xdotool key --clearmodifiers ctrl+k
    wait_shown input1-fader 5000 "5 dB" >/dev/null || fail "the read-back through the service shows input 1 at $(shown input1-fader)"
    api_put input/1/gain 12
    took=$(wait_shown input1-fader $share_limit_ms "12 dB") ||
        fail "the API's change did not show in the window within $share_limit_ms ms: $(shown input1-fader)"
    echo "through the service: the API's change showed in the window after $took ms"

    read -r fx fy <<<"$(at input1-fader)"
    xdotool mousemove "$fx" "$fy" click 4   # one notch up: 12 dB to 13 dB
    for _ in $(seq 30); do [ "$(api_value input/1/gain)" = 13 ] && break; sleep 0.1; done
    [ "$(api_value input/1/gain)" = 13 ] || fail "the API reads input 1's gain as $(api_value input/1/gain), not the window's 13"
    expect_shown input1-fader "13 dB" "after the window's notch through the service"
    quit_and_time "through the service"
fi
echo "PASS"
