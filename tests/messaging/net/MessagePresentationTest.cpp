#include "messaging/net/LogCapture.h"
#include "messaging/net/LogPresenter.h"
#include "messaging/net/NetTestSupport.h"
#include "messaging/net/NotificationPresenter.h"
#include "messaging/net/ReceivedMessage.h"
#include "messaging/net/WindowPresenter.h"
#include "platform/QtPrinters.h"
#include "support/PrivateBus.h"

#include <QApplication>
#include <QDBusMessage>
#include <QMessageBox>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

const QString kMarkup = QStringLiteral("<b>请保存文件！</b> & <a href=\"http://127.0.0.1/\">link</a>\r\nend");

ReceivedMessage sample()
{
    return { { QStringLiteral("pc1"), QStringLiteral("127.0.0.9"), kMarkup },
             QStringLiteral("127.0.0.1"),
             QDateTime(QDate(2024, 5, 1), QTime(17, 30, 5)) };
}

class RecordingPresenter : public MessagePresenter
{
public:
    void present(const ReceivedMessage& message) override { shown.append(message); }
    QList<ReceivedMessage> shown;
};

TEST(ReceivedMessage, HeadingLeadsWithTheAddressAndMarksTheNameAsClaimed)
{
    EXPECT_EQ(sample().heading(),
              QStringLiteral("Message from 127.0.0.1 (calls itself pc1) to 127.0.0.9 on 2024-05-01 17:30:05"));
    ReceivedMessage unnamed = sample();
    unnamed.message.sender = QStringLiteral("127.0.0.1");
    EXPECT_EQ(unnamed.heading(), QStringLiteral("Message from 127.0.0.1 to 127.0.0.9 on 2024-05-01 17:30:05"));
}

struct NameCase
{
    const char* name;
    QString sender;
    bool accepted;
};

class SenderName : public ::testing::TestWithParam<NameCase>
{
};

TEST_P(SenderName, IsAHostNameOrTheDatagramIsRefused)
{
    EXPECT_EQ(isValidSenderName(GetParam().sender), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SenderName,
    ::testing::Values(NameCase { "Ascii", QStringLiteral("PC1"), true },
                      NameCase { "DashUnderscoreDot", QStringLiteral("lab-pc_07.campus.example"), true },
                      NameCase { "Chinese", QStringLiteral("研究室电脑"), true },
                      NameCase { "Cyrillic", QStringLiteral("сервер-2"), true },
                      NameCase { "DevanagariWithItsMarks", QStringLiteral("कंप्यूटर"), true },
                      NameCase { "ArabicIndicDigit", QStringLiteral("جهاز٣"), true },
                      NameCase { "SixtyThreeCharacters", QString(63, u'a'), true },
                      NameCase { "SixtyFourCharacters", QString(64, u'a'), false },
                      NameCase { "Empty", QString(), false }, NameCase { "Blank", QStringLiteral("PC 1"), false },
                      NameCase { "Brackets", QStringLiteral("pc1(192.168.0.1)"), false },
                      NameCase { "FullwidthBrackets", QStringLiteral("pc1（admin）"), false },
                      NameCase { "IdeographicSpace", QStringLiteral("服务器\u3000管理员"), false },
                      NameCase { "NoBreakSpace", QStringLiteral("PC\u00A01"), false },
                      NameCase { "Tab", QStringLiteral("PC\t1"), false },
                      NameCase { "LineSeparator", QStringLiteral("PC\u20281"), false },
                      NameCase { "RightToLeftOverride", QStringLiteral("PC\u202E1"), false },
                      NameCase { "ZeroWidthSpace", QStringLiteral("PC\u200B1"), false },
                      NameCase { "Colon", QStringLiteral("fe80::1"), false },
                      NameCase { "Punctuation", QStringLiteral("admin!"), false },
                      NameCase { "Emoji", QStringLiteral("pc\U0001F600"), false },
                      NameCase { "MarkWithoutALetter", QStringLiteral("\u0301pc"), false },
                      NameCase { "LoneSurrogate", QString(QChar(0xD800)), false }),
    [](const ::testing::TestParamInfo<NameCase>& info) { return std::string(info.param.name); });

TEST(WindowPresenter, ShowsPlainTextInAWindowThatDoesNotBlock)
{
    WindowPresenter().present(sample());
    QMessageBox* box = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("messengerMessageBox") && widget->isVisible())
            box = qobject_cast<QMessageBox*>(widget);
    }
    ASSERT_NE(box, nullptr);
    // Tags stay text: no formatting, no links.
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->text(), sample().heading() + QStringLiteral("\n\n") + QString(kMarkup).replace("\r\n", "\n"));
    EXPECT_FALSE(box->isModal());
    box->close();
}

struct FallbackCase
{
    const char* name;
    bool withServer;
};

class NotificationFallback : public ::testing::TestWithParam<FallbackCase>
{
};

