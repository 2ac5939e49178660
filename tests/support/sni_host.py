#!/usr/bin/env python3
"""A StatusNotifierItem watcher and host for the tray checks, on the session bus it is started on.

  sni_host.py watch FILE            own the watcher's name, report a host, and write each registered
                                    item's bus name to FILE, one a line; runs until killed
  sni_host.py activate SERVICE      a left click on that item's icon
  sni_host.py menu SERVICE LABEL    click the entry of the item's menu whose label is LABEL (the
                                    mnemonic's underscore left out)
"""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"


# Qt reads the watcher's properties through an introspected interface: they must be listed here.
WATCHER_XML = """<node>
 <interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
 </interface>
 <interface name="org.freedesktop.DBus.Properties">
  <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/>
   <arg type="v" direction="out"/></method>
  <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
 </interface>
</node>"""


class Watcher(dbus.service.Object):
    def __init__(self, bus, report):
        self.items = []
        self.report = report
        self.bus_name = dbus.service.BusName(WATCHER, bus)
        super().__init__(self.bus_name, "/StatusNotifierWatcher")

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # Qt passes its own bus name; some items pass an object path and mean the sender.
        name = sender if service.startswith("/") else service
        self.items.append(name)
        with open(self.report, "a", encoding="utf-8") as out:
            out.write(name + "\n")
        self.StatusNotifierItemRegistered(name)

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, service):
        pass

    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, out_signature="s")
    def Introspect(self):
        return WATCHER_XML

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, prop):
        return self.GetAll(interface)[prop]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {
            "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
            "IsStatusNotifierHostRegistered": dbus.Boolean(True),
            "ProtocolVersion": dbus.Int32(0),
        }


def watch(report):
    from gi.repository import GLib

    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    watcher = Watcher(bus, report)
    GLib.MainLoop().run()
    del watcher


def activate(service):
    item = dbus.SessionBus().get_object(service, "/StatusNotifierItem")
    item.Activate(0, 0, dbus_interface=ITEM)


def click_menu_entry(service, label):
    bus = dbus.SessionBus()
    item = bus.get_object(service, "/StatusNotifierItem")
    menu_path = item.Get(ITEM, "Menu", dbus_interface=dbus.PROPERTIES_IFACE)
    menu = bus.get_object(service, menu_path)
    _, layout = menu.GetLayout(0, -1, dbus.Array([], signature="s"), dbus_interface=MENU)
    for entry in layout[2]:
        entry_id, props = entry[0], entry[1]
        if str(props.get("label", "")).replace("_", "") == label:
            if not props.get("enabled", True):
                sys.exit(f"menu entry {label} is disabled")
            menu.Event(entry_id, "clicked", dbus.Int32(0), dbus.UInt32(0), dbus_interface=MENU)
            return
    sys.exit(f"no menu entry {label}")


def main():
    command = sys.argv[1:2]
    if command == ["watch"] and len(sys.argv) == 3:
        watch(sys.argv[2])
    elif command == ["activate"] and len(sys.argv) == 3:
        activate(sys.argv[2])
    elif command == ["menu"] and len(sys.argv) == 4:
        click_menu_entry(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
