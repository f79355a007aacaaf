#include "messaging/net/NetDatagram.h"

#include "messaging/net/NetSender.h"
#include "messaging/net/ReceivedMessage.h"
#include "messaging/net/Utf8.h"

#include <gtest/gtest.h>

namespace {

const QString kNotice = QStringLiteral("请保存文件！服务器将在 60 秒之后关闭");

QByteArray field(const QByteArray& bytes)
{
    return QByteArray(1, char(bytes.size() >> 8)) + char(bytes.size() & 0xff) + bytes;
}

QByteArray datagram(const QByteArray& sender, const QByteArray& receiver, const QByteArray& text)
{
    return QByteArray("TVNM\x01", 5) + field(sender) + field(receiver) + field(text);
}

std::string encodeUnchecked(const std::string& sender, const std::string& receiver, const std::string& text)
{
    return datagram(QByteArray::fromStdString(sender), QByteArray::fromStdString(receiver),
                    QByteArray::fromStdString(text))
        .toStdString();
}

struct RoundTripCase
{
    const char* name;
    NetMessage message;
};

class NetDatagramRoundTrip : public ::testing::TestWithParam<RoundTripCase>
{
};

TEST_P(NetDatagramRoundTrip, ArrivesUnchanged)
{
    const NetMessage& message = GetParam().message;
    QString error;
    const QByteArray data = buildDatagram(message, &error);
    ASSERT_FALSE(data.isEmpty()) << error.toStdString();
    EXPECT_LE(data.size(), NetDatagram::kMaxDatagramBytes);
    const std::optional<NetMessage> parsed = parseDatagram(data, &error);
    ASSERT_TRUE(parsed) << error.toStdString();
    EXPECT_EQ(*parsed, message);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, NetDatagramRoundTrip,
    ::testing::Values(
        RoundTripCase { "OutsideTheBasicPlane", { "pc1", "pc2", QStringLiteral("😀 𠀀") } },
        RoundTripCase { "LeadingByteOrderMark", { "pc1", "pc2", QStringLiteral("\uFEFFbom") } },
        RoundTripCase { "RightToLeftText", { "pc1", "pc2", QStringLiteral("\u202Eabc \u05E9\u05DC\u05D5\u05DD") } },
        RoundTripCase { "LargestFields",
                        { QString(NetDatagram::kMaxSenderBytes, u's'), QString(NetDatagram::kMaxReceiverBytes, u'r'),
                          QString(NetDatagram::kMaxTextBytes / 3, QChar(0x4E2D)) } }),
    [](const ::testing::TestParamInfo<RoundTripCase>& info) { return std::string(info.param.name); });

TEST(NetDatagram, LayoutIsMagicVersionAndThreeLengthPrefixedFields)
{
    // Pinned: computers with other builds of the program must keep understanding each other.
    EXPECT_EQ(buildDatagram({ "a", "bc", QStringLiteral("中") }),
              QByteArray("TVNM\x01\x00\x01"
                         "a\x00\x02"
                         "bc\x00\x03\xE4\xB8\xAD",
                         17));
}

struct MalformedCase
{
    const char* name;
    QByteArray data;
};

class NetDatagramMalformed : public ::testing::TestWithParam<MalformedCase>
{
};

TEST_P(NetDatagramMalformed, IsDroppedWithAReason)
{
    QString error;
    EXPECT_FALSE(parseDatagram(GetParam().data, &error));
    EXPECT_FALSE(error.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Datagrams, NetDatagramMalformed,
    ::testing::Values(
        MalformedCase { "Empty", QByteArray() }, MalformedCase { "ShorterThanAHeader", QByteArray("TVNM\x01\x00", 6) },
        MalformedCase { "OtherMagic", QByteArray("XVNM") + datagram("a", "b", "c").mid(4) },
        MalformedCase { "VersionTwo", QByteArray("TVNM\x02", 5) + datagram("a", "b", "c").mid(5) },
        MalformedCase { "EmptySender", datagram("", "b", "c") }, MalformedCase { "EmptyText", datagram("a", "b", "") },
        MalformedCase { "TextTooLong", datagram("a", "b", QByteArray(901, 't')) },
        MalformedCase { "TextShorterThanItsLength", datagram("a", "b", "hello").chopped(1) },
        MalformedCase { "LengthBeyondTheEnd", QByteArray("TVNM\x01\xFF\xFF", 7) + QByteArray(8, 'x') },
        MalformedCase { "ByteAfterTheText", datagram("a", "b", "c") + 'x' },
        MalformedCase { "Oversized", datagram("a", "b", "c") + QByteArray(NetDatagram::kMaxDatagramBytes, 'x') },
        MalformedCase { "OverlongSlash", datagram("a", "b", "\xC0\xAF") },
        MalformedCase { "Surrogate", datagram("a", "b", "\xED\xA0\x80") },
        MalformedCase { "CutSequence", datagram("a", "b", "\xE4\xB8") },
        MalformedCase { "AboveUnicode", datagram("a", "b", "\xF4\x90\x80\x80") },
        MalformedCase { "NulInText", datagram("a", "b", QByteArray("a\0b", 3)) },
        MalformedCase { "EscapeInText", datagram("a", "b", "\x1B[2Jcleared") },
        MalformedCase { "C1ControlInText",
                        datagram("a", "b",
                                 "\xC2\x9B"
                                 "2J") },
        MalformedCase { "LineBreakInSender", datagram("pc1\nMessage from boss", "b", "c") },
        MalformedCase { "TagCharacterInReceiver", datagram("a", "b\xF3\xA0\x80\x81", "c") },
        MalformedCase { "BidiOverrideInSender",
                        datagram("a\xE2\x80\xAE"
                                 "b",
                                 "b", "c") }),
    [](const ::testing::TestParamInfo<MalformedCase>& info) { return std::string(info.param.name); });

TEST(NetDatagram, LoneSurrogateIsRefusedRatherThanSentAsQuestionMark)
{
    // Found by fuzzing: the sender encoded these as "?", so the receiver read other text than was sent.
    const QString high(QChar(0xD83D));
    const QString low(QChar(0xDE00));
    const NetMessage messages[] = {
        { "pc1", "pc2", QStringLiteral("ends cut ") + high },
        { "pc1", "pc2", low + QStringLiteral(" starts cut") },
        { "pc1" + high, "pc2", "text" },
        { "pc1", low + high, "text" },
    };
    for (const NetMessage& message : messages) {
        QString error;
        EXPECT_TRUE(buildDatagram(message, &error).isEmpty()) << message.text.toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}

// net encodes with plain C++ and its own table of the characters a field may hold; the receiver
// decides with Qt's. Every character net agrees to send must arrive, in a name and in a text. The
// only ones net may refuse where Qt would take them: characters Qt's Unicode tables do not know yet.
TEST(NetDatagram, EveryCharacterNetEncodesArrivesUnchanged)
{
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const std::string character = utf8::encode(std::u32string(1, c));
        const std::string name = "pc" + character;
        const std::string text = "text " + character;
        const std::string fields[2][3] = { { name, name, "text" }, { "pc1", "pc2", text } };
        for (const auto& sent : fields) {
            std::string refusal;
            const std::string data = encodeDatagram(sent[0], sent[1], sent[2], &refusal);
            const std::optional<NetMessage> received = parseDatagram(
                QByteArray::fromStdString(data.empty() ? encodeUnchecked(sent[0], sent[1], sent[2]) : data));
            if (!data.empty()) {
                ASSERT_TRUE(received) << "U+" << std::hex << unsigned(c) << " is sent but dropped";
                EXPECT_EQ(*received,
                          (NetMessage { QString::fromStdString(sent[0]), QString::fromStdString(sent[1]),
                                        QString::fromStdString(sent[2]) }));
            } else if (received) {
                EXPECT_EQ(QChar::category(c), QChar::Other_NotAssigned)
                    << "U+" << std::hex << unsigned(c) << " is read but not sent: " << refusal;
            }
        }
    }
}

std::string repeated(const std::string& text, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

// The host name signs each message: made a name every receiver takes, cut between two characters.
TEST(NetDatagram, EveryHostNameSignsWithANameReceiversTake)
{
    const struct
    {
        std::string hostName;
        std::string signed_;
    } cases[] = {
        { "pc1.lab-2_b", "pc1.lab-2_b" },
        { std::string(70, 'x'), std::string(63, 'x') },
        { repeated("\u4e2d", 30), repeated("\u4e2d", 21) }, // 64 bytes hold 21 of them
        { "pc 1(x)", "pc-1-x-" },
        { "pc\xff\xe4\xb8", "pc---" },
        { "", "unknown" },
    };
    for (const auto& c : cases) {
        const std::string name = senderNameFor(c.hostName);
        EXPECT_EQ(name, c.signed_) << c.hostName;
        EXPECT_LE(name.size(), 64u) << c.hostName;
        EXPECT_TRUE(isValidSenderName(QString::fromStdString(name))) << c.hostName << " signs as " << name;
    }
}

TEST(NetDatagram, EveryCutShortDatagramIsDropped)
{
    const QByteArray whole = buildDatagram({ "pc1", "pc2", kNotice });
    for (qsizetype size = 0; size < whole.size(); ++size)
        EXPECT_FALSE(parseDatagram(whole.left(size))) << "first " << size << " bytes";
}

} // namespace