TEST_P(NotificationFallback, MessageIsShownAnotherWay)
{
    PrivateBus bus(PrivateBus::Type::Session);
    QString error;
    ASSERT_TRUE(bus.start(&error)) << error.toStdString();
    if (GetParam().withServer) {
        PrivateBus::Mock* server
            = bus.startTemplate(QStringLiteral("notification_daemon"), QStringLiteral("org.freedesktop.Notifications"),
                                QStringLiteral("/org/freedesktop/Notifications"), {}, &error);
        ASSERT_NE(server, nullptr) << error.toStdString();
        ASSERT_TRUE(server->addMethod(QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"),
                                      QStringLiteral("susssasa{sv}i"), QStringLiteral("u"),
                                      QStringLiteral("raise dbus.exceptions.DBusException('full', "
                                                     "name='org.freedesktop.DBus.Error.LimitsExceeded')"),
                                      {}, &error))
            << error.toStdString();
    }
    RecordingPresenter fallback;
    NotificationPresenter presenter(bus.connection(), &fallback);
    presenter.present(sample());
    ASSERT_TRUE(waitUntil([&] { return !fallback.shown.isEmpty(); }));
    EXPECT_EQ(fallback.shown[0].message, sample().message);
}

INSTANTIATE_TEST_SUITE_P(Servers, NotificationFallback,
                         ::testing::Values(FallbackCase { "NoServerAnswers", false },
                                           FallbackCase { "ServerRefusesTheNotification", true }),
                         [](const ::testing::TestParamInfo<FallbackCase>& info) {
                             return std::string(info.param.name);
                         });

ReceivedMessage numbered(int n)
{
    ReceivedMessage message = sample();
    message.message.text = QStringLiteral("message %1").arg(n);
    return message;
}

QList<QMessageBox*> openBoxes(const QString& objectName)
{
    QList<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == objectName && widget->isVisible())
            boxes.append(qobject_cast<QMessageBox*>(widget));
    }
    return boxes;
}

