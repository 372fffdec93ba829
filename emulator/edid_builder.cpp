#include "emulator/edid_builder.h"

#include <cstring>

namespace emulator {
namespace {

void putDescriptorText(std::vector<uint8_t>& edid, size_t offset, uint8_t tag, const char* text) {
  edid[offset + 3] = tag;
  size_t i = 0;
  for (; text[i] != '\0' && i < 13; ++i) edid[offset + 5 + i] = static_cast<uint8_t>(text[i]);
  if (i < 13) edid[offset + 5 + i++] = '\n';
  for (; i < 13; ++i) edid[offset + 5 + i] = ' ';
}

}  // namespace

std::vector<uint8_t> makeEDID(Model model) {
  std::vector<uint8_t> edid(128, 0);
  const uint8_t header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
  std::memcpy(edid.data(), header, sizeof header);
  // Manufacturer "TLX" in the packed five-bit letters, then product code and serial.
  const uint16_t maker =
      static_cast<uint16_t>((('T' - '@') << 10) | (('L' - '@') << 5) | ('X' - '@'));
  edid[8] = static_cast<uint8_t>(maker >> 8);
  edid[9] = static_cast<uint8_t>(maker & 0xFF);
  edid[10] = model == Model::Alto ? 0x01 : 0x02;
  edid[16] = 1;   // week
  edid[17] = 34;  // year 2024
  edid[18] = 1;   // EDID 1.4
  edid[19] = 4;
  edid[20] = 0xA5;  // digital input
  edid[21] = 34;    // 34 x 25 cm
  edid[22] = 25;
  edid[23] = 120;  // gamma 2.2
  // First descriptor: a detailed timing of 1600x1200 at 60 Hz.
  const uint8_t timing[18] = {0x48, 0x3F, 0x40, 0x30, 0x62, 0xB0, 0x32, 0x40, 0x40,
                              0xC0, 0x13, 0x00, 0x54, 0xFA, 0x00, 0x00, 0x00, 0x1E};
  std::memcpy(edid.data() + 54, timing, sizeof timing);
  putDescriptorText(edid, 72, 0xFF, model == Model::Alto ? "QA0000001" : "QT0000001");
  putDescriptorText(edid, 90, 0xFC, model == Model::Alto ? "TALVEN Alto" : "Quillmark T N");
  putDescriptorText(edid, 108, 0xFE, "Talvex e-ink");
  uint8_t sum = 0;
  for (size_t i = 0; i < 127; ++i) sum = static_cast<uint8_t>(sum + edid[i]);
  edid[127] = static_cast<uint8_t>(0x100 - sum);
  return edid;
}

}  // namespace emulator
