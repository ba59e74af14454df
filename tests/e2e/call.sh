#!/usr/bin/env bash
# A whole call as a person makes it: a number typed on the keypad is dialled, two busy replies
# are redialled after the countdown, the third dial connects; "Разговор", then OK on the prompt
# leaves exactly one journal line, and the exit button leaves the number in the quick-dial list.
source "$(dirname "$0")/lib.sh"
modemsim=${2:?usage: call.sh ZVONMAT MODEMSIM}

start_modem "$modemsim" "BUSY,BUSY,CONNECT 2400"
printf '[PARAM]\r\nwait=1\r\nn_run=3\r\nton_p=ATDT\r\n' >"$work/zvonmat.ini"

start_dialler
dial_keys 123
wait_for_modem_lines 4
[ "$(modem_lines)" = "ATZ ATDT123 ATDT123 ATDT123" ] || fail "the modem received: $(modem_lines)"

click_at 170 284  # Разговор
sleep 2
prompt=$(xdotool search --onlyvisible --name '^Окончание разговора$' | head -n 1)
[ -n "$prompt" ] || fail "no end-of-call prompt"
read -r px py < <(window_position "$prompt")
[ "$px" = $((WIN_X + 24)) ] && [ "$py" = $((WIN_Y + 215)) ] || fail "prompt at $px,$py"
xdotool mousemove --sync $((px + 170)) $((py + 26)) click 1
sleep 0.5

[ "$(wc -l <"$work/zvonmat.jur")" = 1 ] || fail "the journal holds $(wc -l <"$work/zvonmat.jur") lines"
record=$(iconv -f WINDOWS-1251 -t UTF-8 "$work/zvonmat.jur")
case "$record" in
  *" Номер: 123 Абонент:  Время "*" Длит.: 00:0"[123]$'\r') ;;
  *) fail "journal record: $record" ;;
esac

click_at 124 316  # Выход
expect_exit_0 "$DIALLER_PID"
check_list " 1 2 3 \r \n"
