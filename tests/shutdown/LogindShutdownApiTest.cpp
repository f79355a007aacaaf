// LogindShutdownApi and ShutdownExecutor together, against python-dbusmock's logind on a private system
// bus and a mock session manager on a private session bus.

#include "platform/linux/LogindShutdownApi.h"

#include "platform/linux/LogindScheduledShutdown.h"
#include "shutdown/RaisedError.h"
#include "shutdown/ShutdownExecutor.h"
#include "support/PrivateBus.h"

#include <QCoreApplication>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>
#include <optional>

namespace {
PrivateBus* systemBus = nullptr;
PrivateBus* sessionBus = nullptr;

const QString Manager = QStringLiteral("org.freedesktop.login1.Manager");
const QString SessionPath = QStringLiteral("/org/freedesktop/login1/session/c7");
const QString NotAllowed = QStringLiteral("不能shutdown：你没有关闭本系统的权限。");
const QString RequestFailed = QStringLiteral("InitiateSystemShutdown failed: ");

class LogindShutdownApiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedSessionId = qgetenv("XDG_SESSION_ID");
        m_hadSessionId = qEnvironmentVariableIsSet("XDG_SESSION_ID");
        qunsetenv("XDG_SESSION_ID");
        startLogind();
    }

    // A fresh mock, forgetting every call, session, lock and replaced method of the last one.
    void startLogind()
    {
        systemBus->stopMocks();
        m_logind = nullptr;
        QString error;
        m_logind = systemBus->startTemplate(QStringLiteral("logind"), QStringLiteral("org.freedesktop.login1"),
                                            QStringLiteral("/org/freedesktop/login1"), QString(), &error);
        ASSERT_NE(m_logind, nullptr) << error.toStdString();
    }

    void TearDown() override
    {
        systemBus->stopMocks();
        sessionBus->stopMocks();
        if (m_hadSessionId) {
            qputenv("XDG_SESSION_ID", m_savedSessionId);
        } else {
            qunsetenv("XDG_SESSION_ID");
        }
    }

    void addManagerMethod(const QString& name, const QString& in, const QString& out, const QString& code)
    {
        QString error;
        ASSERT_TRUE(m_logind->addMethod(Manager, name, in, out, code, QString(), &error)) << error.toStdString();
    }

    // A login session of this process's user, found by PID as logind would.
    void addOwnSession()
    {
        const QDBusMessage reply = m_logind->call(
            QStringLiteral("AddSession"), { QStringLiteral("c7"), QStringLiteral("seat0"), 1000u, "alice", true });
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        addManagerMethod(QStringLiteral("GetSessionByPID"), QStringLiteral("u"), QStringLiteral("o"),
                         QStringLiteral("ret = '%1'").arg(SessionPath));
    }

    int callCount(const QString& method, const QString& path = {})
    {
        return m_logind->methodCalls(method, path).size();
    }

    // Holds an inhibitor lock as another program would, until the returned descriptor is dropped.
    QDBusUnixFileDescriptor inhibit(const QString& what, const QString& mode)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"), Manager, "Inhibit");
        message.setArguments({ what, QStringLiteral("Backup tool"), QStringLiteral("Copying files"), mode });
        const QDBusMessage reply = systemBus->connection().call(message, QDBus::Block, 5000);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return reply.arguments().value(0).value<QDBusUnixFileDescriptor>();
    }

    // Runs the whole executor; the error it raised, if any.
    std::optional<RaisedError> shutDown(qint16 flags, int timeoutMs = LogindShutdownApi::DefaultTimeoutMs)
    {
        LogindShutdownApi api(timeoutMs);
        ShutdownExecutor executor(api, QStringLiteral("tova-shutdown"));
        try {
            executor.ShutDownSystem(flags);
        } catch (const RaisedError& error) {
            m_heldBack = executor.wasHeldBack();
            return error;
        }
        return std::nullopt;
    }

    PrivateBus::Mock* m_logind = nullptr;
    bool m_heldBack = false;
    QByteArray m_savedSessionId;
    bool m_hadSessionId = false;
};

