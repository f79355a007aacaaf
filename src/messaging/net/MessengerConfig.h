#pragma once

#include "messaging/net/SourceFilter.h"

#include <QString>
#include <QStringList>

// The user's settings for the messenger service, read once when it starts from
// $XDG_CONFIG_HOME/tova/messenger.conf (~/.config/tova/messenger.conf). One setting a line:
//
//   # computers of the campus network beyond the router may write to me
//   allow 10.20.0.0/16
//   allow fd12:3456::/48
//   allow any
//
// "allow NETWORK" (an IPv4 or IPv6 address with an optional /PREFIX, the address alone being
// that one computer) adds a network to the local one that may send messages; "allow any" lets
// every address. '#' starts a comment; blank lines are skipped. A line that cannot be read is
// reported and ignored, the rest still counts.

/// $XDG_CONFIG_HOME/tova/messenger.conf where XDG_CONFIG_HOME is an absolute path, else
/// ~/.config/tova/messenger.conf.
QString messengerConfigPath();

/// The networks text allows beyond the local one; one line in *problems for each line it
/// cannot read ("line 3: ..."). Pure.
QList<Subnet> parseMessengerConfig(const QString& text, QStringList* problems);

/// Reads the file at path (nothing allowed beyond the local network when it does not exist) and
/// writes what it allows and each line it ignores to the service's log.
QList<Subnet> loadMessengerConfig(const QString& path = messengerConfigPath());
