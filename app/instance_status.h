#pragma once
// --status: the running instance's state, one fact per line.

class RunningInstance;

// Prints the instance's state; the exit status, 0 when all of it was printed.
int printStatus(RunningInstance& instance);
