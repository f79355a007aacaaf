"""A sandbox of the test's own for running the real tova-shutdown end to end.

Everything the program touches is private to one sandbox: its HOME, XDG folders and settings file, an X
server (Xvfb, with trayer as the notification area where wanted), a session bus, a SYSTEM bus with
python-dbusmock's logind on it, and a messenger service on a loopback UDP port. The clock is moved with
libfaketime as an offset read from a file, so the program and every `net` it starts share one fake clock,
and a case can park it while the program starts and move it forward once the program is ready.

The machine's own buses are never reached: the program gets DBUS_SYSTEM_BUS_ADDRESS of the private bus,
and nothing here inherits the caller's bus addresses or display.

Every process started here is ended by its PID. The driver makes itself a child subreaper first, so a
process that daemonises (the messenger service forks twice) is still found among its descendants.
"""

import argparse
import ctypes
import glob
import json
import os
import pwd
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import traceback

import dbus

from accessibility import Accessibility

SKIP_STATUS = 77
PYTHON = "/usr/bin/python3"
# UTC+8 without DST, as a POSIX rule: needs no tzdata and keeps local time apart from UTC, so a program
# that mixed the two would miss its times by hours.
TIME_ZONE = "CST-8"
LOGIND = "org.freedesktop.login1"
LOGIND_PATH = "/org/freedesktop/login1"
MANAGER = "org.freedesktop.login1.Manager"
MOCK = "org.freedesktop.DBus.Mock"

_PR_SET_PDEATHSIG = 1
_PR_SET_CHILD_SUBREAPER = 36
AT_SPI_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


class Skip(Exception):
    """A tool the test needs is not installed."""


class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def libfaketime():
    found = sorted(glob.glob("/usr/lib/*/faketime/libfaketime.so.1"))
    return found[0] if found else None


def require(*tools):
    """Raises Skip naming the Debian package of every missing tool."""
    packages = {
        "Xvfb": "xvfb",
        "dbus-daemon": "dbus",
        "xdotool": "xdotool",
        "trayer": "trayer",
        "localedef": "locales",
        "weston": "weston",
        "xprop": "x11-utils",
    }
    missing = []
    for tool in tools:
        if tool == "dbusmock":
            if subprocess.run([PYTHON, "-c", "import dbusmock"], capture_output=True).returncode != 0:
                missing.append("python3-dbusmock")
        elif tool == "libfaketime":
            if not libfaketime():
                missing.append("faketime")
        elif tool == "qt-wayland":
            if not glob.glob("/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so"):
                missing.append("qt6-wayland")
        elif tool == "at-spi":
            if not os.access(AT_SPI_LAUNCHER, os.X_OK):
                missing.append("at-spi2-core")
        elif not shutil.which(tool):
            missing.append(packages.get(tool, tool))
    if missing:
        raise Skip("needs the Debian packages: " + " ".join(missing))


_libc = ctypes.CDLL(None, use_errno=True)


def become_subreaper():
    if _libc.prctl(_PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        raise OSError(ctypes.get_errno(), "prctl(PR_SET_CHILD_SUBREAPER)")
    # A driver ended from outside (a ctest timeout, Ctrl+C) still runs its clean-up.
    signal.signal(signal.SIGTERM, lambda number, frame: sys.exit(128 + number))


def _die_with_driver():
    # Not even a driver killed outright may leave a server or a mock behind.
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGTERM, 0, 0, 0)


def _stat_fields(pid):
    """The fields of /proc/PID/stat after the command name (state first), or None once it is gone."""
    try:
        with open(f"/proc/{pid}/stat", "rb") as stat:
            fields = stat.read()
    except OSError:
        return None
    return fields[fields.rindex(b")") + 2 :].split()


def _parent_of(pid):
    fields = _stat_fields(pid)
    return int(fields[1]) if fields else None


def descendants(root=None):
    """PIDs of every live descendant of root (this process by default)."""
    root = os.getpid() if root is None else root
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            parent = _parent_of(entry)
            if parent is not None:
                children.setdefault(parent, []).append(int(entry))
    found = []
    todo = [root]
    while todo:
        for child in children.get(todo.pop(), []):
            found.append(child)
            todo.append(child)
    return found


