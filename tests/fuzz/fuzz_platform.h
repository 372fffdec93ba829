#pragma once
// One test platform for a whole fuzzing run, with a scripted device on bus 0
// of display 1, a temporary home, and nothing recorded. Each input starts
// with fuzzPlatform().

#include "tests/support/test_platform.h"

testing_platform::TestPlatform& fuzzPlatform();
testing_platform::ScriptedDevice& fuzzDevice();