std::string describe(const std::optional<RaisedError>& error)
{
    return error ? QStringLiteral("error %1: %2").arg(error->number()).arg(error->description()).toStdString()
                 : std::string("no error");
}
} // namespace

TEST_F(LogindShutdownApiTest, PowerOffAndRestartReachLogindWithoutInteraction)
{
    struct Row
    {
        qint16 flags;
        const char* asked;
        const char* requested;
        const char* notRequested;
    };
    const std::vector<Row> rows = {
        { 1, "CanPowerOff", "PowerOff", "Reboot" }, { 5, "CanPowerOff", "PowerOff", "Reboot" },
        { 3, "CanReboot", "Reboot", "PowerOff" },   { 7, "CanReboot", "Reboot", "PowerOff" },
        { 2, "CanReboot", "Reboot", "PowerOff" },
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(m_logind->clearCalls());
        const auto error = shutDown(row.flags);
        EXPECT_FALSE(error) << row.flags << ": " << describe(error);
        EXPECT_EQ(callCount(row.asked), 1) << row.flags;
        EXPECT_EQ(m_logind->methodCalls(row.requested), (QList<QVariantList> { { false } })) << row.flags;
        EXPECT_EQ(callCount(row.notRequested), 0) << row.flags;
    }
}

TEST_F(LogindShutdownApiTest, TheCanAnswerDecidesWhetherToGoOn)
{
    struct Row
    {
        const char* method;
        qint16 flags;
        const char* outSignature;
        const char* code;
        const char* reason; // empty: the request goes through
    };
    const std::vector<Row> rows = {
        { "CanPowerOff", 1, "s", "ret = 'yes'", "" },
        { "CanPowerOff", 1, "s", "ret = 'challenge'", "" },
        { "CanPowerOff", 1, "s", "ret = 'no'",
          "CanPowerOff answered \"no\": this user may not power off this computer" },
        { "CanReboot", 3, "s", "ret = 'na'",
          "CanReboot answered \"na\": this computer cannot restart through the login manager" },
        { "CanPowerOff", 5, "u", "ret = 1",
          "the login manager gave no usable answer to CanPowerOff (signature \"u\")" },
        { "CanReboot", 7, "s",
          "raise dbus.exceptions.DBusException('Permission denied', name='org.freedesktop.DBus.Error.AccessDenied')",
          "Permission denied (org.freedesktop.DBus.Error.AccessDenied)" },
    };
    for (const Row& row : rows) {
        addManagerMethod(row.method, QString(), row.outSignature, row.code);
        ASSERT_TRUE(m_logind->clearCalls());
        const auto error = shutDown(row.flags);
        const QString reason = QString::fromUtf8(row.reason);
        const int requests = callCount(QStringLiteral("PowerOff")) + callCount(QStringLiteral("Reboot"));
        if (reason.isEmpty()) {
            EXPECT_FALSE(error) << row.code << ": " << describe(error);
            EXPECT_EQ(requests, 1) << row.code;
        } else {
            ASSERT_TRUE(error) << row.code;
            EXPECT_EQ(error->number(), 6) << row.code;
            EXPECT_EQ(error->description(), NotAllowed + u'[' + reason + u']');
            EXPECT_EQ(requests, 0) << row.code;
        }
    }
}

