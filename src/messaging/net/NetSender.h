#pragma once

#include <QString>

/// The name this computer signs its messages with: its host name, cut to what the datagram holds.
QString localComputerName();

/// Whether name can be looked up at all: an IP address, or labels of letters, digits, '-' and
/// '_' (international names in their ASCII form) of at most 63 characters, 253 in all.
/// Checked before the resolver is asked, so that a typing error never leaves this computer.
bool isValidComputerName(const QString& name);

/// Sends text to the messenger service of the computer called name (an IPv4 or IPv6 address,
/// or a name for the system's resolver) in one datagram to port, trying each address the name
/// resolves to until one takes it. Never waits for an answer. False and *error when the name is
/// unknown, no address can be reached or the message does not fit the datagram.
bool sendNetMessage(const QString& name, const QString& text, quint16 port, QString* error);
