# Shared helpers of the end-to-end scripts: a private X server and clean-up by process id.
# Every process a script starts is recorded and stopped by its id when the script ends.
# Sourced by a script whose first argument is the dialler: it starts the X server and makes an
# empty working directory ($work) and per-machine store ($store) for the dialler.

set -euo pipefail
zvonmat=${1:?usage: $(basename "$0") ZVONMAT ...}

E2E_PIDS=()
E2E_TMP=$(mktemp -d -t zvonmat-e2e.XXXXXX)
# The per-machine store is looked for in the user's configuration directory before the one each
# test names: a store of the person running the tests must not take part.
export XDG_CONFIG_HOME="$E2E_TMP/config"

# The programs under test run as an ordinary user, so that file permissions bind as they do for
# the people who use the dialler: run as root, the scripts hand their temporary directory to
# `nobody` and start every program through E2E_AS_USER (setpriv execs the program, so the process
# id the script records is the program's own). Run as anyone else, they start the programs as
# themselves.
E2E_AS_USER=()
if [ "$(id -u)" -eq 0 ]; then
  E2E_UID=$(id -u nobody)
  E2E_GID=$(id -g nobody)
  mkdir -p "$E2E_TMP/home"
  E2E_AS_USER=(setpriv "--reuid=$E2E_UID" "--regid=$E2E_GID" --clear-groups --inh-caps=-all --
    env HOME="$E2E_TMP/home" USER=nobody LOGNAME=nobody)
fi

