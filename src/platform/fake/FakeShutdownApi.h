#pragma once

#include "platform/ShutdownApi.h"

#include <QHash>
#include <QStringList>

// Records every service call in order ("queryVersion", "connectToLoginManager", "findOwnSession",
// "mayAct PowerOff", "exitSession 7") and answers from the script below. Nothing is ever shut down.
class FakeShutdownApi : public ShutdownApi
{
public:
    bool queryVersion(int* platformId) override;
    bool connectToLoginManager() override;
    bool findOwnSession() override;
    bool mayAct(Action action) override;
    bool exitSession(quint32 flags) override;
    quint32 lastError() const override { return m_lastError; }
    bool lastFailureHeldBack() const override { return m_heldBack; }
    QString errorText(quint32 code) const override { return texts.value(code); }

    static QString actionName(Action action);

    QStringList calls;

    // The script: which calls succeed, and the code a failing call leaves for lastError().
    bool versionSucceeds = true;
    int platformId = PlatformNT;
    bool connectSucceeds = true;
    bool sessionFound = true;
    bool maySucceed = true;
    bool exitSucceeds = true;
    quint32 failureCode = 5;
    /// A failing exitSession without the force bit says that programs held it back.
    bool exitHeldBack = false;
    /// errorText() answers; a code missing here has no text.
    QHash<quint32, QString> texts;

private:
    bool answer(bool succeeds);

    quint32 m_lastError = 0;
    bool m_heldBack = false;
};
