#pragma once

#include "platform/ShutdownApi.h"

#include <QHash>
#include <QVariantList>

class QDBusConnection;
class QDBusMessage;

// Power off, restart and log off through systemd-logind on the system bus (QDBusConnection::systemBus(),
// which honours DBUS_SYSTEM_BUS_ADDRESS). Log off ends this process's own login session; without the
// force bit the desktop's session manager is asked first where one answers on the session bus, so that
// its programs can save their work or object.
//
// Every call is blocking (the caller is a timer tick that must not re-enter) but bounded by a short
// timeout, so a hung service fails the request instead of freezing the program.
class LogindShutdownApi : public ShutdownApi
{
public:
    static constexpr int DefaultTimeoutMs = 5000;

    explicit LogindShutdownApi(int timeoutMs = DefaultTimeoutMs);

    bool queryVersion(int* platformId) override;
    bool connectToLoginManager() override;
    bool findOwnSession() override;
    bool mayAct(Action action) override;
    bool exitSession(quint32 flags) override;
    quint32 lastError() const override { return m_lastError; }
    bool lastFailureHeldBack() const override { return m_heldBack; }
    QString errorText(quint32 code) const override;

private:
    bool isConnected(const QDBusConnection& bus);
    QDBusMessage call(const QDBusConnection& bus, const QString& service, const QString& path, const QString& interface,
                      const QString& method, const QVariantList& args = {});
    bool succeeded(const QDBusMessage& reply);
    bool sessionPathFrom(const QDBusMessage& reply);
    bool checkInhibitors(const QDBusConnection& bus);
    bool logOff(const QDBusConnection& bus, bool forced);
    bool askSessionManager(bool* answered);

    bool failWithText(const QString& text);
    bool failWithDBusError(const QString& name, const QString& message);
    bool failWithErrno(int error);

    int m_timeoutMs;
    QString m_sessionPath;
    quint32 m_lastError = 0;
    bool m_heldBack = false;
    quint32 m_lastTextCode = TextErrorBase;
    QHash<quint32, QString> m_texts;
};
