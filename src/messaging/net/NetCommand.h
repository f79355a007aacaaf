#pragma once

/// The net command line: "net send NAME MESSAGE...", "net start messenger", "net stop messenger".
/// Returns the exit status: 0 done, 1 failed (one line on standard error), 2 usage.
int runNetCommand(int argc, char** argv);
