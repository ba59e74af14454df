#!/usr/bin/env bash
# The dialler on a Wayland desktop: under Debian's weston (headless, drawing into memory) it
# starts with the toolkit's Wayland platform, shows one toplevel titled "zvonmat" at its fixed
# size, which the compositor maps onto its output, writes nothing on stderr, and on SIGTERM saves
# the quick-dial list and ends with status 0. The compositor's screenshot shows the window as the
# X server does with the same settings, the attempt display reading "7/0" from a settings file
# asking for 7 attempts.
source "$(dirname "$0")/lib.sh"
screenshot=${2:?usage: wayland.sh ZVONMAT SCREENSHOT}
reference="$(dirname "$0")/reference/main-window.png"

# Pictures are cut and compared without a display.
picture() { QT_QPA_PLATFORM=offscreen "$screenshot" "$@" 2>/dev/null; }

printf '[PARAM]\r\nn_run=7\r\n' >"$work/zvonmat.ini"

# The window as the X server has it, with the same settings.
start_dialler
sleep 0.5
"${E2E_AS_USER[@]}" "$screenshot" grab "$WIN" "$E2E_TMP/x11.png" || fail "no screenshot under X"
kill -TERM "$DIALLER_PID"
expect_exit_0 "$DIALLER_PID" "under X"
rm -f "$work/zvonmat.lst"
# The attempt display (Попыток N/K) lies in this rectangle: it reads "5/0" in the reference
# picture, made with the default settings, and must read otherwise here.
attempts=(176 180 64 22)
picture crop "$reference" "${attempts[@]}" "$E2E_TMP/attempts-5.png" || fail "cannot crop"
picture crop "$E2E_TMP/x11.png" "${attempts[@]}" "$E2E_TMP/attempts-x11.png" || fail "cannot crop"
picture compare "$E2E_TMP/attempts-5.png" "$E2E_TMP/attempts-x11.png" 10 >/dev/null &&
  fail "the attempt display does not follow the settings under X"
# The runtime directory and the disabled session bus stay as start_xvfb set them.
unset DISPLAY
give_to_user

# The compositor, as the user, on a socket of its own in the user's runtime directory; --debug
# lets its screenshot client in.
socket=zvonmat-e2e-wayland
"${E2E_AS_USER[@]}" weston --backend=headless-backend.so --use-pixman --width=1024 --height=768 \
  --socket="$socket" --idle-time=0 --debug --log="$E2E_TMP/weston.log" >/dev/null 2>&1 &
weston_pid=$!
E2E_PIDS+=("$weston_pid")
wait_until "$E2E_TMP/weston.log" "weston did not start" test -S "$XDG_RUNTIME_DIR/$socket"

# WAYLAND_DEBUG=1 makes the client library print every request and event on stderr. A program
# built with LeakSanitizer leaves the system libraries' own leftovers out (wayland.lsan, copied
# where the program's user may read it). Those of Mesa's driver come from a module unloaded
# before the leak check: only a full unwind of each allocation (slower, so for this run alone)
# reaches a frame of a library still loaded, whether or not Mesa's EGL initialises here.
cp "$(dirname "$0")/wayland.lsan" "$E2E_TMP/wayland.lsan"
chmod a+r "$E2E_TMP/wayland.lsan"
launch_dialler WAYLAND_DISPLAY="$socket" ASAN_OPTIONS="${ASAN_OPTIONS:-}:fast_unwind_on_malloc=0" \
  LSAN_OPTIONS="suppressions=$E2E_TMP/wayland.lsan:print_suppressions=0" \
  QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=1 >"$E2E_TMP/out" 2>"$E2E_TMP/err"
pid=$DIALLER_PID

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
sleep 1

# The compositor's picture of its whole output; the window lies where the part of the reference
# picture above the attempt display (the display strip and the keypad's top) is found.
shots="$E2E_TMP/shots"
mkdir -p "$shots"
give_to_user
(cd "$shots" && exec env WAYLAND_DISPLAY="$socket" "${E2E_AS_USER[@]}" weston-screenshooter) \
  >/dev/null 2>&1 || fail "weston-screenshooter failed"
shot=$(ls "$shots"/*.png | head -n 1)
[ -n "$shot" ] || fail "no screenshot from the compositor"
picture crop "$reference" 40 40 166 120 "$E2E_TMP/landmark.png" || fail "cannot crop"
read -r lx ly < <(picture find "$shot" "$E2E_TMP/landmark.png") || fail "the window is not on the screen"
picture crop "$shot" $((lx - 40)) $((ly - 40)) 246 339 "$E2E_TMP/wayland.png" || fail "cannot crop"
# Inside its rounded corners the window is drawn as under X, the attempt display included.
picture crop "$E2E_TMP/x11.png" 40 40 166 260 "$E2E_TMP/inner-x11.png" || fail "cannot crop"
picture crop "$E2E_TMP/wayland.png" 40 40 166 260 "$E2E_TMP/inner-wayland.png" || fail "cannot crop"
picture compare "$E2E_TMP/inner-x11.png" "$E2E_TMP/inner-wayland.png" 30 >/dev/null ||
  fail "the window under Wayland looks different from the same window under X"
picture crop "$E2E_TMP/wayland.png" "${attempts[@]}" "$E2E_TMP/attempts-wayland.png" || fail "cannot crop"
picture compare "$E2E_TMP/attempts-x11.png" "$E2E_TMP/attempts-wayland.png" 0 >/dev/null ||
  fail "the attempt display under Wayland differs from the one under X"

kill -TERM "$pid"
wait_for_exit "$pid"
[ "$EXIT_STATUS" = 0 ] ||
  fail "SIGTERM: exit status $EXIT_STATUS: $(grep -v -e '^\[' -e ' -> ' "$E2E_TMP/err" | tail -n 30)"
errors=$(grep -v '^\[' "$log" || true)
[ -z "$errors" ] || fail "zvonmat wrote on stderr: $errors"
[ -s "$E2E_TMP/out" ] && fail "zvonmat wrote on stdout: $(cat "$E2E_TMP/out")"
[ -f "$work/zvonmat.lst" ] || fail "SIGTERM did not save the quick-dial list"
[ ! -s "$work/zvonmat.lst" ] || fail "the quick-dial list is not empty"

# The compositor's own clients (its panel, its on-screen keyboard) end with it; the system
# collects them once the compositor is gone. Wait a little for that, so that the test leaves
# nothing behind.
helpers=$(ps -o pid= --ppid "$weston_pid" | tr -d ' ' || true)
kill -TERM "$weston_pid"
wait "$weston_pid" 2>/dev/null || true
wait_gone $helpers
exit 0
