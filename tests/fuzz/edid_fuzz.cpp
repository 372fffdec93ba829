// EDID handling: any block read from a bus is checked, logged and compared
// without reading past it, and matches exactly when the name bytes match.

#include <cstring>

#include "base/model_profile.h"
#include "link/display_discovery.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzPlatform();
  if (size < 1) return 0;
  const base::ModelProfile& model = (data[0] & 1) ? base::tenorProfile() : base::altoProfile();
  base::selectProfile(model);
  std::vector<uint8_t> blocks(data + 1, data + size);
  blocks.resize(blocks.size() / 128 * 128);
  const int bad = EDIDSum(blocks.data(), blocks.size());
  FUZZ_CHECK(bad >= -1 && bad < static_cast<int>(blocks.size() / 128 + 1));
  fuzzDevice().acknowledges = true;
  fuzzDevice().reply.assign(data + 1, data + size);
  std::vector<uint8_t> edid(data + 1, data + size);
  edid.resize(128, 0);
  const bool matches = ValidationEDID(1);
  FUZZ_CHECK(matches == (std::strncmp(reinterpret_cast<const char*>(edid.data() + 95),
                                      model.edidName, model.edidNameLength) == 0));
  return 0;
}
