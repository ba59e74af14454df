#!/usr/bin/env bash
# The dialler on a Wayland desktop: under Debian's weston (headless, drawing into memory) it
# starts with the toolkit's Wayland platform, shows one toplevel titled "zvonmat" at its fixed
# size, which the compositor maps onto its output, writes nothing on stderr, and on SIGTERM saves
# the quick-dial list and ends with status 0.
zvonmat=${1:?usage: wayland.sh ZVONMAT}
source "$(dirname "$0")/lib.sh"

work="$E2E_TMP/work"
mkdir -p "$work" "$E2E_TMP/xdg/user_name"
printf '[PARAM]\r\nn_run=7\r\n' >"$work/zvonmat.ini"
export XDG_RUNTIME_DIR="$E2E_TMP/runtime"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
export DBUS_SESSION_BUS_ADDRESS=disabled:
unset DISPLAY
give_to_user

# The compositor, as the user, on a socket of its own in the user's runtime directory.
socket=zvonmat-e2e-wayland
"${E2E_AS_USER[@]}" weston --backend=headless-backend.so --use-pixman --width=1024 --height=768 \
  --socket="$socket" --idle-time=0 --log="$E2E_TMP/weston.log" >/dev/null 2>&1 &
weston_pid=$!
E2E_PIDS+=("$weston_pid")
for _ in $(seq 200); do
  [ -S "$XDG_RUNTIME_DIR/$socket" ] && break
  kill -0 "$weston_pid" 2>/dev/null || fail "weston ended: $(cat "$E2E_TMP/weston.log")"
  sleep 0.1
done
[ -S "$XDG_RUNTIME_DIR/$socket" ] || fail "weston did not start: $(cat "$E2E_TMP/weston.log")"

# WAYLAND_DEBUG=1 makes the client library print every request and event on stderr.
(cd "$work" && exec env XDG_CONFIG_DIRS="$E2E_TMP/xdg" WAYLAND_DISPLAY="$socket" \
  QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=1 "${E2E_AS_USER[@]}" "$zvonmat") \
  >"$E2E_TMP/out" 2>"$E2E_TMP/err" &
pid=$!
E2E_PIDS+=("$pid")

# Shown: the compositor tells the surface that it entered the output once a buffer is mapped.
log="$E2E_TMP/err"
surface=""
for _ in $(seq 200); do
  surface=$(grep -oE 'wl_surface@[0-9]+\.enter\(wl_output@' "$log" | head -n 1 | cut -d. -f1 || true)
  [ -n "$surface" ] && break
  kill -0 "$pid" 2>/dev/null || fail "zvonmat ended: $(grep -v '^\[' "$log")"
  sleep 0.1
done
[ -n "$surface" ] || fail "the window was never shown on the compositor's output"
grep -qE 'xdg_toplevel@[0-9]+\.set_title\("zvonmat"\)' "$log" || fail "no toplevel titled zvonmat"
grep -qE 'xdg_toplevel@[0-9]+\.set_min_size\(246, 339\)' "$log" || fail "the toplevel is not 246x339"
grep -qE 'create_buffer\(new id wl_buffer@[0-9]+, [0-9]+, 246, 339,' "$log" ||
  fail "no 246x339 buffer was drawn"
grep -qE "$surface\\.attach\\(wl_buffer@" "$log" || fail "no buffer attached to the window"
[ "$(grep -cE 'xdg_toplevel@[0-9]+\.set_title' "$log")" = 1 ] || fail "more than one toplevel"

check_runs_as_user "$pid"
sleep 0.5

kill -TERM "$pid"
wait_for_exit "$pid"
[ "$EXIT_STATUS" = 0 ] || fail "SIGTERM: exit status $EXIT_STATUS"
errors=$(grep -v '^\[' "$log" || true)
[ -z "$errors" ] || fail "zvonmat wrote on stderr: $errors"
[ -s "$E2E_TMP/out" ] && fail "zvonmat wrote on stdout: $(cat "$E2E_TMP/out")"
[ -f "$work/zvonmat.lst" ] || fail "SIGTERM did not save the quick-dial list"
[ ! -s "$work/zvonmat.lst" ] || fail "the quick-dial list is not empty"
exit 0