// Five notifications open, then one "N more messages" entry that the server replaces in place;
// when the user closes a message, the next one is a notification of its own again.
TEST(NotificationPresenter, SixthMessageFoldsIntoOneEntryThatTheSeventhUpdatesInPlace)
{
    PrivateBus bus(PrivateBus::Type::Session);
    QString error;
    ASSERT_TRUE(bus.start(&error)) << error.toStdString();
    PrivateBus::Mock* server
        = bus.startTemplate(QStringLiteral("notification_daemon"), QStringLiteral("org.freedesktop.Notifications"),
                            QStringLiteral("/org/freedesktop/Notifications"), {}, &error);
    ASSERT_NE(server, nullptr) << error.toStdString();
    LogCapture log;
    RecordingPresenter fallback;
    NotificationPresenter presenter(bus.connection(), &fallback);
    for (int n = 1; n <= 7; ++n)
        presenter.present(numbered(n));

    QList<QVariantList> calls;
    ASSERT_TRUE(waitUntil([&] { return (calls = server->methodCalls(QStringLiteral("Notify"))).size() >= 7; }));
    ASSERT_TRUE(waitUntil([&] { return log.contents().count("shown as notification") == 5; }));
    ASSERT_EQ(calls.size(), 7);
    // The mock numbers each new notification (replaces_id 0) 1, 2, ... in the order it gets them.
    QList<uint> messageIds;
    QStringList shownTexts;
    QList<QVariantList> moreCalls;
    uint moreId = 0;
    uint nextId = 1;
    for (const QVariantList& call : calls) {
        const bool isNew = call[1].toUInt() == 0;
        if (call[3].toString().startsWith(QLatin1String("Message from"))) {
            EXPECT_TRUE(isNew);
            messageIds.append(nextId);
            shownTexts.append(call[4].toString());
        } else {
            if (moreCalls.isEmpty())
                moreId = nextId;
            moreCalls.append(call);
        }
        nextId += isNew ? 1 : 0;
    }
    shownTexts.sort();
    EXPECT_EQ(shownTexts, QStringList({ "message 1", "message 2", "message 3", "message 4", "message 5" }));
    ASSERT_EQ(moreCalls.size(), 2);
    EXPECT_EQ(moreCalls[0][1].toUInt(), 0u);
    EXPECT_EQ(moreCalls[0][3].toString(), QStringLiteral("1 more message"));
    EXPECT_EQ(moreCalls[1][1].toUInt(), moreId) << "the seventh replaces the entry the sixth made";
    EXPECT_EQ(moreCalls[1][3].toString(), QStringLiteral("2 more messages"));
    EXPECT_TRUE(moreCalls[1][5].toStringList().isEmpty());
    // The folded ones are in the log, text and all; nothing went to the fallback.
    EXPECT_TRUE(log.contents().contains("message 6"));
    EXPECT_TRUE(log.contents().contains("message 7"));
    EXPECT_TRUE(fallback.shown.isEmpty());

    QDBusMessage close = QDBusMessage::createMethodCall(server->busName(), server->objectPath(),
                                                        QStringLiteral("org.freedesktop.Notifications"),
                                                        QStringLiteral("CloseNotification"));
    close << int(messageIds.value(0));
    ASSERT_EQ(bus.connection().call(close).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(waitUntil([&] { return presenter.messagesOnScreen() == kMaxMessagesOnScreen - 1; }));
    presenter.present(numbered(8));
    ASSERT_TRUE(waitUntil([&] { return (calls = server->methodCalls(QStringLiteral("Notify"))).size() >= 8; }));
    ASSERT_EQ(calls.size(), 8);
    EXPECT_EQ(calls[7][1].toUInt(), 0u);
    EXPECT_TRUE(calls[7][3].toString().startsWith(QLatin1String("Message from")));
    EXPECT_EQ(calls[7][4].toString(), QStringLiteral("message 8"));
}

TEST(WindowPresenter, SixthMessageFoldsIntoOneWindowThatTheSeventhUpdates)
{
    LogCapture log;
    WindowPresenter presenter;
    for (int n = 1; n <= 7; ++n)
        presenter.present(numbered(n));
    QList<QMessageBox*> messages = openBoxes(QStringLiteral("messengerMessageBox"));
    const QList<QMessageBox*> more = openBoxes(QStringLiteral("messengerMoreBox"));
    ASSERT_EQ(messages.size(), kMaxMessagesOnScreen);
    ASSERT_EQ(more.size(), 1);
    EXPECT_TRUE(more[0]->text().startsWith(QLatin1String("2 more messages\n"))) << more[0]->text().toStdString();
    EXPECT_TRUE(log.contents().contains("message 7"));

    messages[0]->close();
    presenter.present(numbered(8));
    messages = openBoxes(QStringLiteral("messengerMessageBox"));
    EXPECT_EQ(messages.size(), kMaxMessagesOnScreen);
    EXPECT_TRUE(std::any_of(messages.begin(), messages.end(),
                            [](QMessageBox* box) { return box->text().endsWith(QLatin1String("message 8")); }));
    EXPECT_EQ(openBoxes(QStringLiteral("messengerMoreBox")), more);
    EXPECT_TRUE(more[0]->text().startsWith(QLatin1String("2 more messages\n")));
    for (QMessageBox* box : messages + more)
        box->close();
}

TEST(MessengerLog, AtTheLimitTheFileBecomesTheOlderOneAndANewOneStarts)
{
    const QDateTime at(QDate(2024, 5, 1), QTime(17, 30, 5));
    const auto line = [](int n) { return QStringLiteral("entry %1 ").arg(n).leftJustified(79, u'.'); };
    const qsizetype entryBytes = messengerLogEntry(at, line(1)).size();
    ASSERT_EQ(entryBytes, 100);
    // Two entries fit; the third starts a new file.
    LogCapture log(250);
    ASSERT_TRUE(log.isOpen());
    for (int n = 1; n <= 5; ++n)
        messengerLog(line(n));
    // Two rotations: the older file holds the entries just before the current ones, never older ones.
    const QByteArray current = log.contents();
    const QByteArray older = log.contents(QStringLiteral(".1"));
    EXPECT_EQ(current.size(), entryBytes);
    EXPECT_TRUE(current.contains("entry 5 "));
    EXPECT_EQ(older.size(), 2 * entryBytes);
    EXPECT_TRUE(older.contains("entry 3 ") && older.contains("entry 4 "));
    EXPECT_FALSE(older.contains("entry 1 ") || older.contains("entry 2 "));
}

TEST(MessengerLog, LineBreaksInAMessageNeverStartALineThatReadsAsAnEntry)
{
    const QString forged = QStringLiteral("2024-05-01 17:30:06 shown as notification 9: Message from 192.168.0.1");
    ReceivedMessage message = sample();
    message.message.text = QStringLiteral("hello");
    for (const QString& lineBreak :
         { QStringLiteral("\n"), QStringLiteral("\r"), QStringLiteral("\r\n"), QStringLiteral("\v"),
           QStringLiteral("\f"), QStringLiteral("\u0085"), QStringLiteral("\u2028"), QStringLiteral("\u2029") })
        message.message.text += lineBreak + forged;
    LogCapture log;
    LogPresenter().present(message);
    logFoldedMessage(message);

    const QRegularExpression dated(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d "));
    const QString text = QString::fromUtf8(log.contents());
    ASSERT_TRUE(text.endsWith(u'\n'));
    int entries = 0;
    int forgedLines = 0;
    for (const QString& line : text.chopped(1).split(u'\n')) {
        if (dated.match(line).hasMatch())
            ++entries;
        else
            EXPECT_TRUE(line.startsWith(QLatin1String(kLogContinuation))) << line.toStdString();
        forgedLines += line == QLatin1String(kLogContinuation) + forged ? 1 : 0;
    }
    EXPECT_EQ(entries, 2) << text.toStdString();
    // Every line of the text is still there to read, indented.
    EXPECT_EQ(forgedLines, 2 * 8) << text.toStdString();
}

} // namespace
