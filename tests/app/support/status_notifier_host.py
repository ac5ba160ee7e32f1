#!/usr/bin/python3
"""A stand-in StatusNotifierWatcher and host on the session bus: the tray as KDE, and GNOME with its
AppIndicator extension, show it. For the end-to-end test of the application's tray icon.

    status_notifier_host.py <report file> <x> <y>

Owns org.kde.StatusNotifierWatcher, saying that a host is registered (in its interface description
too, where Qt looks for it), and a host name of its own. Every item that registers, and every
change an item announces, is appended to the report as one JSON line: the item's status, tool tip
and icon sizes, with whether its pixels are drawn. SIGUSR1 makes the host call Activate(x, y) on
each item, as a click on its icon would; the reply is reported too. Runs until terminated.

Debian's own interpreter (python3-dbus, python3-gi), hence the path above.
"""

import json
import os
import signal
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
PROPERTIES = "org.freedesktop.DBus.Properties"

INTROSPECTION = """<node>
 <interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
 </interface>
 <interface name="org.freedesktop.DBus.Properties">
  <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
  <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
 </interface>
 <interface name="org.freedesktop.DBus.Introspectable">
  <method name="Introspect"><arg type="s" direction="out"/></method>
 </interface>
</node>"""


class Report:
    def __init__(self, path):
        self.file = open(path, "a", encoding="utf-8")

    def write(self, **entry):
        self.file.write(json.dumps(entry) + "\n")
        self.file.flush()


def pixmaps(value):
    """Sizes of an a(iiay) icon, and whether any pixel is not fully transparent."""
    return [{"width": int(w), "height": int(h), "bytes": len(data),
             "drawn": any(data[i] != 0 for i in range(0, len(data), 4))} for w, h, data in value]


class Watcher(dbus.service.Object):
    def __init__(self, bus, report, x, y):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.bus, self.report, self.x, self.y = bus, report, x, y
        self.items = []  # (bus name, object path)

    @dbus.service.method("org.freedesktop.DBus.Introspectable", out_signature="s")
    def Introspect(self):
        return INTROSPECTION

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {"RegisteredStatusNotifierItems": dbus.Array([n for n, _ in self.items], signature="s"),
                "IsStatusNotifierHostRegistered": dbus.Boolean(True),
                "ProtocolVersion": dbus.Int32(0)}

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # An item gives its own bus name, or only an object path on the connection it calls from.
        item = (sender, service) if service.startswith("/") else (service, "/StatusNotifierItem")
        if item not in self.items:
            self.items.append(item)
            self.bus.add_signal_receiver(lambda *args, **kw: self.describe(item, kw["member"]),
                                         dbus_interface=ITEM, bus_name=item[0], path=item[1],
                                         member_keyword="member")
        self.StatusNotifierItemRegistered(item[0])
        GLib.idle_add(self.describe, item, "Registered")

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, service):
        pass

    def describe(self, item, event):
        try:
            values = self.bus.get_object(*item).GetAll(ITEM, dbus_interface=PROPERTIES)
        except dbus.DBusException as error:
            self.report.write(event=event, service=item[0], error=str(error))
            return False
        _, tip_icon, title, description = values.get("ToolTip", ("", [], "", ""))
        self.report.write(event=event, service=item[0], status=str(values.get("Status", "")),
                          toolTip=str(title), toolTipText=str(description),
                          icon=pixmaps(values.get("IconPixmap", [])))
        return False

    def activate(self):
        for name, path in self.items:
            self.bus.get_object(name, path).Activate(
                dbus.Int32(self.x), dbus.Int32(self.y), dbus_interface=ITEM,
                reply_handler=lambda name=name: self.report.write(event="Activated", service=name),
                error_handler=lambda error, name=name: self.report.write(event="Activated", service=name,
                                                                         error=str(error)))
        return True  # keep the signal handler


def main():
    report_path, x, y = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    report = Report(report_path)
    watcher = Watcher(bus, report, x, y)
    names = [dbus.service.BusName(WATCHER, bus, do_not_queue=True),
             dbus.service.BusName("org.kde.StatusNotifierHost-%d" % os.getpid(), bus, do_not_queue=True)]
    loop = GLib.MainLoop()
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, watcher.activate)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, lambda: loop.quit() or False)
    report.write(event="Ready", names=[str(n.get_name()) for n in names])
    loop.run()


if __name__ == "__main__":
    main()
