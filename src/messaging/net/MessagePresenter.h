#pragma once

#include "messaging/net/ReceivedMessage.h"

// Shows received messages to the user: a desktop notification, a window, or a log line.
class MessagePresenter
{
public:
    virtual ~MessagePresenter() = default;
    /// Shows message. Never throws; a presenter that cannot show it hands it to its fallback.
    virtual void present(const ReceivedMessage& message) = 0;
};

// What a presenter that puts messages on screen keeps there at most: kMaxMessagesOnScreen of
// them that the user has not closed yet, and one entry "N more messages" into which every further
// message is folded, updated in place, until the user closes some. A folded message is in the
// log, text and all.

constexpr int kMaxMessagesOnScreen = 5;

/// "1 more message", "N more messages".
QString moreMessagesSummary(int count);
/// The text of the "N more messages" entry, plain and free of markup characters.
QString moreMessagesBody();
/// Writes a message that was folded rather than shown to the log, text and all.
void logFoldedMessage(const ReceivedMessage& message);
