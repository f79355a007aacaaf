#pragma once

/// Runs this user's messenger service until it is stopped. readyFd, when not -1, receives one
/// line once the service listens ("OK"), finds another one running ("RUNNING") or fails
/// ("ERR reason"), and the service's standard output and error then go to its log file.
int runMessengerService(int readyFd, int& argc, char** argv);

/// The tova-messenger program: "tova-messenger [--ready-fd N]", N above 2 (net start messenger
/// passes the pipe it waits on). Returns the exit status; 2 and a usage line for other arguments.
int runMessengerProgram(int& argc, char** argv);
