#!/usr/bin/env bash
# A new user's first modem, the simulator behind a by-id link of a made-up machine: the modem window
# maps COM4 to it in a store file that does not exist yet, tests it, and the dialler then dials
# through that mapping. With --screenshots DIR it leaves the window's picture in DIR.
source "$(dirname "$0")/lib.sh"
modem_window=${2:?usage: modem.sh ZVONMAT ZVONMAT_MODEM MODEMSIM SCREENSHOT [--screenshots DIR]}
modemsim=${3:?} screenshot=${4:?} shots=""
[ "${5:-}" = --screenshots ] && shots=$(realpath "${6:?}")

MODEM_LOG="$E2E_TMP/modem.log"
root="$E2E_TMP/root"
by_id="$root/dev/serial/by-id/usb-zvonmat_Modemsim_2400-if00"
mkdir -p "$(dirname "$by_id")"
ln -s "$E2E_TMP/sim" "$by_id"
give_to_user
"${E2E_AS_USER[@]}" "$modemsim" --link "$E2E_TMP/sim" --dial-delay 50 --log "$MODEM_LOG" &
E2E_PIDS+=($!)
wait_until "" "the modem simulator did not start" test -e "$E2E_TMP/sim"

# The focus starts on the list, its first device chosen; Tab, Tab is «Назначить COM…».
(exec env XDG_CONFIG_DIRS="$store" "${E2E_AS_USER[@]}" "$modem_window" --root "$root") &
window_pid=$!
E2E_PIDS+=("$window_pid")
win=$(wait_for_window "$window_pid")
check_runs_as_user "$window_pid"
xdotool windowfocus --sync "$win" sleep 0.5 key Tab Tab space sleep 0.5 key 4
user_conf="$XDG_CONFIG_HOME/user_name/user.conf"
wait_until "" "COM4 was not mapped" test -e "$user_conf"
[ "$(cat "$user_conf")" = $'[ports]\r\nCOM4='"$by_id"$'\r' ] || fail "the store holds: $(cat -A "$user_conf")"

# «Проверить модем», next in the Tab order.
xdotool key Tab space
wait_for_modem_lines 3
[ "$(modem_lines)" = "AT ATI ATI3" ] || fail "the check sent: $(modem_lines)"
sleep 0.5
[ -z "$shots" ] || "${E2E_AS_USER[@]}" "$screenshot" grab "$win" "$E2E_TMP/modem-window.png" ||
  fail "no screenshot"
[ -z "$shots" ] || cp "$E2E_TMP/modem-window.png" "$shots/"
xdotool key ctrl+w
expect_exit_0 "$window_pid" "the modem window"

# The dialler, on its default port COM4, now dials the modem.
start_dialler
dial_keys 123
wait_for_modem_lines 5
[ "$(modem_lines)" = "AT ATI ATI3 ATZ ATDP123" ] || fail "the modem received: $(modem_lines)"
click_at 124 316  # Выход
expect_exit_0 "$DIALLER_PID"
