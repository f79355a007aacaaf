"""Reads what a running Qt program shows, the way assistive technology does: over AT-SPI on the
accessibility bus that at-spi-bus-launcher starts for a session bus. Plain dbus-python, so nothing
beyond at-spi2-core is needed (no pyatspi)."""

import dbus

ACCESSIBLE = "org.a11y.atspi.Accessible"
TEXT = "org.a11y.atspi.Text"
ROOT = "/org/a11y/atspi/accessible/root"
NULL_PATH = "/org/a11y/atspi/null"
STATE_CHECKED = 4  # AtspiStateType


class Node:
    def __init__(self, bus, name, path, parent=None):
        self._bus = bus
        self.name_on_bus = name
        self.path = path
        self.parent = parent

    def _call(self, interface, method, signature="", args=()):
        return self._bus.call_blocking(self.name_on_bus, self.path, interface, method, signature, args, timeout=5)

    def _property(self, interface, name):
        return self._call("org.freedesktop.DBus.Properties", "Get", "ss", (interface, name))

    @property
    def name(self):
        return str(self._property(ACCESSIBLE, "Name"))

    @property
    def role(self):
        return str(self._call(ACCESSIBLE, "GetRoleName"))

    def interfaces(self):
        return [str(i) for i in self._call(ACCESSIBLE, "GetInterfaces")]

    def children(self):
        return [Node(self._bus, str(name), str(path), self) for name, path in self._call(ACCESSIBLE, "GetChildren")]

    @property
    def checked(self):
        states = self._call(ACCESSIBLE, "GetState")
        return bool(int(states[0]) & (1 << STATE_CHECKED))

    def text(self):
        """The node's name, and the text it holds where it holds one."""
        parts = [self.name]
        if TEXT in self.interfaces():
            parts.append(str(self._call(TEXT, "GetText", "ii", (0, -1))))
        return "\n".join(p for p in parts if p)

    def press(self):
        """The node's first action, as a screen reader's user activates a button."""
        self._call("org.a11y.atspi.Action", "DoAction", "i", (0,))

    def walk(self, depth=12):
        yield self
        if depth > 0:
            for child in self.children():
                if child.path != NULL_PATH:
                    yield from child.walk(depth - 1)


class Accessibility:
    """The accessibility bus of a session bus."""

    def __init__(self, session_bus):
        launcher = session_bus.get_object("org.a11y.Bus", "/org/a11y/bus")
        self._bus = dbus.bus.BusConnection(str(dbus.Interface(launcher, "org.a11y.Bus").GetAddress()))

    def close(self):
        self._bus.close()

    def application(self, pid):
        """The root of the program with that process id, or None while it has not shown up."""
        for name in self._bus.list_names():
            if not name.startswith(":"):
                continue
            try:
                owner = self._bus.call_blocking(
                    "org.freedesktop.DBus",
                    "/org/freedesktop/DBus",
                    "org.freedesktop.DBus",
                    "GetConnectionUnixProcessID",
                    "s",
                    (name,),
                )
            except dbus.DBusException:
                continue
            if int(owner) == pid:
                return Node(self._bus, str(name), ROOT)
        return None

    def window(self, pid, title):
        """The top-level window of the program whose caption is title."""
        application = self.application(pid)
        if application is None:
            return None
        try:
            for window in application.children():
                if window.name == title:
                    return window
        except dbus.DBusException:
            pass
        return None

    @staticmethod
    def texts(window):
        """Every non-empty text under window, depth first."""
        found = []
        for node in window.walk():
            try:
                text = node.text()
            except dbus.DBusException:
                continue
            if text:
                found.append(text)
        return found

    @staticmethod
    def find(window, role, name):
        for node in window.walk():
            try:
                if node.role == role and node.name == name:
                    return node
            except dbus.DBusException:
                continue
        return None
