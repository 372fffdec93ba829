// The emulator's preview of the panel at the fixed resolution mode's size:
// drawing the picture in each mode, a redraw after a change (the mode's
// drawing plus the ghost of what was shown), one frame of an update moving
// on the panel, and painting a frame into the window.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>
#include <cstdlib>

#include "emulator/eink_panel.h"
#include "emulator/test_picture.h"

namespace {

constexpr QSize kFixed(1100, 825);

const QImage& testPicture() {
  static const QImage picture = emulator::makeTestPicture(kFixed);
  return picture;
}

emulator::Drawing drawing(emulator::Look look) {
  switch (look) {
    case emulator::Look::Floyd:
      return {look, 5, 1, 9};
    case emulator::Look::FiveGreys:
      return {look, 140, 80, 200};
    default:
      return {look, 190, 130, 250};
  }
}

void BM_DrawMode(benchmark::State& state) {
  const auto look = static_cast<emulator::Look>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(emulator::drawAs(testPicture(), drawing(look)));
}
BENCHMARK(BM_DrawMode)
    ->ArgName("look")
    ->Arg(int(emulator::Look::Floyd))
    ->Arg(int(emulator::Look::TwoLevels))
    ->Arg(int(emulator::Look::FiveGreys))
    ->Arg(int(emulator::Look::SixteenGreys))
    ->Unit(benchmark::kMillisecond);

emulator::PanelInput fixedInput(emulator::Look look) {
  emulator::PanelInput input;
  input.drawing = drawing(look);
  input.size = kFixed;
  return input;
}

// A mode change, the heaviest way round: from Floyd's dots into A16 and back.
void BM_RedrawAfterAChange(benchmark::State& state) {
  emulator::EinkPanel panel([](QSize) { return testPicture(); });
  uint64_t now = 0;
  bool floyd = false;
  for (auto _ : state) {
    floyd = !floyd;
    panel.show(fixedInput(floyd ? emulator::Look::Floyd : emulator::Look::SixteenGreys), now);
    benchmark::DoNotOptimize(panel.frame(now));
    now += 10000;
  }
}
BENCHMARK(BM_RedrawAfterAChange)->Unit(benchmark::kMillisecond);

void BM_FrameOfAnUpdate(benchmark::State& state) {
  emulator::EinkPanel panel([](QSize) { return testPicture(); });
  panel.show(fixedInput(emulator::Look::SixteenGreys), 0);
  panel.show(fixedInput(emulator::Look::TwoLevels), 1);
  uint64_t now = 2;
  for (auto _ : state) {
    benchmark::DoNotOptimize(panel.frame(now));
    now = 2 + (now + 33) % (emulator::EinkPanel::kUpdateMs - 10);
  }
}
BENCHMARK(BM_FrameOfAnUpdate)->Unit(benchmark::kMillisecond);

void BM_PaintIntoTheWindow(benchmark::State& state) {
  QImage window(720, 540, QImage::Format_RGB32);
  const QImage frame = emulator::drawAs(testPicture(), drawing(emulator::Look::Floyd));
  for (auto _ : state) {
    QPainter painter(&window);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(8, 8, 704, 528), frame);
  }
}
BENCHMARK(BM_PaintIntoTheWindow)->Unit(benchmark::kMillisecond);

void BM_MakeTestPicture(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(emulator::makeTestPicture(kFixed));
}
BENCHMARK(BM_MakeTestPicture)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication application(argc, argv);  // fonts for the test picture's text
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
