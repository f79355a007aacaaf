#pragma once

/// Runs this user's messenger service until it is stopped. readyFd, when not -1, receives one
/// line once the service listens ("OK"), finds another one running ("RUNNING") or fails
/// ("ERR reason"), and the service's standard output and error then go to its log file.
int runMessengerService(int readyFd, int& argc, char** argv);
