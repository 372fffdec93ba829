#pragma once
// The process's first step: standard input, output and error that were
// closed at start are opened on /dev/null, so that no later descriptor (the
// signal pipe, a bus socket, the log) takes their numbers and receives what
// is printed; and a vanished reader of the output (`AltoControl | head`)
// ends the writing there, not the program (SIGPIPE is ignored).
void keepStandardStreamsSafe();

// True when standard output was closed at start: what is printed goes nowhere.
bool standardOutputWasClosed();
