#!/usr/bin/python3
"""End-to-end cases of the real tova-shutdown: one case per run, in a sandbox of its own (see harness.py).

    system_cases.py --bin BUILD/bin CASE

Exit status 0 passed, 1 failed (with what the program, the mocks and the messenger logged), 77 skipped
because a tool is missing. --keep, or TOVA_KEEP_FAILED=1 for failed cases, leaves the sandbox folder. Nothing here can power the machine off: the program only ever reaches the
mock login manager on a private system bus.
"""

import os
import re
import shlex
import shutil
import sys
import time

sys.dont_write_bytecode = True

try:
    import dbus
except ImportError:
    print("SKIPPED: needs the Debian package python3-dbus (for /usr/bin/python3)")
    sys.exit(77)

from harness import LOGIND, LOGIND_PATH, MANAGER, Sandbox, check, exit_status, main, wait_for  # noqa: E402

ONE_MINUTE_NOTICE = "请保存文件！服务器将在 60 秒之后关闭"
FIFTEEN_SECOND_NOTICE = "现在关闭服务器！"
ONE_MINUTE_WARNING = "服务器将在 60 秒之后关闭"
WARNING_HEAD = "向工作组中的所有计算机发送信息："
ACTIONS = ("PowerOff", "Reboot", "Terminate", "TerminateSession", "TerminateUser", "KillSession")
SNI = "org.kde.StatusNotifierItem"
BASE_TOOLS = ("Xvfb", "dbus-daemon", "dbusmock", "libfaketime", "xdotool")
# The clock stands this many seconds before the first moment a case looks at while the program starts
# (however long a busy machine takes for that), with no listed time in between.
PARKED = 600
# Then it is moved to this many seconds before that moment: time for the program to read the moved clock
# (within two seconds) and tick once before anything falls due.
LEAD = 5
# Largest gap between two ticks over which the program still catches a missed second up.
CATCH_UP_SECONDS = 5


def settings(working, rest=None, holidays=None, action="关闭电源", forced="Yes", notices="No", first=2, last=2):
    """The lines of a hand-written settings file; rest and holidays None leave their sections out."""
    lines = ["[语言类别]：1[/语言类别]", "[关机时间]：%s[/关机时间]" % working]
    if rest is not None:
        lines.append("[法定休息日]：%s[/法定休息日]" % rest)
    if holidays is not None:
        lines.append("[法定节假日]：%s[/法定节假日]" % holidays)
    return lines + [
        "[关机动作]：%s[/关机动作]" % action,
        "[强制关机]：%s" % forced,
        "[是否发送关机信息]：%s" % notices,
        "[IP地址前缀]：127.0.0[/IP地址前缀]",
        "[IP开始子地址]：%d[/IP开始子地址]" % first,
        "[IP结束子地址]：%d[/IP结束子地址]" % last,
    ]


def show(stamp):
    return time.strftime("%Y-%m-%d %H:%M:%S", time.localtime(stamp)) + ".%03d" % (stamp % 1 * 1000)


def expect_due(stamp, moment, what):
    # Never early. The widget tests pin the exact second with a fake clock; here, on a machine that may be
    # busy, a late tick is caught up, so the request may come as late as that allows.
    start = Sandbox.epoch(moment)
    check(
        start - 0.05 <= stamp < start + 1 + CATCH_UP_SECONDS,
        "%s at %s, not at %s or caught up soon after" % (what, show(stamp), moment),
    )


def expect_one_action(sandbox, method, moment):
    """Exactly one shutdown request reached logind, method, within the second moment."""
    actions = [call for call in sandbox.logind_calls() if call[1] in ACTIONS]
    check(
        [call[1] for call in actions] == [method],
        "expected one %s, logind got: %s" % (method, [(show(t), m, a) for t, m, a in actions]),
    )
    expect_due(actions[0][0], moment, method)
    return actions[0]


def expect_notices(sandbox, expected):
    """The messenger showed exactly these (receiver, text) pairs, in any order."""
    got = wait_for(lambda: sorted(sandbox.messages()) if len(sandbox.messages()) >= len(expected) else None, 10)
    check(got == sorted(expected), "messages shown: %s\nexpected: %s" % (sandbox.messages(), sorted(expected)))


def sandbox_for_schedule(sandbox, first, lines, tray="x", accessible=False, encoding="gb18030", line_end="\r\n"):
    """Display, buses, logind, messenger and the settings file; the clock parked well before the first moment
    the case looks at (start_clock moves it on)."""
    sandbox.start_display()
    if tray == "x":
        sandbox.start_tray()
    sandbox.start_bus("session")
    sandbox.start_bus("system")
    if tray == "dbus":
        sandbox.start_notification_area_over_dbus()
    if accessible:
        sandbox.start_accessibility()
    sandbox.start_logind()
    sandbox.start_messenger()
    sandbox.write_settings(lines, encoding, line_end)
    sandbox.place_clock(first, PARKED)


