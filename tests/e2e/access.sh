#!/usr/bin/env bash
# The dialler from the keyboard, for a screen reader and on the desktop, on a private session
# bus with the accessibility bus of at-spi2-core and a stand-in notification service:
# - access.py, an AT-SPI client as a screen reader is one, checks the names and roles of every
#   window's buttons, the clock and the attempt counter, the phone book's grid, and dials by
#   pressing the keypad and «Автодозвон» through their actions;
# - the run (one attempt, a busy line) ends spent, and the desktop is told so with the number;
# - Ctrl+Q ends the program as «Выход» does, leaving the number in the quick-dial list.
source "$(dirname "$0")/lib.sh"
modemsim=${2:?usage: access.sh ZVONMAT MODEMSIM}
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3  # Debian's, which has the AT-SPI and GObject bindings

mkdir -p "$E2E_TMP/bus"
printf '[PARAM]\r\nwait=1\r\nn_run=1\r\n' >"$work/zvonmat.ini"
printf '321\r\n' >"$work/zvonmat._fm"
printf '\xc8\xe2\xe0\xed\xee\xe2\r\n' >"$work/zvonmat._tf"  # "Иванов" in Windows-1251

# A session bus of our own, without service activation: everything on it is started here.
cat >"$E2E_TMP/session.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$E2E_TMP/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
give_to_user
"${E2E_AS_USER[@]}" dbus-daemon --config-file="$E2E_TMP/session.conf" --nofork \
  --print-address=3 3>"$E2E_TMP/bus-address" 2>"$E2E_TMP/dbus.log" &
E2E_PIDS+=($!)
wait_until "$E2E_TMP/dbus.log" "the session bus did not start" test -s "$E2E_TMP/bus-address"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$E2E_TMP/bus-address")
export DBUS_SESSION_BUS_ADDRESS

# The accessibility bus, enabled as a screen reader's session has it. The launcher starts the
# bus's own daemon, whose id is taken from it so that it is stopped too; the registry is started
# here rather than by the bus.
"${E2E_AS_USER[@]}" /usr/libexec/at-spi-bus-launcher --launch-immediately --a11y=1 \
  --screen-reader=1 >"$E2E_TMP/launcher.log" 2>&1 &
launcher=$!
E2E_PIDS+=("$launcher")
wait_until "$E2E_TMP/launcher.log" "no accessibility bus" root_has AT_SPI_BUS unix:
for pid in $(ps -o pid= --ppid "$launcher"); do
  E2E_PIDS+=("$pid")
done
"${E2E_AS_USER[@]}" /usr/libexec/at-spi2-registryd >"$E2E_TMP/registry.log" 2>&1 &
E2E_PIDS+=($!)
# Nothing asks the bus for the registry (which would have the bus start one) before it is there.
"${E2E_AS_USER[@]}" "$python" - "$(xprop -root AT_SPI_BUS | sed 's/^[^"]*"//; s/"$//')" <<'PY' || fail "no registry: $(cat "$E2E_TMP/registry.log")"
import sys, time
from gi.repository import Gio, GLib
bus = Gio.DBusConnection.new_for_address_sync(
    sys.argv[1], Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
    | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)
for _ in range(200):
    owned = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                          "NameHasOwner", GLib.Variant("(s)", ("org.a11y.atspi.Registry",)),
                          None, 0, -1, None).unpack()[0]
    if owned:
        sys.exit(0)
    time.sleep(0.05)
sys.exit(1)
PY

notified="$E2E_TMP/notifications"
"${E2E_AS_USER[@]}" "$python" "$here/notification_service.py" "$notified" "$E2E_TMP/notify-ready" \
  2>"$E2E_TMP/notify.log" &
E2E_PIDS+=($!)
wait_until "$E2E_TMP/notify.log" "no notification service" test -e "$E2E_TMP/notify-ready"

start_modem "$modemsim" "BUSY"
start_dialler

"${E2E_AS_USER[@]}" "$python" "$here/access.py" "$MODEM_LOG" || fail "as a screen reader sees it"

[ "$(wc -l <"$notified" 2>/dev/null)" = 1 ] || fail "notifications: $(cat "$notified" 2>/dev/null)"
[ "$(cat "$notified")" = $'zvonmat\t123 — попытки исчерпаны\t' ] || fail "notification: $(cat "$notified")"
[ "$(wc -l <"$work/zvonmat.jur")" = 1 ] || fail "the journal holds $(wc -l <"$work/zvonmat.jur") lines"

# Through the server's keyboard: the window is gone before the keys are let go.
xdotool windowfocus --sync "$WIN"
xdotool key ctrl+q
expect_exit_0 "$DIALLER_PID"
check_list " 1 2 3 \r \n"
