#include "LogindShutdownApi.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <cerrno>
#include <cstring>
#include <sys/utsname.h>
#include <unistd.h>
#include <vector>

namespace {
const QString LoginService = QStringLiteral("org.freedesktop.login1");
const QString LoginPath = QStringLiteral("/org/freedesktop/login1");
const QString ManagerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString SessionInterface = QStringLiteral("org.freedesktop.login1.Session");

// Failure texts are kept this many at a time; a failure ends the program in practice, so this only
// bounds a caller that keeps retrying.
constexpr int KeptTexts = 64;

// Desktop session managers that end the session the way the user's own log off does: their programs
// are asked first and may hold it back. Tried in order; one that is not there is skipped.
struct SessionManager
{
    const char* service;
    const char* path;
    const char* interface;
    const char* method;
    QVariantList args;
};

const std::vector<SessionManager>& sessionManagers()
{
    static const std::vector<SessionManager> managers = {
        // Mode 1: no confirmation dialog, but inhibitors are respected.
        { "org.gnome.SessionManager",
          "/org/gnome/SessionManager",
          "org.gnome.SessionManager",
          "Logout",
          { QVariant::fromValue(quint32(1)) } },
        { "org.kde.Shutdown", "/Shutdown", "org.kde.Shutdown", "logout", {} },
        // No dialog; programs may save their state.
        { "org.xfce.SessionManager",
          "/org/xfce/SessionManager",
          "org.xfce.Session.Manager",
          "Logout",
          { false, true } },
    };
    return managers;
}

// Errors that say "no such session manager here", as opposed to one that answered and refused.
bool isAbsent(const QString& errorName)
{
    static const QStringList absent = {
        QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"),
        QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
    };
    return absent.contains(errorName);
}

struct Inhibitor
{
    QString what;
    QString who;
    QString why;
    QString mode;
};

bool readInhibitors(const QDBusMessage& reply, QList<Inhibitor>* inhibitors)
{
    if (reply.arguments().size() != 1 || reply.arguments().at(0).userType() != qMetaTypeId<QDBusArgument>()) {
        return false;
    }
    const QDBusArgument arg = reply.arguments().at(0).value<QDBusArgument>();
    if (arg.currentSignature() != QLatin1String("a(ssssuu)")) {
        return false;
    }
    arg.beginArray();
    while (!arg.atEnd()) {
        Inhibitor inhibitor;
        quint32 uid = 0;
        quint32 pid = 0;
        arg.beginStructure();
        arg >> inhibitor.what >> inhibitor.who >> inhibitor.why >> inhibitor.mode >> uid >> pid;
        arg.endStructure();
        inhibitors->append(inhibitor);
    }
    arg.endArray();
    return true;
}
} // namespace

LogindShutdownApi::LogindShutdownApi(int timeoutMs) : m_timeoutMs(timeoutMs) { }

bool LogindShutdownApi::queryVersion(int* platformId)
{
    struct utsname name;
    if (uname(&name) != 0) {
        return failWithErrno(errno);
    }
    // Every Linux system this program runs on shuts down through the login manager: the NT model.
    *platformId = PlatformNT;
    return true;
}

