#!/usr/bin/python3
"""A stand-in for the desktop's notification service on the session bus: it owns
org.freedesktop.Notifications, answers as a real one does, and appends each notification to a
file as one line, "app name<TAB>summary<TAB>body". Once it owns the name it creates READY.

usage: notification_service.py LOG READY
"""
import sys

from gi.repository import Gio, GLib

INTERFACE = """
<node>
  <interface name="org.freedesktop.Notifications">
    <method name="Notify">
      <arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
      <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
      <arg type="u" direction="out"/>
    </method>
    <method name="GetCapabilities"><arg type="as" direction="out"/></method>
    <method name="CloseNotification"><arg type="u" direction="in"/></method>
    <method name="GetServerInformation">
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
    </method>
  </interface>
</node>
"""

log_path, ready_path = sys.argv[1], sys.argv[2]
sent = 0


def on_call(_connection, _sender, _path, _interface, method, parameters, invocation):
    global sent
    if method == "Notify":
        app_name, _replaces, _icon, summary, body, _actions, _hints, _timeout = parameters.unpack()
        sent += 1
        with open(log_path, "a", encoding="utf-8") as log:
            log.write(f"{app_name}\t{summary}\t{body}\n")
        invocation.return_value(GLib.Variant("(u)", (sent,)))
    elif method == "GetCapabilities":
        invocation.return_value(GLib.Variant("(as)", (["body"],)))
    elif method == "GetServerInformation":
        invocation.return_value(GLib.Variant("(ssss)", ("test", "zvonmat", "1", "1.2")))
    else:
        invocation.return_value(None)


def on_bus(connection, _name):
    node = Gio.DBusNodeInfo.new_for_xml(INTERFACE)
    connection.register_object("/org/freedesktop/Notifications", node.interfaces[0], on_call)


def on_name(_connection, _name):
    open(ready_path, "w").close()


def on_lost(_connection, _name):
    sys.exit("notification_service: could not own org.freedesktop.Notifications")


Gio.bus_own_name(Gio.BusType.SESSION, "org.freedesktop.Notifications",
                 Gio.BusNameOwnerFlags.NONE, on_bus, on_name, on_lost)
GLib.MainLoop().run()
