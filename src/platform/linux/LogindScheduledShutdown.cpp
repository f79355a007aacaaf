#include "LogindScheduledShutdown.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QDir>
#include <QFileInfo>
#include <limits>

namespace {
const QString LoginService = QStringLiteral("org.freedesktop.login1");
const QString LoginPath = QStringLiteral("/org/freedesktop/login1");
const QString ManagerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString PendingProperty = QStringLiteral("ScheduledShutdown");
} // namespace

LogindScheduledShutdown::LogindScheduledShutdown(QString stateFolder, int timeoutMs, QObject* parent)
    : ScheduledShutdown(parent), m_stateFolder(std::move(stateFolder)), m_timeoutMs(timeoutMs)
{
    connect(&m_folders, &QFileSystemWatcher::directoryChanged, this, [this] {
        watchFolders(); // the state folder may just have appeared
        readPending();
    });
}

std::optional<ScheduledShutdown::Pending> LogindScheduledShutdown::pendingFrom(const QString& type, quint64 usec)
{
    if (type.isEmpty() || usec == 0 || usec == std::numeric_limits<quint64>::max()) {
        return std::nullopt;
    }
    return Pending { type, QDateTime::fromMSecsSinceEpoch(qint64(usec / 1000)) };
}

bool LogindScheduledShutdown::schedule(const Pending& pending, QString* error)
{
    const quint64 usec = quint64(pending.when.toMSecsSinceEpoch()) * 1000;
    return call(QStringLiteral("ScheduleShutdown"), { pending.type, QVariant::fromValue(usec) }, error);
}

bool LogindScheduledShutdown::cancel(QString* error)
{
    return call(QStringLiteral("CancelScheduledShutdown"), {}, error);
}

bool LogindScheduledShutdown::call(const QString& method, const QVariantList& args, QString* error)
{
    QDBusMessage message = QDBusMessage::createMethodCall(LoginService, LoginPath, ManagerInterface, method);
    message.setArguments(args);
    const QDBusMessage reply = QDBusConnection::systemBus().call(message, QDBus::Block, m_timeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        return true;
    }
    *error = reply.type() == QDBusMessage::ErrorMessage
        ? QStringLiteral("%1 (%2)").arg(reply.errorMessage(), reply.errorName())
        : QStringLiteral("the login manager gave no reply");
    return false;
}

void LogindScheduledShutdown::watch()
{
    QDBusConnection::systemBus().connect(LoginService, LoginPath, PropertiesInterface,
                                         QStringLiteral("PropertiesChanged"), this, SLOT(readPending()));
    watchFolders();
    readPending();
}

void LogindScheduledShutdown::watchFolders()
{
    // The state folder is made when something is first scheduled; until then its parent says when.
    const QString parent = QFileInfo(m_stateFolder).path();
    for (const QString& folder : { m_stateFolder, parent }) {
        if (QFileInfo(folder).isDir() && !m_folders.directories().contains(folder)) {
            m_folders.addPath(folder);
        }
    }
}

void LogindScheduledShutdown::readPending()
{
    // One read at a time; changes meanwhile are seen by one more read when it ends.
    if (m_reading) {
        m_readAgain = true;
        return;
    }
    m_reading = true;
    QDBusMessage get
        = QDBusMessage::createMethodCall(LoginService, LoginPath, PropertiesInterface, QStringLiteral("Get"));
    get.setArguments({ ManagerInterface, PendingProperty });
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(get, m_timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        takeReply(finished->reply());
        m_reading = false;
        if (m_readAgain) {
            m_readAgain = false;
            readPending();
        }
    });
}

void LogindScheduledShutdown::takeReply(const QDBusMessage& reply)
{
    std::optional<Pending> pending;
    if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1) {
        const QDBusArgument value = reply.arguments().at(0).value<QDBusVariant>().variant().value<QDBusArgument>();
        QString type;
        quint64 usec = 0;
        value.beginStructure();
        value >> type >> usec;
        value.endStructure();
        pending = pendingFrom(type, usec);
    }
    // No login manager, or one without the property: nothing pending that anyone could show.
    if (m_answered && pending == m_pending) {
        return;
    }
    m_answered = true;
    m_pending = pending;
    Q_EMIT pendingChanged();
}
