#include "tests/fuzz/fuzz_platform.h"

#include <cstdlib>

testing_platform::ScriptedDevice& fuzzDevice() {
  static testing_platform::ScriptedDevice device;
  return device;
}

testing_platform::TestPlatform& fuzzPlatform() {
  static testing_platform::TestPlatform* platform = [] {
    auto* created = new testing_platform::TestPlatform;
    created->recordRequests = false;
    created->captureOutput = false;
    char pattern[] = "/tmp/quillmark-fuzz-XXXXXX";
    created->home = mkdtemp(pattern);
    created->addDisplay(1, {testing_platform::TestBus{true, &fuzzDevice()}});
    return created;
  }();
  fuzzDevice().writes.clear();  // one input's writes at a time
  return *platform;
}
