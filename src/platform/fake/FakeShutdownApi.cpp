#include "FakeShutdownApi.h"

bool FakeShutdownApi::queryVersion(int* id)
{
    calls << QStringLiteral("queryVersion");
    if (versionSucceeds) {
        *id = platformId;
    }
    return answer(versionSucceeds);
}

bool FakeShutdownApi::connectToLoginManager()
{
    calls << QStringLiteral("connectToLoginManager");
    return answer(connectSucceeds);
}

bool FakeShutdownApi::findOwnSession()
{
    calls << QStringLiteral("findOwnSession");
    return answer(sessionFound);
}

bool FakeShutdownApi::mayAct(Action action)
{
    calls << QStringLiteral("mayAct ") + actionName(action);
    return answer(maySucceed);
}

bool FakeShutdownApi::exitSession(quint32 flags)
{
    calls << QStringLiteral("exitSession %1").arg(flags);
    const bool succeeded = answer(exitSucceeds);
    m_heldBack = !succeeded && exitHeldBack && !isForced(flags);
    return succeeded;
}

QString FakeShutdownApi::actionName(Action action)
{
    switch (action) {
    case Action::LogOff:
        return QStringLiteral("LogOff");
    case Action::PowerOff:
        return QStringLiteral("PowerOff");
    case Action::Reboot:
        return QStringLiteral("Reboot");
    }
    return QString();
}

bool FakeShutdownApi::answer(bool succeeds)
{
    if (!succeeds) {
        m_lastError = failureCode;
        m_heldBack = false;
    }
    return succeeds;
}