TEST_F(LogindShutdownApiTest, ABlockingInhibitorHoldsBackOnlyAnUnforcedShutdown)
{
    struct Row
    {
        const char* what;
        const char* mode;
        qint16 flags;
        bool heldBack;
    };
    const std::vector<Row> rows = {
        { "shutdown", "block", 1, true },  { "sleep:shutdown", "block", 3, true }, { "shutdown", "block", 5, false },
        { "shutdown", "block", 7, false }, { "shutdown", "delay", 1, false },      { "sleep", "block", 1, false },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.what) + " " + row.mode + " flags " + std::to_string(row.flags));
        // A fresh mock for each row: a dropped lock leaves the mock's list only some time later.
        startLogind();
        ASSERT_NE(m_logind, nullptr);
        const QDBusUnixFileDescriptor lock = inhibit(row.what, row.mode);
        ASSERT_TRUE(lock.isValid());

        const auto error = shutDown(row.flags);
        const int requests = callCount(QStringLiteral("PowerOff")) + callCount(QStringLiteral("Reboot"));
        if (row.heldBack) {
            ASSERT_TRUE(error);
            EXPECT_EQ(error->number(), 2);
            EXPECT_EQ(error->description(), RequestFailed + "held back by Backup tool: Copying files");
            EXPECT_TRUE(m_heldBack) << "so the caller may ask again later";
            EXPECT_EQ(requests, 0);
        } else {
            EXPECT_FALSE(error) << describe(error);
            EXPECT_EQ(requests, 1);
        }
    }
}

TEST_F(LogindShutdownApiTest, ARefusedRequestReportsLogindsOwnMessage)
{
    addManagerMethod(QStringLiteral("PowerOff"), QStringLiteral("b"), QString(),
                     QStringLiteral("raise dbus.exceptions.DBusException('Access denied', "
                                    "name='org.freedesktop.DBus.Error.AccessDenied')"));
    const auto error = shutDown(1);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), 2);
    EXPECT_EQ(error->description(), RequestFailed + "Access denied (org.freedesktop.DBus.Error.AccessDenied)");
    EXPECT_FALSE(m_heldBack) << "a refusal is final";
}

TEST_F(LogindShutdownApiTest, ALoginManagerThatNeverAnswersFailsTheRequest)
{
    addManagerMethod(QStringLiteral("PowerOff"), QStringLiteral("b"), QString(),
                     QStringLiteral("__import__('time').sleep(60)"));
    // The timeout also covers the calls before PowerOff, which a busy machine may answer slowly;
    // the hung call outlasts it many times over.
    const auto error = shutDown(5, 2000);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), 2);
    EXPECT_TRUE(error->description().startsWith(RequestFailed)) << describe(error);
    EXPECT_TRUE(error->description().endsWith(QStringLiteral("(org.freedesktop.DBus.Error.NoReply)")))
        << describe(error);
}

TEST_F(LogindShutdownApiTest, ABusWithoutLogindFailsAtThePrivilegeLookup)
{
    systemBus->stopMocks();
    for (const qint16 flags : { qint16(0), qint16(1), qint16(7) }) {
        const auto error = shutDown(flags);
        ASSERT_TRUE(error) << flags;
        EXPECT_EQ(error->number(), 4) << flags;
        EXPECT_TRUE(error->description().startsWith(QStringLiteral("不能shutdown：找不到SE_SHUTDOWN_NAME特权值。[")));
        EXPECT_TRUE(error->description().endsWith(QStringLiteral("(org.freedesktop.DBus.Error.ServiceUnknown)]")))
            << describe(error);
    }
}

TEST_F(LogindShutdownApiTest, LogOffEndsTheSessionFoundByPid)
{
    addOwnSession();
    // Not forced and no session manager on the session bus: logind ending the session is all there is.
    for (const qint16 flags : { qint16(0), qint16(4) }) {
        ASSERT_TRUE(m_logind->clearCalls());
        ASSERT_TRUE(m_logind->clearCalls(SessionPath));
        const auto error = shutDown(flags);
        EXPECT_FALSE(error) << flags << ": " << describe(error);
        const QList<QVariantList> lookups = m_logind->methodCalls(QStringLiteral("GetSessionByPID"));
        ASSERT_FALSE(lookups.isEmpty());
        EXPECT_EQ(lookups.at(0), (QVariantList { quint32(QCoreApplication::applicationPid()) }));
        EXPECT_EQ(callCount(QStringLiteral("Terminate"), SessionPath), 1) << flags;
        EXPECT_EQ(callCount(QStringLiteral("PowerOff")) + callCount(QStringLiteral("Reboot")), 0);
    }
}

