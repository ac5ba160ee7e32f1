#!/usr/bin/python3
"""A stand-in XDG desktop portal on the session bus, for the end-to-end test of the appearance: it
offers org.freedesktop.portal.Settings as the desktop's portal does, with the one setting the
programs ask for, org.freedesktop.appearance color-scheme.

    appearance_portal.py <report file> <control file> [--before-read-one]

The control file holds the setting's value: a number (0 no preference, 1 dark, 2 light), or any
other text, sent as a string (a value no portal should send). It is read at start and again on
SIGUSR1, which also announces the new value with SettingChanged. --before-read-one plays a portal
older than the ReadOne method: it has Read only, whose value is wrapped in one more variant. Each
call and each announcement is appended to the report as one JSON line. Runs until terminated.

Debian's own interpreter (python3-dbus, python3-gi), hence the path above.
"""

import signal
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

from status_notifier_host import Report  # its neighbour's JSON-lines report

SETTINGS = "org.freedesktop.portal.Settings"
NAMESPACE, KEY = "org.freedesktop.appearance", "color-scheme"


def value_of(text, variant_level=0):
    text = text.strip()
    if text.isdigit():
        return dbus.UInt32(int(text), variant_level=variant_level)
    return dbus.String(text, variant_level=variant_level)


class OldSettings(dbus.service.Object):
    def __init__(self, bus, report, control):
        super().__init__(bus, "/org/freedesktop/portal/desktop")
        self.report, self.control = report, control
        self.text = self.read_control()

    def read_control(self):
        with open(self.control, encoding="utf-8") as file:
            return file.read()

    def lookup(self, namespace, key):
        if (namespace, key) != (NAMESPACE, KEY):
            raise dbus.DBusException("Requested setting not found", name="org.freedesktop.portal.Error.NotFound")

    @dbus.service.method(SETTINGS, in_signature="ss", out_signature="v")
    def Read(self, namespace, key):
        self.report.write(event="Read", namespace=namespace, key=key)
        self.lookup(namespace, key)
        return value_of(self.text, variant_level=1)

    @dbus.service.signal(SETTINGS, signature="ssv")
    def SettingChanged(self, namespace, key, value):
        pass

    def change(self):
        self.text = self.read_control()
        self.SettingChanged(NAMESPACE, KEY, value_of(self.text))
        self.report.write(event="SettingChanged", value=self.text.strip())
        return True  # keep the signal handler


class Settings(OldSettings):
    @dbus.service.method(SETTINGS, in_signature="ss", out_signature="v")
    def ReadOne(self, namespace, key):
        self.report.write(event="ReadOne", namespace=namespace, key=key)
        self.lookup(namespace, key)
        return value_of(self.text)


def main():
    report_path, control = sys.argv[1], sys.argv[2]
    old = "--before-read-one" in sys.argv[3:]
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    report = Report(report_path)
    portal = (OldSettings if old else Settings)(bus, report, control)
    name = dbus.service.BusName("org.freedesktop.portal.Desktop", bus, do_not_queue=True)
    loop = GLib.MainLoop()
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, portal.change)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, lambda: loop.quit() or False)
    report.write(event="Ready", name=str(name.get_name()))
    loop.run()


if __name__ == "__main__":
    main()
