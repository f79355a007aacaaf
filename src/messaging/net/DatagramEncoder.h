#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The messenger's datagram, version 1; integers are big-endian, texts UTF-8:
//
//   4 bytes   magic "TVNM"
//   1 byte    version, 1
//   2 bytes   length, then the sender's computer name        (1 to 64 bytes)
//   2 bytes   length, then the receiver as the sender named it (1 to 255 bytes)
//   2 bytes   length, then the message text                  (1 to 900 bytes)
//
// Nothing may follow the text. The largest datagram, 1230 bytes, fits one IPv6 packet of the
// minimum link MTU (1280), so it is never fragmented on IPv4 or IPv6. Names carry no control
// or format characters; the text no control characters but tab, line feed and carriage return.
// Anything else is malformed and dropped whole: there is no partial message.
//
// The encoder is plain C++ for net, which must start quickly (a notice starts hundreds of them
// at once); the receiver reads datagrams with parseDatagram (NetDatagram.h).

namespace NetDatagram {
constexpr char kMagic[4] = { 'T', 'V', 'N', 'M' };
/// The messenger's UDP port. In the dynamic/private range and above Linux's default ephemeral
/// range (32768-60999), so no outgoing socket of this machine happens to hold it.
constexpr std::uint16_t kDefaultPort = 61423;
constexpr std::uint8_t kVersion = 1;
constexpr int kMaxSenderBytes = 64;
constexpr int kMaxReceiverBytes = 255;
constexpr int kMaxTextBytes = 900;
constexpr int kHeaderBytes = 4 + 1 + 3 * 2;
constexpr int kMaxDatagramBytes = kHeaderBytes + kMaxSenderBytes + kMaxReceiverBytes + kMaxTextBytes;
} // namespace NetDatagram

/// Whether the text of a message may carry c: anything but control characters, save tab, line
/// feed and carriage return.
bool datagramTextAllows(char32_t c);

/// Encodes one message from its three UTF-8 fields; an empty result and *error when a field is
/// empty, too long, not UTF-8 or holds a character the format refuses. What it encodes,
/// parseDatagram reads back unchanged.
std::string encodeDatagram(std::string_view sender, std::string_view receiver, std::string_view text,
                           std::string* error = nullptr);