TEST_F(LogindShutdownApiTest, LogOffFallsBackToTheInheritedSessionId)
{
    addOwnSession();
    addManagerMethod(QStringLiteral("GetSessionByPID"), QStringLiteral("u"), QStringLiteral("o"),
                     QStringLiteral("raise dbus.exceptions.DBusException('PID 1 does not belong to any known session', "
                                    "name='org.freedesktop.login1.NoSessionForPID')"));
    qputenv("XDG_SESSION_ID", "c7");
    const auto error = shutDown(4);
    EXPECT_FALSE(error) << describe(error);
    EXPECT_EQ(m_logind->methodCalls(QStringLiteral("GetSession")), (QList<QVariantList> { { QStringLiteral("c7") } }));
    EXPECT_EQ(callCount(QStringLiteral("Terminate"), SessionPath), 1);
}

TEST_F(LogindShutdownApiTest, LogOffWithoutAnySessionRaisesError5)
{
    addManagerMethod(QStringLiteral("GetSessionByPID"), QStringLiteral("u"), QStringLiteral("o"),
                     QStringLiteral("raise dbus.exceptions.DBusException('PID 1 does not belong to any known session', "
                                    "name='org.freedesktop.login1.NoSessionForPID')"));
    addManagerMethod(QStringLiteral("GetSession"), QStringLiteral("s"), QStringLiteral("o"),
                     QStringLiteral("raise dbus.exceptions.DBusException('No session', "
                                    "name='org.freedesktop.login1.NoSuchSession')"));
    const auto error = shutDown(0);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), 5);
    // The first failure is the one that tells what is wrong.
    EXPECT_EQ(error->description(),
              QStringLiteral("不能shutdown：不能终止当前进程。[PID 1 does not belong to any known "
                             "session (org.freedesktop.login1.NoSessionForPID)]"));
    EXPECT_EQ(m_logind->methodCalls(QStringLiteral("GetSession")),
              (QList<QVariantList> { { QStringLiteral("auto") } }));
}

