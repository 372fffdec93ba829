// Kills a process at random moments of saving the Parameters: the private
// data file is always the complete old or the complete new one.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "core/app_delegate.h"
#include "core/parameters.h"
#include "tests/support/fixture.h"

namespace {

class SaveCrashTest : public ModelTest {};

std::string contentWithThreshold(int threshold) {
  return "0\n0\n0\n120\n10\n0\n2\n1\n1\n" + std::to_string(threshold) +
         "\n1\n262144\n32\n262144\n7\n262144\n2\n";
}

TEST_P(SaveCrashTest, KilledAnywhereLeavesOldOrNew) {
  const std::string path = home + "/.QuillMark";
  std::mt19937 random(7);
  int interruptedSaves = 0;
  for (int run = 0; run < 60; ++run) {
    writeFile(path, contentWithThreshold(100));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      AppDelegate delegate;
      for (int threshold = 101;; threshold = threshold == 101 ? 102 : 101) {
        Threshold = static_cast<uint16_t>(threshold);
        delegate.saveParameters();
      }
    }
    usleep(200 + random() % 20000);  // also long enough for a slow disk to finish saves
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    const std::string content = readFile(path);
    EXPECT_TRUE(content == contentWithThreshold(100) || content == contentWithThreshold(101) ||
                content == contentWithThreshold(102))
        << "run " << run << ": " << content;
    interruptedSaves += content != contentWithThreshold(100);
  }
  // Temporary files of killed saves stay behind, never the private data file itself.
  EXPECT_GT(interruptedSaves, 0);
}

INSTANTIATE_FOR_BOTH_MODELS(SaveCrashTest);

}  // namespace