def start_scheduled(sandbox, first, tray="x", accessible=False):
    """Starts the program and waits for its icon, which it shows before its first tick."""
    program = sandbox.start_program(accessible=accessible)
    if tray == "x":
        ready = sandbox.tray_icon(program.pid, 60)
    else:
        ready = wait_for(
            lambda: sandbox.method_calls(
                "session", "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "RegisterStatusNotifierItem"
            ),
            60,
        )
    check(ready, "the program showed no icon")
    return program


def start_clock(sandbox, first):
    """Moves the parked clock to LEAD seconds before first, once the case is ready to watch."""
    sandbox.place_clock(first, LEAD)


def main_window(sandbox, program):
    """Opens the hidden main window with a double click on the tray icon; its accessible frame."""
    icon = sandbox.tray_icon(program.pid)
    check(icon, "no tray icon of the program")
    sandbox.click(icon, 1, repeat=2)
    ax = sandbox.accessibility

    # The zoom out of the tray is a short-lived top-level of its own: the main window is the one with
    # the status bar.
    def frame():
        application = ax.application(program.pid)
        try:
            for window in application.children() if application else []:
                if window.role == "frame" and any(child.role == "status bar" for child in window.children()):
                    return window
        except dbus.DBusException:
            pass
        return None

    window = wait_for(frame, 10)
    check(window, "a double click on the tray icon showed no main window")
    return window


def panels(window):
    """Status-bar texts by their prefix (日期：, 现在时间：, 关机时间：, 距关机时间：)."""
    found = {}
    for node in window.walk():
        if node.role == "label":
            text = node.name
            for prefix in ("日期：", "现在时间：", "关机时间：", "距关机时间："):
                if text.startswith(prefix):
                    found[prefix] = text[len(prefix) :]
    return found


