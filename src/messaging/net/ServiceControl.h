#pragma once

#include <QString>

// "net start messenger" and "net stop messenger".

/// The hidden command line word that runs the service itself.
constexpr char kServiceCommand[] = "messenger-service";

/// Starts this user's messenger service in the background unless it runs already, and returns
/// once it listens (or has failed to). The service is a new session of its own, not a child of
/// the caller, so nothing waits for it and no zombie is left.
bool startMessenger(QString* error);

/// Stops this user's messenger service and waits for it to end; true when it is not running,
/// including when it was not running before.
bool stopMessenger(QString* error);