bool LogindShutdownApi::connectToLoginManager()
{
    const QDBusConnection bus = QDBusConnection::systemBus();
    if (!isConnected(bus)) {
        return false;
    }
    // Ping also starts logind where it is bus-activated, and fails at once where there is none.
    return succeeded(
        call(bus, LoginService, LoginPath, QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")));
}

bool LogindShutdownApi::findOwnSession()
{
    m_sessionPath.clear();
    const QDBusConnection bus = QDBusConnection::systemBus();
    if (!isConnected(bus)) {
        return false;
    }
    if (sessionPathFrom(call(bus, LoginService, LoginPath, ManagerInterface, QStringLiteral("GetSessionByPID"),
                             { QVariant::fromValue(quint32(getpid())) }))) {
        return true;
    }
    // A program started by the user's service manager rather than from the session has no session of
    // its own; the session id it inherited, or logind's pick of the user's graphical session, stands in.
    // The first failure is the one worth telling.
    const quint32 firstError = m_lastError;
    QStringList ids;
    const QString inherited = qEnvironmentVariable("XDG_SESSION_ID");
    if (!inherited.isEmpty()) {
        ids << inherited;
    }
    ids << QStringLiteral("auto");
    for (const QString& id : ids) {
        if (sessionPathFrom(
                call(bus, LoginService, LoginPath, ManagerInterface, QStringLiteral("GetSession"), { id }))) {
            return true;
        }
    }
    m_lastError = firstError;
    return false;
}

bool LogindShutdownApi::mayAct(Action action)
{
    if (action == Action::LogOff) {
        // Ending one's own session needs no privilege: logind lets the session's owner do it.
        return true;
    }
    const QDBusConnection bus = QDBusConnection::systemBus();
    if (!isConnected(bus)) {
        return false;
    }
    const bool powerOff = action == Action::PowerOff;
    const QString method = powerOff ? QStringLiteral("CanPowerOff") : QStringLiteral("CanReboot");
    const QString verb = powerOff ? QStringLiteral("power off") : QStringLiteral("restart");
    const QDBusMessage reply = call(bus, LoginService, LoginPath, ManagerInterface, method);
    if (!succeeded(reply)) {
        return false;
    }
    if (reply.arguments().size() != 1 || reply.arguments().at(0).userType() != QMetaType::QString) {
        return failWithText(QStringLiteral("the login manager gave no usable answer to %1 (signature \"%2\")")
                                .arg(method, reply.signature()));
    }
    const QString answer = reply.arguments().at(0).toString();
    if (answer == QLatin1String("no")) {
        return failWithText(QStringLiteral("%1 answered \"no\": this user may not %2 this computer").arg(method, verb));
    }
    if (answer == QLatin1String("na")) {
        return failWithText(
            QStringLiteral("%1 answered \"na\": this computer cannot %2 through the login manager").arg(method, verb));
    }
    // "yes", and "challenge" (allowed after authentication): the request itself tells.
    return true;
}

bool LogindShutdownApi::exitSession(quint32 flags)
{
    Action action;
    if (!actionOf(flags, &action)) {
        return failWithErrno(EINVAL);
    }
    const QDBusConnection bus = QDBusConnection::systemBus();
    if (!isConnected(bus)) {
        return false;
    }
    const bool forced = isForced(flags);
    if (action == Action::LogOff) {
        return logOff(bus, forced);
    }
    if (!forced && !checkInhibitors(bus)) {
        return false;
    }
    // interactive = false: a timer tick has nobody to type a password.
    const QString method = action == Action::PowerOff ? QStringLiteral("PowerOff") : QStringLiteral("Reboot");
    return succeeded(call(bus, LoginService, LoginPath, ManagerInterface, method, { false }));
}

QString LogindShutdownApi::errorText(quint32 code) const
{
    if (code >= TextErrorBase) {
        return m_texts.value(code);
    }
    char buffer[256];
    return QString::fromLocal8Bit(strerror_r(int(code), buffer, sizeof buffer));
}

bool LogindShutdownApi::isConnected(const QDBusConnection& bus)
{
    if (bus.isConnected()) {
        return true;
    }
    const QDBusError error = bus.lastError();
    if (error.isValid()) {
        return failWithDBusError(error.name(), error.message());
    }
    return failWithDBusError(QStringLiteral("org.freedesktop.DBus.Error.Disconnected"),
                             QStringLiteral("Not connected to the system bus"));
}

QDBusMessage LogindShutdownApi::call(const QDBusConnection& bus, const QString& service, const QString& path,
                                     const QString& interface, const QString& method, const QVariantList& args)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(args);
    return bus.call(message, QDBus::Block, m_timeoutMs);
}

bool LogindShutdownApi::succeeded(const QDBusMessage& reply)
{
    if (reply.type() == QDBusMessage::ReplyMessage) {
        return true;
    }
    if (reply.type() == QDBusMessage::ErrorMessage) {
        return failWithDBusError(reply.errorName(), reply.errorMessage());
    }
    return failWithText(QStringLiteral("the bus gave no reply"));
}

bool LogindShutdownApi::sessionPathFrom(const QDBusMessage& reply)
{
    if (!succeeded(reply)) {
        return false;
    }
    if (reply.arguments().size() != 1 || reply.arguments().at(0).userType() != qMetaTypeId<QDBusObjectPath>()) {
        return failWithText(
            QStringLiteral("the login manager gave no session path (signature \"%1\")").arg(reply.signature()));
    }
    m_sessionPath = reply.arguments().at(0).value<QDBusObjectPath>().path();
    return true;
}

bool LogindShutdownApi::checkInhibitors(const QDBusConnection& bus)
{
    const QDBusMessage reply = call(bus, LoginService, LoginPath, ManagerInterface, QStringLiteral("ListInhibitors"));
    if (!succeeded(reply)) {
        return false;
    }
    QList<Inhibitor> inhibitors;
    if (!readInhibitors(reply, &inhibitors)) {
        return failWithText(QStringLiteral("the login manager gave no usable list of inhibitors (signature \"%1\")")
                                .arg(reply.signature()));
    }
    // Only a block lock on "shutdown" holds the action back; a delay lock just makes logind wait a little.
    QStringList holders;
    for (const Inhibitor& inhibitor : inhibitors) {
        if (inhibitor.mode == QLatin1String("block")
            && inhibitor.what.split(u':').contains(QLatin1String("shutdown"))) {
            holders << QStringLiteral("%1: %2").arg(inhibitor.who, inhibitor.why);
        }
    }
    if (holders.isEmpty()) {
        return true;
    }
    failWithText(QStringLiteral("held back by %1").arg(holders.join(QStringLiteral("; "))));
    m_heldBack = true;
    return false;
}

bool LogindShutdownApi::logOff(const QDBusConnection& bus, bool forced)
{
    if (!forced) {
        bool answered = false;
        if (askSessionManager(&answered)) {
            return true;
        }
        if (answered) {
            return false;
        }
        // No session manager on the session bus: logind ending the session is the only way left.
    }
    if (m_sessionPath.isEmpty() && !findOwnSession()) {
        return false;
    }
    return succeeded(call(bus, LoginService, m_sessionPath, SessionInterface, QStringLiteral("Terminate")));
}

bool LogindShutdownApi::askSessionManager(bool* answered)
{
    *answered = false;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    for (const SessionManager& manager : sessionManagers()) {
        const QDBusMessage reply = call(bus, QLatin1String(manager.service), QLatin1String(manager.path),
                                        QLatin1String(manager.interface), QLatin1String(manager.method), manager.args);
        if (reply.type() == QDBusMessage::ReplyMessage) {
            return true;
        }
        if (reply.type() == QDBusMessage::ErrorMessage && isAbsent(reply.errorName())) {
            continue;
        }
        *answered = true;
        return succeeded(reply);
    }
    return false;
}

bool LogindShutdownApi::failWithText(const QString& text)
{
    m_heldBack = false;
    ++m_lastTextCode;
    m_texts.remove(m_lastTextCode - KeptTexts);
    m_texts.insert(m_lastTextCode, text);
    m_lastError = m_lastTextCode;
    return false;
}

bool LogindShutdownApi::failWithDBusError(const QString& name, const QString& message)
{
    if (message.isEmpty()) {
        return failWithText(name);
    }
    return failWithText(QStringLiteral("%1 (%2)").arg(message, name));
}

bool LogindShutdownApi::failWithErrno(int error)
{
    m_heldBack = false;
    m_lastError = quint32(error);
    return false;
}
