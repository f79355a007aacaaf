#pragma once

#include <string>

// "net start messenger" and "net stop messenger".

/// The messenger service's program, a Qt one, installed beside net.
constexpr char kMessengerProgram[] = "tova-messenger";

/// Starts this user's messenger service in the background unless it runs already, and returns
/// once it listens (or has failed to). The service is a new session of its own, not a child of
/// the caller, so nothing waits for it and no zombie is left.
bool startMessenger(std::string* error);

/// Stops this user's messenger service and waits for it to end; true when it is not running,
/// including when it was not running before.
bool stopMessenger(std::string* error);
