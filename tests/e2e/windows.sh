#!/usr/bin/env bash
# The phone book and the settings dialog as a person uses them: a number and a name entered in
# the phone book and saved, the book reopened and the row double-clicked into the main window;
# tone dialling and a prefix confirmed in the settings dialog; the next dial shows all of it on
# the modem's line, and the settings file holds the new values.
source "$(dirname "$0")/lib.sh"
modemsim=${2:?usage: windows.sh ZVONMAT MODEMSIM}

start_modem "$modemsim" "CONNECT 2400"
start_dialler

# The phone book opens 24 right of and 73 below the main window's corner.
click_at 211 86
book_x=$((WIN_X + 24)) book_y=$((WIN_Y + 73))
click_in_book() { xdotool mousemove --sync $((book_x + $1)) $((book_y + $2)) click "${3:-1}"; sleep 0.2; }
click_in_book 42 47  # row 1, number
xdotool type --delay 30 "5551234"
xdotool key Return
click_in_book 132 47  # row 1, name
xdotool type --delay 30 "Petrov"
xdotool key Return
click_in_book 53 211  # Запись
click_in_book 150 211  # Выход
sleep 0.3
[ "$(sed -n 2p "$work/zvonmat._fm")" = $'5551234\r' ] || fail "numbers file: $(od -c "$work/zvonmat._fm" | head -3)"
[ "$(sed -n 2p "$work/zvonmat._tf")" = $'Petrov\r' ] || fail "names file: $(od -c "$work/zvonmat._tf" | head -3)"

click_at 211 86
click_in_book 132 47
xdotool mousemove --sync $((book_x + 132)) $((book_y + 47)) click --repeat 2 --delay 80 1
sleep 0.3

# The settings dialog opens 45 left of and 68 below the main window's corner.
click_at 201 244  # Set
sleep 0.3
dialog=$(xdotool search --onlyvisible --name 'Установка параметров' | head -n 1)
[ -n "$dialog" ] || fail "no settings dialog"
read -r dx dy < <(window_position "$dialog")
click_in_dialog() { xdotool mousemove --sync $((dx + $1)) $((dy + $2)) click 1; sleep 0.2; }
click_in_dialog 152 32  # Tone
click_in_dialog 52 74   # prefix
xdotool type --delay 30 "9"
click_in_dialog 294 149  # ОК
sleep 0.3
grep -q $'^ton_p=ATDT\r$' "$work/zvonmat.ini" || fail "settings file: $(cat "$work/zvonmat.ini")"
grep -q $'^pref_=9\r$' "$work/zvonmat.ini" || fail "settings file: $(cat "$work/zvonmat.ini")"

click_at 78 284  # Автодозвон
wait_for_modem_lines 2
[ "$(modem_lines)" = "ATZ ATDT95551234" ] || fail "the modem received: $(modem_lines)"
click_at 124 316
expect_exit_0 "$DIALLER_PID"