TEST_F(LogindShutdownApiTest, UnforcedLogOffGoesThroughTheDesktopSessionManager)
{
    struct Row
    {
        qint16 flags;
        const char* logoutCode;
        int logouts;
        int terminations;
        const char* failure; // empty: accepted
    };
    const std::vector<Row> rows = {
        { 0, "", 1, 0, "" },
        { 4, "", 0, 1, "" },
        { 0,
          "raise dbus.exceptions.DBusException('Logout interrupted by Editor', "
          "name='org.gnome.SessionManager.Error.NotInRunning')",
          1, 0, "Logout interrupted by Editor (org.gnome.SessionManager.Error.NotInRunning)" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("flags " + std::to_string(row.flags) + " " + row.logoutCode);
        sessionBus->stopMocks();
        startLogind();
        ASSERT_NE(m_logind, nullptr);
        addOwnSession();
        QString startError;
        PrivateBus::Mock* manager = sessionBus->startObject(QStringLiteral("org.gnome.SessionManager"),
                                                            QStringLiteral("/org/gnome/SessionManager"),
                                                            QStringLiteral("org.gnome.SessionManager"), &startError);
        ASSERT_NE(manager, nullptr) << startError.toStdString();
        ASSERT_TRUE(manager->addMethod(QStringLiteral("org.gnome.SessionManager"), QStringLiteral("Logout"),
                                       QStringLiteral("u"), QString(), QString::fromUtf8(row.logoutCode)));

        const auto error = shutDown(row.flags);
        const QList<QVariantList> logouts = manager->methodCalls(QStringLiteral("Logout"));
        EXPECT_EQ(logouts.size(), row.logouts);
        if (!logouts.isEmpty()) {
            // Mode 1: no confirmation, but the session's programs may still object.
            EXPECT_EQ(logouts.at(0), (QVariantList { 1u }));
        }
        EXPECT_EQ(callCount(QStringLiteral("Terminate"), SessionPath), row.terminations);
        if (*row.failure) {
            ASSERT_TRUE(error);
            EXPECT_EQ(error->number(), 2);
            EXPECT_EQ(error->description(), RequestFailed + row.failure);
        } else {
            EXPECT_FALSE(error) << describe(error);
        }
    }
}

// logind's own schedule, as the machine-wide service arms it and the desktop program follows it. Like
// Debian 12's logind, this one sends no change signal for ScheduledShutdown: the watch learns of a change
// from the file logind keeps in its state folder, which appears with the first scheduled time.
TEST_F(LogindShutdownApiTest, TheScheduledShutdownIsArmedAndFollowedThroughLogindsStateFolder)
{
    const QString setPending = QStringLiteral(
        "self.props['org.freedesktop.login1.Manager']['ScheduledShutdown'] = dbus.Struct((%1), signature='st')");
    addManagerMethod(QStringLiteral("ScheduleShutdown"), QStringLiteral("st"), QString(),
                     setPending.arg(QStringLiteral("args[0], dbus.UInt64(args[1])")));
    addManagerMethod(QStringLiteral("CancelScheduledShutdown"), QString(), QStringLiteral("b"),
                     setPending.arg(QStringLiteral("'', dbus.UInt64(0)")) + QStringLiteral("\nret = True"));
    QTemporaryDir run;
    ASSERT_TRUE(run.isValid());
    const QString folder = run.filePath(QStringLiteral("shutdown"));
    LogindScheduledShutdown scheduled(folder);
    int changes = 0;
    QObject::connect(&scheduled, &ScheduledShutdown::pendingChanged, [&] { ++changes; });
    const auto waitFor = [&](const std::function<bool()>& condition) {
        const QDeadlineTimer deadline(30000);
        while (!condition() && !deadline.hasExpired()) {
            QTest::qWait(10);
        }
        return condition();
    };

    scheduled.watch();
    ASSERT_TRUE(waitFor([&] { return changes == 1; })); // the first answer: nothing pending
    EXPECT_FALSE(scheduled.pending());

    const ScheduledShutdown::Pending pending { QStringLiteral("reboot"),
                                               QDateTime(QDate(2026, 12, 7), QTime(17, 0, 0)) };
    QString error;
    ASSERT_TRUE(scheduled.schedule(pending, &error)) << error.toStdString();
    const QList<QVariantList> calls = m_logind->methodCalls(QStringLiteral("ScheduleShutdown"));
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0][0].toString(), QStringLiteral("reboot"));
    EXPECT_EQ(calls[0][1].toULongLong(), quint64(pending.when.toMSecsSinceEpoch()) * 1000);
    ASSERT_TRUE(QDir().mkdir(folder)); // as logind writes its file
    QFile file(folder + QStringLiteral("/scheduled"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_TRUE(waitFor([&] { return scheduled.pending() == pending; }));

    ASSERT_TRUE(scheduled.cancel(&error)) << error.toStdString();
    ASSERT_TRUE(file.remove());
    EXPECT_TRUE(waitFor([&] { return !scheduled.pending(); }));
    EXPECT_EQ(changes, 3);
}

int main(int argc, char** argv)
{
    // First of all: should anything below fail, Qt's default buses must still never be the machine's.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/tova-test-bus");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tova-test-bus");
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);

    PrivateBus system(PrivateBus::Type::System);
    PrivateBus session(PrivateBus::Type::Session);
    QString error;
    if (!system.start(&error) || !session.start(&error)) {
        std::fprintf(stderr, "cannot start a private bus: %s\n", qPrintable(error));
        return 1;
    }
    system.exportAddress();
    session.exportAddress();
    systemBus = &system;
    sessionBus = &session;
    return RUN_ALL_TESTS();
}