# Makes everything in the temporary directory the user's: files the script wrote for a program
# (settings, lists) are then the user's own, as they would be on a desktop.
give_to_user() {
  ((${#E2E_AS_USER[@]})) || return 0
  chown -R "$E2E_UID:$E2E_GID" "$E2E_TMP"
}

# Waits up to 5 s for each of the processes to be gone. Those that another process started (a
# bus's daemon) are not ours to wait for: they are watched until they have gone.
wait_gone() {
  local pid
  for pid in "$@"; do
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
  done
}

e2e_cleanup() {
  local pid
  for pid in "${E2E_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${E2E_PIDS[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  wait_gone "${E2E_PIDS[@]}"
  rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Runs the command every 0.1 s until it succeeds, for up to 20 s: wait_until LOG WHAT COMMAND...
# Fails saying WHAT, followed by the contents of LOG when LOG is not "".
wait_until() {
  local log=$1 what=$2
  shift 2
  for _ in $(seq 200); do
    "$@" && return 0
    sleep 0.1
  done
  fail "$what${log:+: $(cat "$log")}"
}

# Starts Xvfb on a free display and exports DISPLAY. The display number is drawn at random from
# a high range rather than taking the lowest free one, so that a test never reuses the display of
# a server that has only just gone.
start_xvfb() {
  local display started=""
  for _ in $(seq 20); do
    display=$((200 + RANDOM % 700))
    [ -e "/tmp/.X$display-lock" ] && continue
    # -noreset: the server would otherwise reset itself when the probing client leaves, and
    # refuse connections while it does. Without -auth the server admits every local client
    # whatever its user, so the programs that run as `nobody` connect through the unix socket.
    Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp -noreset 2>"$E2E_TMP/xvfb.log" &
    local pid=$!
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      if DISPLAY=":$display" xdpyinfo >/dev/null 2>&1; then
        started=1
        break
      fi
      sleep 0.1
    done
    if [ -n "$started" ]; then
      E2E_PIDS+=("$pid")
      break
    fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  [ -n "$started" ] || fail "Xvfb did not start: $(cat "$E2E_TMP/xvfb.log")"
  export DISPLAY=":$display"
  unset WAYLAND_DISPLAY
  export QT_QPA_PLATFORM=xcb
  # A private display has no session bus; without this the D-Bus library would launch a bus
  # daemon of its own for the toolkit's accessibility bridge.
  export DBUS_SESSION_BUS_ADDRESS=disabled:
  export XDG_RUNTIME_DIR="$E2E_TMP/runtime"
  mkdir -m 700 -p "$XDG_RUNTIME_DIR"
  give_to_user
}

# Waits up to 20 s for a visible window of the given process and prints its id.
wait_for_window() {
  local pid=$1 id
  for _ in $(seq 200); do
    id=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || fail "process $pid ended before showing a window"
    sleep 0.1
  done
  fail "no window of process $pid"
}

# Waits up to 20 s for a process started by this shell to end and sets EXIT_STATUS to its exit
# status. Call it directly, not in $(...): a subshell cannot reliably collect the status of a
# process its parent started (it reports -1 when the process ends while it waits). Called in a
# subshell all the same, it prints the status it got.
wait_for_exit() {
  local pid=$1
  for _ in $(seq 200); do
    if ! kill -0 "$pid" 2>/dev/null; then
      EXIT_STATUS=0
      wait "$pid" || EXIT_STATUS=$?
      ((BASH_SUBSHELL == 0)) || echo "$EXIT_STATUS"
      return 0
    fi
    sleep 0.1
  done
  fail "process $pid did not end"
}

# Waits for a process started by this shell to end and fails unless its exit status is 0:
# expect_exit_0 PID [WHAT], WHAT naming the case in the message.
expect_exit_0() {
  wait_for_exit "$1"
  [ "$EXIT_STATUS" = 0 ] || fail "${2:+$2: }exit status $EXIT_STATUS"
}

# Window position (x y) of a window id.
window_position() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}'
}

# Window size (w h) of a window id.
window_size() {
  xwininfo -id "$1" | awk '/Width:/ {w=$NF} /Height:/ {h=$NF} END {print w, h}'
}

# Starts the modem simulator on a line in $store, which the store maps to COM4:
# start_modem SIMULATOR REPLIES. Its log is $MODEM_LOG.
start_modem() {
  MODEM_LOG="$E2E_TMP/modem.log"
  printf '[ports]\r\nCOM4=%s\r\n' "$store-modem" >"$store/user_name/user.conf"
  give_to_user
  "${E2E_AS_USER[@]}" "$1" --link "$store-modem" --replies "$2" --dial-delay 50 --log "$MODEM_LOG" &
  E2E_PIDS+=($!)
  wait_until "" "the modem simulator did not start" test -e "$store-modem"
}

# The command lines the modem received, separated by blanks.
modem_lines() {
  cut -d' ' -f2- "$MODEM_LOG" | tr '\n' ' ' | sed 's/ $//'
}

# Waits up to 20 s until the modem has received N command lines.
wait_for_modem_lines() {
  for _ in $(seq 200); do
    [ "$(wc -l <"$MODEM_LOG")" -ge "$1" ] && return 0
    sleep 0.1
  done
  fail "the modem received only: $(modem_lines)"
}

# Starts the dialler in $work with the per-machine store $store, with the environment variables
# given as NAME=VALUE: launch_dialler [NAME=VALUE...]. Sets DIALLER_PID.
launch_dialler() {
  give_to_user
  (cd "$work" && exec env XDG_CONFIG_DIRS="$store" "$@" "${E2E_AS_USER[@]}" "$zvonmat") &
  DIALLER_PID=$!
  E2E_PIDS+=("$DIALLER_PID")
}

# Starts the dialler as launch_dialler does and waits for its window. Sets DIALLER_PID, WIN, WIN_X
# and WIN_Y.
start_dialler() {
  launch_dialler "$@"
  WIN=$(wait_for_window "$DIALLER_PID")
  check_runs_as_user "$DIALLER_PID"
  read -r WIN_X WIN_Y < <(window_position "$WIN")
}

# Clicks at a point given in the main window's coordinates.
click_at() {
  xdotool mousemove --sync $((WIN_X + $1)) $((WIN_Y + $2)) click 1
  sleep 0.15
}

# Clicks a keypad key by its caption (1-9, 0, D, #).
click_key() {
  local keys="123456789D0#" index
  index=$(expr index "$keys" "$1")
  local column=$(((index - 1) % 3)) row=$(((index - 1) / 3))
  click_at $((24 + 8 + 32 * column + 12)) $((128 + 8 + 32 * row + 12))
}

# Types a number on the keypad and presses «Автодозвон».
dial_keys() {
  local key
  for key in $(echo "$1" | grep -o .); do
    click_key "$key"
  done
  click_at 78 284  # Автодозвон
}

# Checks that a process runs as the unprivileged user when the scripts run as root.
check_runs_as_user() {
  ((${#E2E_AS_USER[@]})) || return 0
  local uid
  uid=$(ps -o uid= -p "$1" | tr -d ' ')
  [ "$uid" = "$E2E_UID" ] || fail "process $1 runs as uid $uid, not $E2E_UID"
}

# Starts Debian's openbox on the display as the user and waits until it manages the screen.
start_openbox() {
  give_to_user
  "${E2E_AS_USER[@]}" openbox --sm-disable >"$E2E_TMP/openbox.log" 2>&1 &
  E2E_PIDS+=($!)
  wait_until "$E2E_TMP/openbox.log" "openbox did not start" root_has _NET_SUPPORTING_WM_CHECK 'window id'
}

# Whether the root window's property holds the text: root_has PROPERTY TEXT.
root_has() { xprop -root "$1" 2>/dev/null | grep -q "$2"; }

# Waits up to 20 s for a visible window of the process other than the given ones; prints its id.
wait_for_other_window() {
  local pid=$1 id
  shift
  for _ in $(seq 200); do
    for id in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null || true); do
      case " $* " in
        *" $id "*) ;;
        *) echo "$id"; return 0 ;;
      esac
    done
    kill -0 "$pid" 2>/dev/null || fail "process $pid ended before showing another window"
    sleep 0.1
  done
  fail "no new window of process $pid"
}

# Waits up to 20 s until a window is no longer shown: wait_for_window_gone WINDOW PID.
wait_for_window_gone() { wait_until "" "window $1 is still shown" window_gone "$@"; }
window_gone() { ! xdotool search --onlyvisible --pid "$2" 2>/dev/null | grep -qx "$1"; }

# Fails unless the quick-dial list in $work holds these bytes, as `od -c` spells them:
# check_list BYTES [WHAT].
check_list() {
  [ "$(od -An -c "$work/zvonmat.lst" | tr -s ' \n' ' ')" = "$1 " ] ||
    fail "${2:+$2: }quick-dial list: $(od -c "$work/zvonmat.lst")"
}

start_xvfb
work="$E2E_TMP/work"
store="$E2E_TMP/xdg"
mkdir -p "$work" "$store/user_name"
