#include "base/tl_log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "tests/support/fixture.h"

namespace {

class TlLogTest : public ModelTest {};

TEST_P(TlLogTest, FirstMessageEmptiesTheFileAndPrintsThePathsFirst) {
  const std::string path = home + "/tl.log";
  writeFile(path, "old run\n");
  base::tl_log("configure is null.\n");
  const std::string expectedOut = "local user path is " + home + ".\nlocal user log file is " +
                                  path + ".\nconfigure is null.\n";
  EXPECT_EQ(takeStdout(), expectedOut);
  base::tl_log("ShowMode (%d)\n", 44);
  EXPECT_EQ(takeStdout(), "ShowMode (44)\n");
  // Each message reaches the file as it is written (Tenor's file stays empty).
  EXPECT_EQ(readFile(path), tenor() ? "" : "configure is null.\nShowMode (44)\n");
}

// The log is the user's alone, and another process that empties it leaves
// no hole: the next line starts the file.
TEST_P(TlLogTest, PrivateAndWrittenWithoutHolesAfterAnotherTruncates) {
  const std::string path = home + "/tl.log";
  base::tl_log("first line of this run\n");
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  ASSERT_EQ(truncate(path.c_str(), 0), 0);
  base::tl_log("after\n");
  EXPECT_EQ(readFile(path), tenor() ? "" : "after\n");
}

TEST_P(TlLogTest, UnwritableHomeDropsMessagesAndRetriesTheOpen) {
  if (geteuid() == 0) {
    platform.home = home + "/missing/dir";  // root writes anywhere; a missing directory fails
  } else {
    chmod(home.c_str(), 0500);
  }
  base::tl_log("first\n");
  base::tl_log("second\n");
  const std::string out = takeStdout();
  EXPECT_EQ(out.find("first"), std::string::npos);
  EXPECT_EQ(out.find("second"), std::string::npos);
  size_t pathLines = 0;
  for (size_t at = out.find("local user path is"); at != std::string::npos;
       at = out.find("local user path is", at + 1)) {
    ++pathLines;
  }
  EXPECT_EQ(pathLines, 2u);
}

TEST_P(TlLogTest, LongMessagesAreCutAt255Characters) {
  const std::string longText(400, 'x');
  base::tl_log("%s\n", longText.c_str());
  base::tl_log("next\n");
  const std::string out = takeStdout();
  EXPECT_NE(out.find(std::string(255, 'x') + "next\n"), std::string::npos);
  EXPECT_EQ(out.find(std::string(256, 'x')), std::string::npos);
}

TEST_P(TlLogTest, AfterTerminationOnlyStandardOutputAndNoReopen) {
  base::tl_log("before\n");
  base::tl_log_close();
  EXPECT_FALSE(base::tl_log_is_open());
  takeStdout();
  base::tl_log("after\n");
  EXPECT_EQ(takeStdout(), "after\n");
  EXPECT_FALSE(base::tl_log_is_open());
  EXPECT_EQ(readFile(home + "/tl.log"), tenor() ? "" : "before\n");
}

TEST_P(TlLogTest, HomePathOfAnyLength) {
  const std::string deep = home + "/" + std::string(120, 'd');
  mkdir(deep.c_str(), 0700);
  platform.home = deep;
  base::tl_log("deep\n");
  EXPECT_TRUE(base::tl_log_is_open());
  EXPECT_EQ(readFile(deep + "/tl.log"), tenor() ? "" : "deep\n");
}

TEST_P(TlLogTest, ConcurrentFirstCallsOpenOneFile) {
  std::thread other([] {
    for (int i = 0; i < 50; ++i) base::tl_log("worker %d\n", i);
  });
  for (int i = 0; i < 50; ++i) base::tl_log("main %d\n", i);
  other.join();
  const std::string out = platform.stdoutText;
  size_t opens = 0;
  for (size_t at = out.find("local user log file"); at != std::string::npos;
       at = out.find("local user log file", at + 1)) {
    ++opens;
  }
  EXPECT_EQ(opens, 1u);
  if (!tenor()) {
    const std::string content = readFile(home + "/tl.log");
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 100);
  }
}

INSTANTIATE_FOR_BOTH_MODELS(TlLogTest);

}  // namespace