def reap():
    while True:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            return


def wait_for(condition, timeout, interval=0.05):
    """Polls condition until it returns a true value, which is returned; None on timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            return None
        time.sleep(interval)


def exit_status(process, timeout):
    """The process's exit status once it has ended, None if it is still running after timeout seconds."""
    try:
        return process.wait(timeout)
    except subprocess.TimeoutExpired:
        return None


def _bus_config(kind, folder):
    # No <servicedir>: nothing is ever activated behind the test's back.
    return f"""<busconfig>
  <type>{kind}</type>
  <listen>unix:dir={folder}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
  </policy>
</busconfig>
"""


class Sandbox:
    def __init__(self, bin_dir, name):
        self.bin_dir = os.path.abspath(bin_dir)
        self.program = os.path.join(self.bin_dir, "tova-shutdown")
        self.net = os.path.join(self.bin_dir, "net")
        self.root = tempfile.mkdtemp(prefix=f"tova-system-{name}-")
        self.logs = self._folder("logs")
        self.login = pwd.getpwuid(os.geteuid()).pw_name
        self.config_home = self._folder("config")
        self.settings_path = os.path.join(self.config_home, "tova", self.login + "TovaShutDown.ini")
        self.messenger_dir = os.path.join(self.root, "messenger")
        self.messenger_port = 0
        self.offset = 0
        self.clock_file = os.path.join(self.root, "faketime")
        self.buses = {}
        self.accessibility = None
        self._processes = []
        self._program_env = {}
        # A clean environment: nothing of the caller's display, buses or locale leaks in.
        self.env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": self._folder("home"),
            "USER": self.login,
            "LOGNAME": self.login,
            "LANG": "C.UTF-8",
            "LC_ALL": "C.UTF-8",
            "TZ": TIME_ZONE,
            "XDG_CONFIG_HOME": self.config_home,
            "XDG_RUNTIME_DIR": self._folder("runtime"),
            "XDG_DATA_DIRS": "/usr/share",
            "TMPDIR": self._folder("tmp"),
            "DBUS_SESSION_BUS_ADDRESS": "disabled:",
            "DBUS_SYSTEM_BUS_ADDRESS": "unix:path=" + os.path.join(self.root, "no-such-bus"),
        }
        os.environ["TZ"] = TIME_ZONE
        time.tzset()

    def _folder(self, name):
        path = os.path.join(self.root, name)
        os.makedirs(path, mode=0o700, exist_ok=True)
        return path

    def log_path(self, name):
        return os.path.join(self.logs, name)

    # -- processes ---------------------------------------------------------------------------------

    def spawn(self, name, argv, env=None, **kwargs):
        kwargs.setdefault("stdin", subprocess.DEVNULL)
        log = None
        if "stdout" not in kwargs:
            log = kwargs["stdout"] = open(self.log_path(name + ".out"), "ab")
        kwargs.setdefault("stderr", subprocess.STDOUT)
        try:
            process = subprocess.Popen(
                argv, env=env if env is not None else self.env, cwd=self.root, preexec_fn=_die_with_driver, **kwargs
            )
        finally:
            if log:
                log.close()  # the child has its own copy
        self._processes.append((name, process))
        return process

    def run(self, argv, env=None, timeout=30):
        return subprocess.run(
            argv,
            env=env if env is not None else self.env,
            cwd=self.root,
            stdin=subprocess.DEVNULL,
            capture_output=True,
            timeout=timeout,
        )

    def close(self, keep=False):
        for _, process in reversed(self._processes):
            self._stop(process)
        # Whatever they left behind (a daemonised service, an activated helper) is ours too.
        for signal_number in (signal.SIGTERM, signal.SIGKILL):
            left = descendants()
            for pid in left:
                try:
                    os.kill(pid, signal_number)
                except ProcessLookupError:
                    pass
            wait_for(lambda: not [p for p in descendants() if not _is_zombie(p)], 3)
            reap()
        if self.accessibility:
            self.accessibility.close()
        for bus in self.buses.values():
            bus["connection"].close()
        if not keep:
            shutil.rmtree(self.root, ignore_errors=True)

    @staticmethod
    def _stop(process):
        if process.poll() is not None:
            return
        process.terminate()
        try:
            process.wait(3)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(3)

    # -- display -----------------------------------------------------------------------------------

    def start_display(self):
        read_end, write_end = os.pipe()
        self.spawn(
            "xvfb",
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,),
        )
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 15
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        check(number.strip(), "Xvfb reported no display number; see " + self.log_path("xvfb.out"))
        self.env["DISPLAY"] = ":" + number.decode().strip()

    def start_wayland(self):
        """A headless Wayland compositor; the program then starts on Wayland, with no X server at all."""
        socket_name = "wayland-tova"
        runtime = self.env["XDG_RUNTIME_DIR"]
        self.spawn("weston", ["weston", "--backend=headless-backend.so", "--socket=" + socket_name, "--idle-time=0"])
        check(
            wait_for(lambda: os.path.exists(os.path.join(runtime, socket_name)), 15),
            "weston did not open its socket; see " + self.log_path("weston.out"),
        )
        self.env["WAYLAND_DISPLAY"] = socket_name
        self._program_env["QT_QPA_PLATFORM"] = "wayland"

    def start_accessibility(self):
        """at-spi-bus-launcher on the session bus: the program then shows its widgets to AT-SPI."""
        self.spawn("at-spi", [AT_SPI_LAUNCHER, "--launch-immediately"])
        bus = self.connection("session")
        check(wait_for(lambda: bus.name_has_owner("org.a11y.Bus"), 10), "at-spi-bus-launcher did not start")
        self.accessibility = Accessibility(bus)
        return self.accessibility

    def start_tray(self):
        self.spawn(
            "trayer",
            [
                "trayer",
                "--edge",
                "top",
                "--align",
                "right",
                "--widthtype",
                "request",
                "--height",
                "32",
                "--SetDockType",
                "false",
                "--transparent",
                "false",
            ],
        )
        check(wait_for(lambda: self.windows(["--class", "trayer"]), 10), "trayer did not show its window")

    def tray_icon(self, pid, timeout=10):
        """The program's icon docked in trayer's panel along the top edge of the screen."""

        def docked():
            for window in self.windows(["--onlyvisible", "--pid", str(pid)]):
                geometry = self.window_geometry(window)
                if geometry.get("Y", 99) < 32 and geometry.get("WIDTH", 99) <= 64:
                    return window
            return None

        return wait_for(docked, timeout)

    def click(self, window, button, repeat=1):
        geometry = self.window_geometry(window)
        x = geometry["X"] + geometry["WIDTH"] // 2
        y = geometry["Y"] + geometry["HEIGHT"] // 2
        self.xdotool("mousemove", "--sync", str(x), str(y))
        self.xdotool("click", "--repeat", str(repeat), "--delay", "80", str(button))

    def xdotool(self, *args):
        result = self.run(["xdotool", *args], timeout=15)
        return result.stdout.decode(errors="replace")

    def windows(self, search):
        return [int(w) for w in self.xdotool("search", *search).split()]

    def window_named(self, title, timeout=15):
        """The first visible window whose whole title is title."""
        found = wait_for(lambda: self.windows(["--onlyvisible", "--name", "^" + title + "$"]), timeout)
        return found[0] if found else None

    def window_title(self, window):
        """The title the window manager shows: _NET_WM_NAME, which Qt may build differently from WM_NAME."""
        result = self.run(["xprop", "-id", str(window), "-notype", "_NET_WM_NAME"], timeout=15)
        line = result.stdout.decode(errors="replace").strip()  # _NET_WM_NAME = "text"
        quoted = line.partition(" = ")[2]
        return quoted[1:-1].replace('\\"', '"').replace("\\\\", "\\") if quoted.startswith('"') else None

    def window_geometry(self, window):
        values = {}
        for line in self.xdotool("getwindowgeometry", "--shell", str(window)).splitlines():
            key, _, value = line.partition("=")
            values[key] = int(value)
        return values

    def press(self, window, *keys):
        """Gives window the input focus and types keys into it, as a user would."""
        self.xdotool("windowfocus", "--sync", str(window))
        self.xdotool("key", "--clearmodifiers", *keys)

    # -- buses -------------------------------------------------------------------------------------

    def start_bus(self, kind):
        folder = self._folder(kind + "-bus")
        config = os.path.join(folder, "bus.conf")
        with open(config, "w") as file:
            file.write(_bus_config(kind, folder))
        process = self.spawn(
            kind + "-bus",
            ["dbus-daemon", "--nofork", "--nosyslog", "--config-file=" + config, "--print-address=1"],
            stdout=subprocess.PIPE,
        )
        address = process.stdout.readline().decode().strip()
        check(address, f"the {kind} dbus-daemon gave no address")
        self.buses[kind] = {"address": address, "connection": dbus.bus.BusConnection(address)}
        if kind == "session":
            self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        else:
            # Only the program sees this bus as its system bus; the helpers keep the dead address.
            self._program_env["DBUS_SYSTEM_BUS_ADDRESS"] = address
        return address

    def connection(self, kind):
        return self.buses[kind]["connection"]

    def start_mock(self, kind, name, arguments, log_name):
        """Starts python-dbusmock on the private bus of that kind and waits until it owns name."""
        # The mock sees its own bus and no other.
        env = dict(self.env)
        nowhere = "unix:path=" + os.path.join(self.root, "no-such-bus")
        env["DBUS_SYSTEM_BUS_ADDRESS"] = nowhere
        env["DBUS_SESSION_BUS_ADDRESS"] = nowhere
        env["DBUS_%s_BUS_ADDRESS" % kind.upper()] = self.buses[kind]["address"]
        # dbusmock leaves files in its TMPDIR; this one goes with the sandbox.
        env["TMPDIR"] = self._folder("mock-tmp")
        process = self.spawn(
            log_name,
            [PYTHON, "-m", "dbusmock", "--" + kind, "-l", self.log_path(log_name + ".calls"), *arguments],
            env=env,
        )
        bus = self.connection(kind)
        check(
            wait_for(lambda: bus.name_has_owner(name) or process.poll() is not None, 15) and process.poll() is None,
            f"dbusmock never took {name}: {self.tail(log_name + '.out')}",
        )
        return process

    def start_logind(self, parameters=None):
        arguments = ["--template", "logind"]
        if parameters:
            arguments += ["--parameters", json.dumps(parameters)]
        self.start_mock("system", LOGIND, arguments, "logind")

    def add_scheduled_shutdown(self):
        """What logind's template lacks: ScheduleShutdown, CancelScheduledShutdown and the ScheduledShutdown
        property they change, which the mock signals as changed (as newer logind versions do)."""
        manager = self.logind_mock()
        manager.AddProperty(MANAGER, "ScheduledShutdown", dbus.Struct(("", dbus.UInt64(0)), signature="st"))
        manager.AddMethod(
            MANAGER,
            "ScheduleShutdown",
            "st",
            "",
            "self.Set('%s', 'ScheduledShutdown', dbus.Struct((args[0], dbus.UInt64(args[1])), signature='st'))" % MANAGER,
        )
        manager.AddMethod(
            MANAGER,
            "CancelScheduledShutdown",
            "",
            "b",
            "pending = self.Get('%s', 'ScheduledShutdown')[1] != 0\n"
            "self.Set('%s', 'ScheduledShutdown', dbus.Struct(('', dbus.UInt64(0)), signature='st'))\n"
            "ret = pending" % (MANAGER, MANAGER),
        )

    def scheduled_shutdown(self):
        """logind's ScheduledShutdown property: (type, seconds since the epoch), ("", 0) for none."""
        manager = self.connection("system").get_object(LOGIND, LOGIND_PATH)
        kind, usec = manager.Get(MANAGER, "ScheduledShutdown", dbus_interface=dbus.PROPERTIES_IFACE)
        return str(kind), int(usec) / 1e6

    def mock(self, kind, name, path):
        return dbus.Interface(self.connection(kind).get_object(name, path), MOCK)

    def logind_mock(self, path=LOGIND_PATH):
        return self.mock("system", LOGIND, path)

    def logind_calls(self):
        """(fake time, method, arguments text) of every call logind's mock logged, oldest first."""
        calls = []
        try:
            with open(self.log_path("logind.calls"), encoding="utf-8") as log:
                for line in log:
                    stamp, _, rest = line.rstrip("\n").partition(" ")
                    method, _, arguments = rest.partition(" ")
                    calls.append((float(stamp) + self.offset, method, arguments))
        except FileNotFoundError:
            pass
        return calls

    def start_notification_area_over_dbus(self):
        """A StatusNotifierWatcher with a host, and a notification server: Qt then puts the icon on the
        session bus and shows its messages as desktop notifications."""
        self.start_mock(
            "session",
            "org.kde.StatusNotifierWatcher",
            ["org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher"],
            "watcher",
        )
        watcher = self.mock("session", "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher")
        watcher.AddProperties(
            "org.kde.StatusNotifierWatcher",
            dbus.Dictionary(
                {
                    "IsStatusNotifierHostRegistered": True,
                    "ProtocolVersion": dbus.Int32(0),
                    "RegisteredStatusNotifierItems": dbus.Array([], signature="s"),
                },
                signature="sv",
            ),
        )
        watcher.AddMethod("org.kde.StatusNotifierWatcher", "RegisterStatusNotifierItem", "s", "", "")
        watcher.AddMethod("org.kde.StatusNotifierWatcher", "RegisterStatusNotifierHost", "s", "", "")
        self.start_mock(
            "session",
            "org.freedesktop.Notifications",
            ["--template", "notification_daemon"],
            "notifications",
        )

    def method_calls(self, kind, name, path, method):
        """The argument lists of every call of method on a mock object."""
        calls = self.mock(kind, name, path).GetMethodCalls(method)
        return [list(arguments) for _, arguments in calls]

    # -- messenger ---------------------------------------------------------------------------------

    def start_messenger(self):
        """The messenger service, started the way the program starts it but before it, on a port of
        the test's own; it logs every message it shows. The program's own start then finds it running."""
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as probe:
            probe.bind(("127.0.0.1", 0))
            self.messenger_port = probe.getsockname()[1]
        self.env["TOVA_MESSENGER_PORT"] = str(self.messenger_port)
        self.env["TOVA_MESSENGER_RUNDIR"] = self.messenger_dir
        env = dict(self.env)
        env.pop("DISPLAY", None)
        env["DBUS_SESSION_BUS_ADDRESS"] = "disabled:"
        result = self.run([self.net, "start", "messenger"], env=env)
        check(result.returncode == 0, "net start messenger failed: " + result.stderr.decode(errors="replace"))

    def messenger_log(self):
        try:
            with open(os.path.join(self.messenger_dir, "tova-messenger.log"), encoding="utf-8") as log:
                return log.read()
        except FileNotFoundError:
            return ""

    def messages(self):
        """(receiver, text) of every message the service showed, in order of arrival."""
        found = []
        lines = self.messenger_log().splitlines()
        for i, line in enumerate(lines):
            head = line.split(" ", 2)
            if len(head) == 3 and head[2].startswith("Message from "):
                receiver = head[2].split(" to ", 1)[1].rsplit(" on ", 1)[0]
                # The text follows on lines of its own, indented so that none can pass for an entry.
                text = []
                for following in lines[i + 1 :]:
                    if not following.startswith("    "):
                        break
                    text.append(following[4:])
                found.append((receiver, "\n".join(text)))
        return found

    # -- clock -------------------------------------------------------------------------------------

    def place_clock(self, moment, lead=0):
        """Sets the fake clock so that it reads lead seconds before moment (local "YYYY-mm-dd HH:MM:SS") now.
        Programs already running follow within a second or two (libfaketime reads the file again once a
        second). Only forward: the program's timers would not notice a clock that goes back, but its
        schedule would."""
        offset = int(round(self.epoch(moment) - lead - time.time()))
        check(offset >= self.offset or not os.path.exists(self.clock_file), "the fake clock may only move forward")
        self.offset = offset
        # Replaced whole, so that no reader ever sees an empty file (which would mean the real time).
        with open(self.clock_file + ".new", "w") as file:
            file.write("%+d\n" % offset)
        os.replace(self.clock_file + ".new", self.clock_file)

    @staticmethod
    def epoch(moment):
        return time.mktime(time.strptime(moment, "%Y-%m-%d %H:%M:%S"))

    def fake_now(self):
        return time.time() + self.offset

    def sleep_until(self, moment, margin=0.0):
        delay = self.epoch(moment) + margin - self.fake_now()
        if delay > 0:
            time.sleep(delay)

    # -- the program -------------------------------------------------------------------------------

    def write_settings(self, lines, encoding="gb18030", line_end="\r\n"):
        os.makedirs(os.path.dirname(self.settings_path), mode=0o700, exist_ok=True)
        with open(self.settings_path, "wb") as file:
            file.write(line_end.join(lines).encode(encoding))

    def read_settings(self):
        try:
            with open(self.settings_path, "rb") as file:
                return file.read()
        except FileNotFoundError:
            return None

    def desktop_language(self, language):
        """The program starts as in a desktop session in language (such as "zh_CN.UTF-8"), with the C library's
        locale compiled into the sandbox: the machine need not have it."""
        name, _, charset = language.partition(".")
        folder = self._folder("locale")
        result = subprocess.run(
            ["localedef", "-i", name, "-f", charset or "UTF-8", os.path.join(folder, language)], capture_output=True
        )
        check(os.path.isdir(os.path.join(folder, language)), "localedef %s: %r" % (language, result.stderr))
        self._program_env.update({"LANG": language, "LC_ALL": "", "LOCPATH": folder})

    def program_env(self, faked=True, accessible=False):
        env = dict(self.env)
        env.update(self._program_env)
        if faked:
            env["LD_PRELOAD"] = libfaketime()
            env["FAKETIME_TIMESTAMP_FILE"] = self.clock_file
            env["FAKETIME_CACHE_DURATION"] = "1"
            # Only the time of day moves: timers, D-Bus time-outs and sleeps keep to the real monotonic clock,
            # so a jump of the fake clock fires no timer early and times out no call in flight.
            env["FAKETIME_DONT_FAKE_MONOTONIC"] = "1"
        if accessible:
            env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        return env

    def start_program(self, name="program", faked=True, accessible=False):
        return self.spawn(name, [self.program], env=self.program_env(faked, accessible))

    def tail(self, name, lines=40):
        try:
            with open(self.log_path(name), encoding="utf-8", errors="replace") as file:
                return "".join(file.readlines()[-lines:])
        except FileNotFoundError:
            return "(no %s)" % name

    def report(self):
        """What went on, for a failed case."""
        parts = []
        for name in sorted(os.listdir(self.logs)):
            parts.append("---- %s ----\n%s" % (name, self.tail(name)))
        parts.append("---- messenger log ----\n" + self.messenger_log()[-4000:])
        return "\n".join(parts)