def countdown(window, entry):
    """The status bar read while it holds still: the next time is entry and the time left is entry
    minus the clock panel's time, over midnight where it must."""

    def seconds(text):
        hours, minutes, secs = (int(part) for part in text.split(":"))
        return hours * 3600 + minutes * 60 + secs

    def consistent():
        shown = panels(window)
        clock = shown.get("现在时间：", "")
        if not re.fullmatch(r"\d\d:\d\d:\d\d", clock):
            return None
        left = (seconds(entry) - seconds(clock)) % 86400
        expected = "%d:%02d:%02d" % (left // 3600, left // 60 % 60, left % 60)
        return shown if shown.get("关机时间：") == entry and shown.get("距关机时间：") == expected else None

    # A tick between reading one panel and the next gives a mixed reading: read again.
    shown = wait_for(consistent, 3, 0.2)
    check(shown, "the status bar does not count down to %s: %s" % (entry, panels(window)))
    return shown


def log_view(window):
    for node in window.walk():
        if node.role == "text":
            return node.text()
    return None


def warning_pattern(*entries):
    """The log view after these (time, last line) warnings: date and time, head line, warning."""
    pattern = ""
    for moment, line in entries:
        pattern += r"\n     (?P<date%s>.+)    %s\n\n     %s\n\n          %s" % (
            moment.replace(":", ""),
            re.escape(moment),
            re.escape(WARNING_HEAD),
            re.escape(line),
        )
    return re.compile("^" + pattern + "$")


# -- cases -------------------------------------------------------------------------------------------


def working_day_power_off(sandbox):
    """A file as a user might write it by hand: GB18030, CR LF, blanks around items, bad items. On a
    Monday the working-day time 17:30:00 applies: notices at one minute and at fifteen seconds to
    127.0.0.2..4, the warnings in the log view, and one forced PowerOff at 17:29:59."""
    # 17:29:50x and 7:00:00 are not times and must not count; the other lists would fire earlier.
    lines = settings(
        " 08:00:00 、 17:30:00 、、17:29:50x、7:00:00",
        rest="17:29:55",
        holidays="17:29:56",
        forced="Yes",
        notices="Yes",
        first=2,
        last=4,
    )
    sandbox_for_schedule(sandbox, "2026-12-07 17:29:00", lines, accessible=True)
    program = start_scheduled(sandbox, "2026-12-07 17:29:00", accessible=True)
    window = main_window(sandbox, program)
    start_clock(sandbox, "2026-12-07 17:29:00")

    sandbox.sleep_until("2026-12-07 17:29:01", 0.5)
    expect_notices(sandbox, [("127.0.0.%d" % n, ONE_MINUTE_NOTICE) for n in (2, 3, 4)])
    # Reading what the machine has pending (an administrator's shutdown) is all it may ask before then.
    requests = [call for call in sandbox.logind_calls() if call[1] not in ("Get", "GetAll")]
    check(not requests, "logind was called before its time: %s" % requests)

    sandbox.sleep_until("2026-12-07 17:29:46", 0.5)
    expect_notices(
        sandbox,
        [("127.0.0.%d" % n, text) for n in (2, 3, 4) for text in (ONE_MINUTE_NOTICE, FIFTEEN_SECOND_NOTICE)],
    )
    log = log_view(window)
    match = warning_pattern(("17:29:00", ONE_MINUTE_WARNING), ("17:29:45", FIFTEEN_SECOND_NOTICE)).match(log or "")
    check(match, "the log view reads %r" % log)
    check(match.group("date172900") == match.group("date172945"), "two dates in the log: %r" % log)

    sandbox.sleep_until("2026-12-07 17:30:01", 0.5)
    _, _, arguments = expect_one_action(sandbox, "PowerOff", "2026-12-07 17:29:59")
    check(arguments == "False", "PowerOff(%s): a timer has nobody to ask for a password" % arguments)
    methods = [call[1] for call in sandbox.logind_calls()]
    check("ListInhibitors" not in methods, "a forced power off asked for inhibitors: %s" % methods)
    check(len(sandbox.messages()) == 6, "more messages than the notices: %s" % sandbox.messages())
    check(program.poll() is None, "the program ended (status %s)" % program.returncode)


def rest_day(sandbox):
    """Saturday: the rest-day list applies, not the working-day or holiday list."""
    lines = settings("17:29:50", rest="17:30:00", holidays="17:29:52", notices="Yes", first=2, last=3)
    sandbox_for_schedule(sandbox, "2026-12-12 17:29:45", lines)
    start_scheduled(sandbox, "2026-12-12 17:29:45")
    start_clock(sandbox, "2026-12-12 17:29:45")
    sandbox.sleep_until("2026-12-12 17:30:01", 0.5)
    expect_notices(sandbox, [("127.0.0.2", FIFTEEN_SECOND_NOTICE), ("127.0.0.3", FIFTEEN_SECOND_NOTICE)])
    expect_one_action(sandbox, "PowerOff", "2026-12-12 17:29:59")


def holiday(sandbox):
    """1 May, a Saturday in 2027: the holiday list wins over the rest-day list."""
    lines = settings("17:29:52", rest="17:29:50", holidays="17:30:00", notices="Yes")
    sandbox_for_schedule(sandbox, "2027-05-01 17:29:45", lines)
    start_scheduled(sandbox, "2027-05-01 17:29:45")
    start_clock(sandbox, "2027-05-01 17:29:45")
    sandbox.sleep_until("2027-05-01 17:30:01", 0.5)
    expect_notices(sandbox, [("127.0.0.2", FIFTEEN_SECOND_NOTICE)])
    expect_one_action(sandbox, "PowerOff", "2027-05-01 17:29:59")


def across_midnight(sandbox):
    """At 23:59:30 with the only time 00:00:10, 0:00:40 are left; the new day (a Wednesday) rebuilds
    the lists and the power off follows at 00:00:09."""
    lines = settings("00:00:10", notices="Yes")
    sandbox_for_schedule(sandbox, "2026-12-08 23:59:30", lines, accessible=True)
    program = start_scheduled(sandbox, "2026-12-08 23:59:30", accessible=True)
    window = main_window(sandbox, program)
    start_clock(sandbox, "2026-12-08 23:59:30")

    sandbox.sleep_until("2026-12-08 23:59:30", 0.3)
    shown = countdown(window, "00:00:10")
    # Read before midnight, or the date line below says nothing about the day before.
    check(shown["现在时间："].startswith("23:59:"), "the reading came after midnight: %s" % shown)
    check(shown.get("日期：", "").endswith("星期二"), "date line %r on a Tuesday" % shown)

    sandbox.sleep_until("2026-12-09 00:00:11", 0.3)
    expect_notices(sandbox, [("127.0.0.2", FIFTEEN_SECOND_NOTICE)])
    expect_one_action(sandbox, "PowerOff", "2026-12-09 00:00:09")
    shown = panels(window)
    check(shown.get("日期：", "").endswith("星期三"), "date line %r after midnight" % shown)
    check(shown.get("关机时间：") == "00:00:10", "next time %r after midnight" % shown)


def restart(sandbox):
    """Restart, not forced: a delay lock on shutdown and a block lock on sleep hold nothing back. The
    icon lives on the session bus here, and the warning reaches the desktop as a notification. The
    file is UTF-8 with a byte-order mark this time."""
    lines = settings("17:30:00", action="重新启动", forced="No")
    sandbox_for_schedule(sandbox, "2026-12-07 17:29:45", lines, tray="dbus", encoding="utf-8-sig", line_end="\n")
    sandbox.logind_mock().AddMethod(
        MANAGER,
        "ListInhibitors",
        "",
        "a(ssssuu)",
        'ret = [("shutdown", "Updater", "finishing a download", "delay", 0, 4001), '
        '("sleep", "Media Player", "playing", "block", 0, 4002)]',
    )
    start_scheduled(sandbox, "2026-12-07 17:29:45", tray="dbus")
    start_clock(sandbox, "2026-12-07 17:29:45")
    sandbox.sleep_until("2026-12-07 17:30:01", 0.5)
    _, _, arguments = expect_one_action(sandbox, "Reboot", "2026-12-07 17:29:59")
    check(arguments == "False", "Reboot(%s)" % arguments)

    register = sandbox.method_calls(
        "session", "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "RegisterStatusNotifierItem"
    )
    check(register, "the icon never registered with the StatusNotifierWatcher")
    notes = sandbox.method_calls(
        "session", "org.freedesktop.Notifications", "/org/freedesktop/Notifications", "Notify"
    )
    bodies = [str(arguments[4]) for arguments in notes]
    check(bodies == [FIFTEEN_SECOND_NOTICE], "desktop notifications: %s" % bodies)
    check("17:30:00" in str(notes[0][3]), "notification title %r names no time" % str(notes[0][3]))


def log_off(sandbox):
    """Log off ends the program's own login session, found by its process id."""
    lines = settings("17:30:00", action="注销", forced="No")
    sandbox_for_schedule(sandbox, "2026-12-07 17:29:45", lines)
    logind = sandbox.logind_mock()
    session = str(logind.AddSession("c7", "seat0", os.geteuid(), sandbox.login, True))
    program = start_scheduled(sandbox, "2026-12-07 17:29:45")
    # Only the program's own process has this session.
    logind.AddMethod(
        MANAGER,
        "GetSessionByPID",
        "u",
        "o",
        "if args[0] != %d:\n"
        '    raise dbus.exceptions.DBusException("PID %%d does not belong to any known session" %% args[0], '
        'name="org.freedesktop.login1.NoSessionForPID")\n'
        'ret = "%s"' % (program.pid, session),
    )
    start_clock(sandbox, "2026-12-07 17:29:45")
    sandbox.sleep_until("2026-12-07 17:30:01", 0.5)
    expect_one_action(sandbox, "Terminate", "2026-12-07 17:29:59")
    ended = sandbox.method_calls("system", LOGIND, session, "Terminate")
    check(len(ended) == 1, "Terminate on %s: %d calls" % (session, len(ended)))
    asked = sandbox.method_calls("system", LOGIND, LOGIND_PATH, "GetSessionByPID")
    check(asked and all(int(a[0]) == program.pid for a in asked), "GetSessionByPID calls: %s" % asked)


def held_back(sandbox):
    """Not forced, and a backup program holds a block lock on shutdown for 70 s from the due second: the
    refusal is logged with who holds it and why, the request is made again once a minute, and the
    program goes on running until logind accepts the second retry: exactly one PowerOff."""
    lines = settings("17:30:00", forced="No")
    sandbox_for_schedule(sandbox, "2026-12-07 17:29:59", lines, accessible=True)
    program = start_scheduled(sandbox, "2026-12-07 17:29:59", accessible=True)
    window = main_window(sandbox, program)
    start_clock(sandbox, "2026-12-07 17:29:59")
    # The mock runs on the real clock: the lock goes 70 s after the due second.
    released = Sandbox.epoch("2026-12-07 17:29:59") - sandbox.offset + 70
    sandbox.logind_mock().AddMethod(
        MANAGER,
        "ListInhibitors",
        "",
        "a(ssssuu)",
        'ret = [("handle-power-key", "Session", "keys", "block", 0, 4000)]\n'
        "if __import__('time').time() < %f:\n"
        '    ret.append(("shutdown:sleep", "Backup Tool", "copying files", "block", 0, 4242))' % released,
    )

    sandbox.sleep_until("2026-12-07 17:32:01", 0.5)
    power_offs = wait_for(lambda: [c for c in sandbox.logind_calls() if c[1] in ACTIONS], 10)
    check(power_offs, "no PowerOff after the lock went")
    expect_one_action(sandbox, "PowerOff", "2026-12-07 17:31:59")
    log = log_view(window) or ""
    refusal = "未能关机：\n\n          held back by Backup Tool: copying files [2 tova-shutdown.mShutDown]"
    check(log.count(refusal) == 2, "two refusals expected in the log view: %r" % log)
    check(log.count("一分钟后再试。") == 2 and log.count("再次请求关机。") == 2, "the retries in the log: %r" % log)
    check("keys" not in log, "a lock on the power key was named: %r" % log)
    check(program.poll() is None, "the program ended (status %s)" % program.returncode)


def start_first_use(sandbox, desktop_language):
    sandbox.start_display()
    sandbox.start_tray()
    sandbox.start_bus("session")
    sandbox.start_bus("system")
    ax = sandbox.start_accessibility()
    sandbox.start_logind()
    sandbox.start_messenger()
    sandbox.desktop_language(desktop_language)
    return ax, sandbox.start_program(faked=False, accessible=True)


def expect_window(sandbox, title, timeout=10):
    """The window whose title, as the window manager shows it, is exactly title."""
    window = sandbox.window_named(title, timeout)
    check(window, "no window %r" % title)
    shown = sandbox.window_title(window)
    check(shown == title, "the window manager shows %r, the program set %r" % (shown, title))
    return window


def expect_buttons(ax, pid, title, names):
    window = wait_for(lambda: ax.window(pid, title), 10)
    check(window, "%r is not visible to assistive technology" % title)
    found = sorted(node.name for node in window.walk() if node.role == "push button")
    check(all(name in found for name in names), "the buttons of %r are %r, expected %r" % (title, found, names))


def first_use(sandbox):
    """No settings file on a Chinese desktop: the greeting, then the settings dialog, in Chinese down to Qt's
    own buttons; OK saves what the dialog shows, and the next tick puts the language line first."""
    ax, program = start_first_use(sandbox, "zh_CN.UTF-8")

    greeting = expect_window(sandbox, "欢迎您！", 20)
    box = wait_for(lambda: ax.window(program.pid, "欢迎您！"), 10)
    check(box, "the greeting is not visible to assistive technology")
    expected = "%s：您好，欢迎您使用！\n\n您是第一次使用，请先对系统进行设置！" % sandbox.login
    check(expected in ax.texts(box), "the greeting reads %r" % ax.texts(box))
    expect_buttons(ax, program.pid, "欢迎您！", ["确定"])
    check(sandbox.read_settings() is None, "a settings file before anything was saved")
    sandbox.press(greeting, "Return")

    dialog_window = expect_window(sandbox, "关机设置")
    dialog = wait_for(lambda: ax.window(program.pid, "关机设置"), 10)
    shown = dialog_values(dialog)
    sandbox.press(dialog_window, "Return")
    # Every list is empty: the dialog asks whether to go on, under its own caption.
    question = wait_for(
        lambda: [w for w in sandbox.windows(["--onlyvisible", "--name", "^关机设置$"]) if w != dialog_window], 10
    )
    check(question, "no question about the empty lists")
    windows = ax.application(program.pid).children()
    buttons = [sorted(n.name for n in w.walk() if n.role == "push button") for w in windows]
    check(["否(N)", "是(Y)"] in buttons, "no question with Chinese buttons among %r" % buttons)
    sandbox.press(question[0], "Return")

    def written():
        data = sandbox.read_settings()
        return data if data and data.startswith("[语言类别]".encode("gb18030")) else None

    data = wait_for(written, 5)
    check(data, "the file after OK and a tick: %r" % sandbox.read_settings())
    try:
        data.decode("utf-8")
        check(False, "the settings file is UTF-8, not GB18030")
    except UnicodeDecodeError:
        pass
    check(b"\r" not in data and not data.endswith(b"\n"), "line ends: %r" % data)
    lines = data.decode("gb18030").split("\n")
    check(lines[0] == "[语言类别]：1[/语言类别]", "first line %r" % lines[0])
    expected_lines = ["[关机时间]：%s[/关机时间]" % "、".join(shown["working"])]
    if shown["separate"]:
        expected_lines += ["[法定休息日]：[/法定休息日]", "[法定节假日]：[/法定节假日]"]
    expected_lines += [
        "[关机动作]：%s[/关机动作]" % shown["action"],
        "[强制关机]：%s" % ("Yes" if shown["forced"] else "No"),
        "[是否发送关机信息]：%s" % ("Yes" if shown["notices"] else "No"),
        "[IP地址前缀]：%s[/IP地址前缀]" % shown["fields"][0],
        "[IP开始子地址]：%s[/IP开始子地址]" % shown["fields"][1],
        "[IP结束子地址]：%s[/IP结束子地址]" % shown["fields"][2],
    ]
    check(lines[1:] == expected_lines, "the file holds %s\nthe dialog showed %s" % (lines, shown))
    check(not sandbox.windows(["--onlyvisible", "--name", "^关机设置$"]), "the dialog is still open after OK")
    check(program.poll() is None, "the program ended (status %s)" % program.returncode)


def first_use_english(sandbox):
    """No settings file on an English desktop: English texts, titles exactly as the program sets them."""
    ax, program = start_first_use(sandbox, "en_US.UTF-8")
    greeting = expect_window(sandbox, "Welcome!", 20)
    expect_buttons(ax, program.pid, "Welcome!", ["OK"])
    sandbox.press(greeting, "Return")
    expect_window(sandbox, "Shutdown Settings")
    check(program.poll() is None, "the program ended (status %s)" % program.returncode)


def dialog_values(dialog):
    """What the settings dialog shows: the address fields, options and the working-day list."""
    shown = {"fields": [], "working": [], "action": "关闭电源", "forced": False, "notices": False, "separate": False}
    lists = []
    for node in dialog.walk():
        role = node.role
        if role == "text":
            shown["fields"].append(node.text())
        elif role == "radio button" and node.checked:
            # The captions carry their access keys: 关闭电源(P), 注销(L), 重新启动(R).
            shown["action"] = node.name.split("(")[0]
        elif role == "check box":
            key = {"强制关机": "forced", "关机提示信息": "notices", "节假日另外设置": "separate"}.get(
                node.name.split("(")[0]
            )
            if key:
                shown[key] = node.checked
        elif role == "list" and node.parent is not None and node.parent.role != "combo box":
            lists.append([child.name for child in node.children()])
    check(len(shown["fields"]) == 3, "address fields %s" % shown["fields"])
    check(lists, "no time list in the dialog")
    shown["working"] = lists[0]
    return shown


def machine_schedule(sandbox):
    """tova-shutdownd with no display and no session: it hands the next time to logind's ScheduleShutdown, sends
    the notices at one minute and fifteen seconds through net (a stand-in that only logs them), re-arms
    when the file is edited and cancels when no time is left."""
    sandbox.start_bus("system")
    sandbox.start_logind()
    sandbox.add_scheduled_shutdown()
    # The service finds net and the language file from its own folder.
    service_dir = os.path.join(sandbox.root, "service")
    os.makedirs(os.path.join(service_dir, "bin"))
    shutil.copytree(os.path.join(sandbox.bin_dir, "..", "share"), os.path.join(service_dir, "share"))
    service = os.path.join(service_dir, "bin", "tova-shutdownd")
    shutil.copy2(os.path.join(sandbox.bin_dir, "tova-shutdownd"), service)
    sent = sandbox.log_path("net.calls")
    with open(os.path.join(service_dir, "bin", "net"), "w") as net:
        net.write('#!/bin/sh\nprintf "%%s %%s\\n" "$(date +%%s.%%N)" "$*" >>%s\n' % shlex.quote(sent))
    os.chmod(os.path.join(service_dir, "bin", "net"), 0o755)

    machine_file = os.path.join(sandbox.root, "etc-tova", "TovaShutDown.ini")
    os.makedirs(os.path.dirname(machine_file))

    def write(working, action="关闭电源"):
        lines = settings(working, rest="", action=action, notices="Yes", first=2, last=3)
        lines[0] = "[语言类别]：2[/语言类别]"  # English
        with open(machine_file + ".new", "wb") as file:
            file.write("\r\n".join(lines).encode("gb18030"))
        os.replace(machine_file + ".new", machine_file)  # as editors and deployment tools write

    def scheduled(kind, moment):
        want = (kind, Sandbox.epoch(moment))
        return wait_for(lambda: sandbox.scheduled_shutdown() == want, 15)

    write("17:00:00、18:30:00")
    sandbox.place_clock("2026-12-07 16:58:50")  # a Monday
    env = sandbox.program_env()
    check("DISPLAY" not in env and "WAYLAND_DISPLAY" not in env, "the service got a display")
    process = sandbox.spawn("tova-shutdownd", [service, "--file", machine_file], env=env)
    check(scheduled("poweroff", "2026-12-07 17:00:00"), "not scheduled: %s" % (sandbox.logind_calls(),))
    calls = [call for call in sandbox.logind_calls() if call[1] == "ScheduleShutdown"]
    check(len(calls) == 1, "ScheduleShutdown calls: %s" % calls)
    print("recorded:", calls[0][1], calls[0][2])

    # The notices, each to 127.0.0.2 and .3; the clock jumps over the 45 quiet seconds between them.
    def notices(count):
        try:
            with open(sent, encoding="utf-8") as log:
                lines = [line.split(" ", 1) for line in log.read().splitlines()]
        except FileNotFoundError:
            return None
        return lines if len(lines) >= count else None

    minute = wait_for(lambda: notices(2), 30)
    check(minute, "no one-minute notice: %s" % sandbox.tail("tova-shutdownd.out"))
    for stamp, command in minute:
        expect_due(float(stamp), "2026-12-07 16:59:00", "the one-minute notice")
        check(command.startswith("send 127.0.0.") and "60 seconds" in command, "notice %r" % command)
    sandbox.place_clock("2026-12-07 16:59:40")
    fifteen = wait_for(lambda: notices(4), 30)
    check(fifteen, "no fifteen-second notice: %s" % sandbox.tail("tova-shutdownd.out"))
    for stamp, command in fifteen[2:]:
        expect_due(float(stamp), "2026-12-07 16:59:45", "the fifteen-second notice")
    check({c.split()[1] for _, c in fifteen} == {"127.0.0.2", "127.0.0.3"}, "notices went to %s" % fifteen)

    # Edits re-arm at the next second: a new action and time, then no time at all.
    write("18:30:00", action="重新启动")
    check(scheduled("reboot", "2026-12-07 18:30:00"), "the edit did not re-arm: %s" % (sandbox.logind_calls(),))
    write("")
    check(wait_for(lambda: sandbox.scheduled_shutdown() == ("", 0), 15), "not cancelled: %s" % (sandbox.logind_calls(),))
    check(not [call for call in sandbox.logind_calls() if call[1] in ACTIONS], "the service asked for a shutdown itself")
    check(process.poll() is None, "the service ended: %s" % sandbox.tail("tova-shutdownd.out"))
    journal = sandbox.tail("tova-shutdownd.out")
    check("The server will shut down in 60 seconds" in journal, "no warning in the journal: %s" % journal)


def second_start_and_exit(sandbox):
    """A second start ends at once and leaves the first running; Exit in the tray menu ends the first."""
    sandbox.start_display()
    sandbox.start_tray()
    sandbox.start_bus("session")
    sandbox.start_bus("system")
    sandbox.start_logind()
    sandbox.start_messenger()
    sandbox.write_settings(settings("", notices="No"))
    sandbox.place_clock("2026-12-07 12:00:00")
    first = sandbox.start_program("first")
    icon = sandbox.tray_icon(first.pid)
    check(icon, "no tray icon of the first instance")
    before = sandbox.read_settings()

    second = sandbox.start_program("second")
    status = exit_status(second, 10)
    check(status == 0, "the second instance ended with %s, expected 0 at once" % status)
    check(first.poll() is None, "the first instance ended with %s" % first.returncode)
    check(sandbox.tray_icon(first.pid, 2) == icon, "the first instance's icon went away")
    check(sandbox.read_settings() == before, "the second instance touched the settings file")

    sandbox.click(icon, 3)
    menu = wait_for(lambda: [w for w in sandbox.windows(["--onlyvisible", "--pid", str(first.pid)]) if w != icon], 5)
    check(menu, "a right click on the icon opened no menu")
    # Exit is the menu's last item.
    sandbox.xdotool("key", "Up", "Return")
    status = exit_status(first, 10)
    check(status == 0, "Exit ended the program with %s, expected 0" % status)
    check(not sandbox.windows(["--name", "^Tova Shutdown$"]), "the icon is still docked")


def status_notifier_item(sandbox):
    """The icon as a StatusNotifierItem, as KDE Plasma, GNOME's AppIndicator and recent Xfce host it: the item
    carries the caption, activating it shows and hides the window, its menu is exported over dbusmenu in the
    program's order, and Exit there ends the program and takes the item away."""
    sandbox.start_display()
    sandbox.start_bus("session")
    sandbox.start_bus("system")
    sandbox.start_notification_area_over_dbus()
    sandbox.start_logind()
    sandbox.start_messenger()
    sandbox.write_settings(settings(""))
    sandbox.place_clock("2026-12-07 12:00:00")
    program = start_scheduled(sandbox, None, tray="dbus")
    bus = sandbox.connection("session")
    service = str(
        sandbox.method_calls(
            "session", "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "RegisterStatusNotifierItem"
        )[0][0]
    )
    item = bus.get_object(service, "/StatusNotifierItem")
    properties = dbus.Interface(item, "org.freedesktop.DBus.Properties")
    caption = "Tova自动关机 1.2"
    tip = wait_for(lambda: str(properties.Get(SNI, "ToolTip")[2]) or None, 10)
    check(tip == caption, "the item's tip is %r, expected %r" % (tip, caption))

    activate = dbus.Interface(item, SNI).Activate
    activate(0, 0)
    check(sandbox.window_named(caption, 10), "activating the item did not show the main window")
    activate(0, 0)
    check(
        wait_for(lambda: not sandbox.windows(["--onlyvisible", "--name", "^%s$" % caption]), 10),
        "activating it again did not hide the main window",
    )

    path = str(properties.Get(SNI, "Menu"))
    check(path != "/NO_DBUSMENU", "no menu exported over dbusmenu")
    menu = dbus.Interface(bus.get_object(service, path), "com.canonical.dbusmenu")
    _, (_, _, children) = menu.GetLayout(0, -1, dbus.Array([], signature="s"))
    # Hidden entries (postpone, skip and cancel while nothing is near) are exported too, marked invisible.
    entries = [
        (int(c[0]), str(c[1].get("label", "-" if c[1].get("type") == "separator" else "")))
        for c in children
        if c[1].get("visible", True)
    ]
    labels = [label for _, label in entries]
    expected = ["显示主窗体(_F)", "-", "关机设置(_S)...", "-", "发送消息(_M)...", "-", "退出(_X)"]
    check(labels == expected, "the exported menu is %r, expected %r" % (labels, expected))
    menu.Event(entries[-1][0], "clicked", dbus.String("", variant_level=1), dbus.UInt32(0))
    status = exit_status(program, 15)
    check(status == 0, "Exit in the exported menu ended the program with %s, expected 0" % status)
    check(wait_for(lambda: not bus.name_has_owner(service), 10), "the item stayed on the bus after Exit")


def wayland(sandbox):
    """On a Wayland desktop without a notification area: the first-use greeting and the settings dialog work,
    and the main window shows itself, as nothing could be reached through an icon."""
    sandbox.start_bus("session")
    sandbox.start_bus("system")
    sandbox.start_wayland()
    ax = sandbox.start_accessibility()
    sandbox.start_logind()
    sandbox.start_messenger()
    program = sandbox.start_program(faked=False, accessible=True)

    greeting = wait_for(lambda: ax.window(program.pid, "欢迎您！"), 30)
    check(greeting, "no greeting on Wayland: %s" % sandbox.tail("program.out"))
    ax.find(greeting, "push button", "确定").press()
    dialog = wait_for(lambda: ax.window(program.pid, "关机设置"), 10)
    check(dialog, "no settings dialog after the greeting")
    check(dialog_values(dialog)["action"] == "关闭电源", "the settings dialog shows no action")
    ax.find(dialog, "push button", "取消").press()
    check(wait_for(lambda: not ax.window(program.pid, "关机设置"), 10), "Cancel left the settings dialog open")
    check(wait_for(lambda: ax.window(program.pid, "Tova自动关机 1.2"), 20), "the main window did not show itself")
    check(program.poll() is None, "the program ended (status %s): %s" % (program.returncode, sandbox.tail("program.out")))
    check("QObject::connect" not in sandbox.tail("program.out"), "Qt complained: %s" % sandbox.tail("program.out"))


X_TRAY = BASE_TOOLS + ("trayer",)
CASES = {
    "working_day_power_off": (working_day_power_off, X_TRAY + ("at-spi",)),
    "rest_day": (rest_day, X_TRAY),
    "holiday": (holiday, X_TRAY),
    "across_midnight": (across_midnight, X_TRAY + ("at-spi",)),
    "restart": (restart, BASE_TOOLS),
    "log_off": (log_off, X_TRAY),
    "held_back": (held_back, X_TRAY + ("at-spi",)),
    "first_use": (first_use, X_TRAY + ("at-spi", "localedef", "xprop")),
    "first_use_english": (first_use_english, X_TRAY + ("at-spi", "localedef", "xprop")),
    "second_start_and_exit": (second_start_and_exit, X_TRAY),
    "status_notifier_item": (status_notifier_item, BASE_TOOLS),
    "wayland": (wayland, ("dbus-daemon", "dbusmock", "weston", "qt-wayland", "at-spi")),
    "machine_schedule": (machine_schedule, ("dbus-daemon", "dbusmock", "libfaketime")),
}

if __name__ == "__main__":
    sys.exit(main(CASES, sys.argv[1:]))
