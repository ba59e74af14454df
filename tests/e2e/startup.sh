#!/usr/bin/env bash
# The dialler under a real X server: it shows its rounded window, reads the settings file of the
# user that the per-machine store names, can be dragged by its surface, lets a second start in its
# directory end at once, and ends with status 0 from its exit button, leaving only the (empty)
# quick-dial list behind.
source "$(dirname "$0")/lib.sh"

printf '[1.0]\r\nme_users=ivan\r\n' >"$store/user_name/user.conf"
printf '[PARAM]\r\nn_run=7\r\n' >"$work/zvonmativan.ini"
cp "$work/zvonmativan.ini" "$E2E_TMP/ini.before"

start_dialler
pid=$DIALLER_PID
read -r w h < <(window_size "$WIN")
[ "$w" = 246 ] && [ "$h" = 339 ] || fail "window is ${w}x${h}, not 246x339"

# Centred on the 1024x768 screen.
x=$WIN_X y=$WIN_Y
[ "$x" = $(((1024 - 246) / 2)) ] || [ "$x" = $(((1024 - 246 + 1) / 2)) ] || fail "x is $x"

# A press on the background and a move drag the window.
xdotool mousemove --sync $((x + 12)) $((y + 200)) mousedown 1
xdotool mousemove --sync $((x + 52)) $((y + 230))
xdotool mouseup 1
sleep 0.3
read -r x2 y2 < <(window_position "$WIN")
[ "$x2" = $((x + 40)) ] && [ "$y2" = $((y + 30)) ] || fail "drag moved the window to $x2,$y2 from $x,$y"

# A press on a keypad key and a move do not.
xdotool mousemove --sync $((x2 + 24 + 20)) $((y2 + 128 + 20)) mousedown 1
xdotool mousemove --sync $((x2 + 24 + 60)) $((y2 + 128 + 60))
xdotool mouseup 1
sleep 0.3
read -r x3 y3 < <(window_position "$WIN")
[ "$x3" = "$x2" ] && [ "$y3" = "$y2" ] || fail "a press on a key moved the window"

# A second start in the same directory ends with status 0, shows no window and touches no file.
files_before=$(ls -liA --time-style=full-iso "$work")
launch_dialler
expect_exit_0 "$DIALLER_PID" "second start"
[ "$(xdotool search --onlyvisible --classname zvonmat | wc -l)" = 1 ] || fail "not one window"
[ "$(ls -liA --time-style=full-iso "$work")" = "$files_before" ] || fail "second start wrote files"

# The exit button (Panel3 at 80,304, 89 x 25).
xdotool mousemove --sync $((x3 + 80 + 44)) $((y3 + 304 + 12)) click 1
expect_exit_0 "$pid"

files=$(cd "$work" && ls -A | tr '\n' ' ')
[ "$files" = "zvonmativan.ini zvonmativan.lst " ] || fail "working directory holds: $files"
[ ! -s "$work/zvonmativan.lst" ] || fail "the quick-dial list is not empty"
cmp -s "$work/zvonmativan.ini" "$E2E_TMP/ini.before" || fail "the settings file changed"
