#pragma once
// SIGTERM, SIGINT and SIGHUP, taken by the program itself. The client library puts handlers
// of its own on SIGINT and SIGTERM at its first attachment: they shut the engine down behind
// the program's back on a thread of the library's, and when that thread lost a race at its
// start they wake nobody and the signal is lost. Ours go in over them and hand the signal to
// the event loop, where the program ends the ordinary way.
#include <functional>

// Has the client library install its own handlers first (a failing attachment does it), then
// installs ours over them and unblocks the three signals, which a launcher may have blocked.
// onSignal runs once, in the event loop of the calling thread, for the first signal caught.
void CatchTerminationSignals(std::function<void()> onSignal);
// Puts our handlers back over any installed since; does nothing before CatchTerminationSignals.
// Called after every attachment the client library makes.
void ReclaimTerminationSignals();
// The signal that asked the program to end; 0 while none has.
int TerminationSignal();
// Shuts the client library down and waits for it (bounded), so the process does not leave
// main() while the library's threads still work.
void ShutDownClientLibrary();