def _is_zombie(pid):
    fields = _stat_fields(pid)
    return fields is None or fields[0] in (b"Z", b"X")


def main(cases, argv):
    """Runs one case by name: exit 0 passed, 1 failed, 77 skipped (a tool is missing)."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True, help="the folder of tova-shutdown and net")
    parser.add_argument("--keep", action="store_true", help="keep the sandbox folder")
    parser.add_argument("case", choices=sorted(cases))
    options = parser.parse_args(argv)
    case, tools = cases[options.case]
    try:
        require(*tools)
    except Skip as skip:
        print("SKIPPED:", skip)
        return SKIP_STATUS
    become_subreaper()
    sandbox = Sandbox(options.bin, options.case)
    started = time.monotonic()
    failed = False
    try:
        case(sandbox)
    except Skip as skip:
        print("SKIPPED:", skip)
        return SKIP_STATUS
    except Exception:
        failed = True
        traceback.print_exc(file=sys.stdout)
        print(sandbox.report())
    finally:
        keep = options.keep or failed and bool(os.environ.get("TOVA_KEEP_FAILED"))
        sandbox.close(keep)
        if keep:
            print("sandbox kept in", sandbox.root)
        print("%s: %s in %.1f s" % (options.case, "FAILED" if failed else "passed", time.monotonic() - started))
    return 1 if failed else 0
