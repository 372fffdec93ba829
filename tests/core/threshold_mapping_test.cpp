#include "core/threshold_mapping.h"

#include "core/parameters.h"
#include "tests/support/fixture.h"

namespace {

class ThresholdMappingTest : public ModelTest {};

struct Mapping {
  uint8_t showMode;
  uint16_t in;
  uint16_t alto;
  uint16_t tenor;
};

TEST_P(ThresholdMappingTest, ThresholdCalculate) {
  const Mapping cases[] = {
      {1, 0, 1, 1},     {1, 28, 1, 1},      {1, 29, 2, 2},      {1, 224, 8, 8},
      {1, 225, 9, 9},   {1, 255, 9, 9},     {1, 252, 9, 9},     {1, 140, 5, 5},
      {2, 0, 130, 130}, {2, 200, 200, 200}, {2, 255, 250, 250}, {5, 131, 131, 131},
      {4, 79, 80, 79},  {4, 201, 200, 201}, {4, 49, 80, 50},    {4, 235, 200, 234},
      {3, 200, 0, 0},   {6, 200, 0, 0},     {0, 100, 0, 0},     {7, 100, 0, 0},
  };
  for (const auto& c : cases) {
    ShowMode = c.showMode;
    takeStdout();
    const uint16_t expected = tenor() ? c.tenor : c.alto;
    EXPECT_EQ(threshold_calculate(c.in), expected) << int(c.showMode) << " " << c.in;
    const std::string line =
        "***** after calculate, threshold result is " + std::to_string(expected) + " .\n";
    const std::string out = takeStdout();
    EXPECT_EQ(out.substr(out.size() - std::min(out.size(), line.size())), line);
  }
}

TEST_P(ThresholdMappingTest, ConvertToThreshold) {
  const Mapping cases[] = {
      {1, 0, 0, 0},     {1, 1, 28, 28},   {1, 9, 252, 252}, {1, 15, 420, 420},
      {2, 0, 115, 115}, {2, 1, 130, 130}, {5, 9, 250, 250}, {5, 15, 340, 340},
      {4, 0, 65, 27},   {4, 1, 80, 50},   {4, 9, 200, 234}, {4, 15, 290, 372},
      {3, 5, 0, 0},     {6, 5, 0, 0},     {0, 5, 0, 0},     {7, 5, 0, 0},
  };
  for (const auto& c : cases) {
    ShowMode = c.showMode;
    takeStdout();
    const uint16_t expected = tenor() ? c.tenor : c.alto;
    EXPECT_EQ(convert_to_threshold(c.in), expected) << int(c.showMode) << " " << c.in;
    EXPECT_NE(takeStdout().find("threshold result is " + std::to_string(expected)),
              std::string::npos);
  }
}

TEST_P(ThresholdMappingTest, FloydLevelsRoundTrip) {
  ShowMode = 1;
  for (uint16_t level = 1; level <= 9; ++level) {
    EXPECT_EQ(threshold_calculate(convert_to_threshold(level)), level);
  }
}

INSTANTIATE_FOR_BOTH_MODELS(ThresholdMappingTest);

}  // namespace
