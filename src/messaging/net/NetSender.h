#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The sending half of "net send", in plain C++: net starts quickly without Qt.

/// The name this computer signs its messages with: its host name, cut to what the datagram holds.
std::string localComputerName();

/// The name a computer called hostName signs with: a name every receiver takes (characters other
/// than letters, digits, '-', '_' and '.' become '-'), at most 63 characters and 64 bytes, "unknown"
/// when empty.
std::string senderNameFor(std::string_view hostName);

/// Whether name (UTF-8) can be looked up at all: an IP address, or dot-separated labels of
/// letters (of any script), digits, '-' and '_' of at most 63 bytes, 253 in all. Checked before
/// the resolver is asked, so that a typing error never leaves this computer.
bool isValidComputerName(const std::string& name);

/// Sends text (UTF-8) to the messenger service of the computer called name (an IPv4 or IPv6
/// address, or a name for the system's resolver) in one datagram to port, trying each address
/// the name resolves to until one takes it. Never waits for an answer. False and *error when the
/// name is unknown, no address can be reached or the message does not fit the datagram.
bool sendNetMessage(const std::string& name, const std::string& text, std::uint16_t port, std::string* error);
