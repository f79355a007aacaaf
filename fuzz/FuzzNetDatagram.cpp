// libFuzzer entry for the messenger's datagram. Received bytes either parse into a message that
// encodes back to the very same bytes, or are dropped with a reason; and every message the sender
// (net's plain encoder, directly or through buildDatagram) agrees to encode arrives unchanged.
#include "FuzzCheck.h"
#include "messaging/net/DatagramEncoder.h"
#include "messaging/net/NetDatagram.h"

#include <QByteArray>
#include <QList>
#include <cstddef>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

QString consumeUtf16(FuzzedDataProvider& provider, size_t maxUnits)
{
    const size_t units = provider.ConsumeIntegralInRange<size_t>(0, maxUnits);
    const std::vector<uint8_t> raw = provider.ConsumeBytes<uint8_t>(units * 2);
    return QString(reinterpret_cast<const QChar*>(raw.data()), qsizetype(raw.size() / 2));
}

// The encoder's table of format characters may be of a newer Unicode version than Qt's.
bool holdsCharacterQtDoesNotKnow(const NetMessage& message)
{
    for (const QString* field : { &message.sender, &message.receiver, &message.text }) {
        for (const char32_t c : field->toUcs4()) {
            if (QChar::category(c) == QChar::Other_NotAssigned)
                return true;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString reason;
    const std::optional<NetMessage> message = parseDatagram(bytes, &reason);
    if (message) {
        QString buildError;
        const QByteArray rebuilt = buildDatagram(*message, &buildError);
        if (rebuilt.isEmpty()) {
            FUZZ_CHECK(holdsCharacterQtDoesNotKnow(*message));
        } else {
            FUZZ_CHECK(rebuilt == bytes);
            FUZZ_CHECK(parseDatagram(rebuilt) == message);
        }
    } else {
        FUZZ_CHECK(!reason.isEmpty());
    }

    // The same bytes as three fields of net's arguments, which may be any bytes at all.
    FuzzedDataProvider bytesProvider(data, size);
    const std::string rawFields[3]
        = { bytesProvider.ConsumeRandomLengthString(80), bytesProvider.ConsumeRandomLengthString(300),
            bytesProvider.ConsumeRemainingBytesAsString() };
    std::string encodeError;
    const std::string encoded = encodeDatagram(rawFields[0], rawFields[1], rawFields[2], &encodeError);
    if (encoded.empty()) {
        FUZZ_CHECK(!encodeError.empty());
    } else {
        const std::optional<NetMessage> received = parseDatagram(QByteArray::fromStdString(encoded));
        FUZZ_CHECK(received && received->sender.toStdString() == rawFields[0]
                   && received->receiver.toStdString() == rawFields[1] && received->text.toStdString() == rawFields[2]);
    }

    // The same bytes read as three UTF-16 fields, lone surrogates and controls included.
    FuzzedDataProvider provider(data, size);
    NetMessage sent;
    sent.sender = consumeUtf16(provider, 80);
    sent.receiver = consumeUtf16(provider, 300);
    sent.text = consumeUtf16(provider, 1000);
    QString buildError;
    const QByteArray datagram = buildDatagram(sent, &buildError);
    if (datagram.isEmpty()) {
        FUZZ_CHECK(!buildError.isEmpty());
    } else {
        FUZZ_CHECK(datagram.size() <= NetDatagram::kMaxDatagramBytes);
        QString parseError;
        const std::optional<NetMessage> received = parseDatagram(datagram, &parseError);
        if (!received || !(*received == sent)) {
            std::fprintf(stderr, "sent message %s\n", received ? "arrives changed" : qPrintable(parseError));
        }
        FUZZ_CHECK(received && *received == sent);
    }
    return 0;
}
