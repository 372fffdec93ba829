#pragma once
// SIGTERM, SIGINT, SIGHUP and the end of the desktop session are
// terminations through the platform: the delegate's termination runs, then
// the process ends. The signals are caught from the program's first instant
// and served within a second wherever the main thread is, the launch wait
// and the panel's pauses included.

class AppDelegate;

// First thing at start: a caught signal waits in a pipe until it is served.
void catchTerminationSignals();
// Serves caught signals from the event loop and from the main thread's sleeps.
void watchTermination(AppDelegate& delegate);
