#include "ShutdownExecutor.h"

#include "RaisedError.h"
#include "platform/ShutdownApi.h"

#include <QFileInfo>

namespace {
const QString NotNtText = QStringLiteral("函数仅在Windows NT下有效。");
const QString RequestFailedText = QStringLiteral("InitiateSystemShutdown failed: ");
const QString NoPrivilegeValueText = QStringLiteral("不能shutdown：找不到SE_SHUTDOWN_NAME特权值。");
const QString NoOwnProcessText = QStringLiteral("不能shutdown：不能终止当前进程。");
const QString NotAllowedText = QStringLiteral("不能shutdown：你没有关闭本系统的权限。");

QString badFlagsText(qint16 flags)
{
    return QStringLiteral("the shutdown flags %1 name no action (0 log off, 1 power off, 3 restart, +4 forced)")
        .arg(flags);
}

// A negative word must not wrap round into a large one that might mean something.
bool actionOf(qint16 flags, ShutdownApi::Action* action)
{
    return flags >= 0 && ShutdownApi::actionOf(quint32(flags), action);
}
} // namespace

ShutdownExecutor::ShutdownExecutor(ShutdownApi& api, const QString& executableName)
    : m_api(api), m_source(QFileInfo(executableName).completeBaseName() + QStringLiteral(".mShutDown"))
{ }

QString ShutdownExecutor::ApiErrorText(quint32 code) const
{
    return m_api.errorText(code);
}

bool ShutdownExecutor::IsWindowsNT()
{
    if (m_platformTested) {
        return m_isNT;
    }
    int platformId = 0;
    if (!m_api.queryVersion(&platformId)) {
        return m_isNT;
    }
    m_isNT = platformId == ShutdownApi::PlatformNT;
    m_platformTested = true;
    return m_isNT;
}

bool ShutdownExecutor::EnableShutdownPrivilege(qint16 flags)
{
    ShutdownApi::Action action;
    if (!actionOf(flags, &action)) {
        // Nothing to look up for a word that names no action.
        raise(4, NoPrivilegeValueText + u'[' + badFlagsText(flags) + u']', badFlagsText(flags));
    }
    if (!m_api.connectToLoginManager()) {
        raisePrivilegeError(4, NoPrivilegeValueText);
    }
    if (action == ShutdownApi::Action::LogOff && !m_api.findOwnSession()) {
        raisePrivilegeError(5, NoOwnProcessText);
    }
    if (!m_api.mayAct(action)) {
        raisePrivilegeError(6, NotAllowedText);
    }
    return true;
}

void ShutdownExecutor::ShutDownSystem(qint16 flags)
{
    if (!IsWindowsNT()) {
        raise(1, NotNtText);
    }
    ShutdownApi::Action action;
    if (!actionOf(flags, &action)) {
        // Checked before anything is asked: a word that names no action must never be guessed at.
        raise(2, RequestFailedText + badFlagsText(flags), badFlagsText(flags));
    }
    EnableShutdownPrivilege(flags);
    if (!m_api.exitSession(quint32(flags))) {
        const QString reason = ApiErrorText(m_api.lastError());
        raise(2, RequestFailedText + reason, reason, m_api.lastFailureHeldBack());
    }
}

void ShutdownExecutor::raise(int number, const QString& description, const QString& reason, bool heldBack)
{
    m_refusalReason = reason.isEmpty() ? description : reason;
    m_heldBack = heldBack;
    throw RaisedError(number, m_source, description);
}

void ShutdownExecutor::raisePrivilegeError(int number, const QString& what)
{
    // Read the code at once, before anything else can overwrite it.
    const quint32 code = m_api.lastError();
    const QString reason = ApiErrorText(code);
    raise(number, what + u'[' + reason + u']', reason);
}
