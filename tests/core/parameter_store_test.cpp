#include "core/parameter_store.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "base/tl_log.h"
#include "core/app_delegate.h"
#include "core/parameters.h"
#include "tests/support/fixture.h"

namespace {

const char* kDefaultsFile =
    "0\n0\n0\n120\n10\n0\n2\n1\n1\n200\n1\n262144\n32\n262144\n7\n262144\n2\n";

class ParameterStoreTest : public ModelTest {
 protected:
  std::string path() const { return home + "/.QuillMark"; }
  AppDelegate delegate;
};

struct LoadCase {
  const char* name;
  std::string content;  // empty with missing = true: no file
  bool missing;
  std::string expectedLog;  // must appear in standard output
  std::function<void()> check;
};

TEST_P(ParameterStoreTest, LoadRules) {
  std::string twenty;
  for (int i = 1; i <= 20; ++i) twenty += std::to_string(i) + "\n";
  const std::vector<LoadCase> cases = {
      {"missing", "", true, "", [] { EXPECT_EQ(ShowMode.load(), 2); }},
      {"empty", "", false, "configure is null.\n", [] { EXPECT_EQ(Threshold.load(), 200); }},
      {"five lines", "1\n1\n1\n300\n30\n", false, "ScreenSaveTime (30)\nconfigure file is end.\n",
       [] {
         EXPECT_EQ(FreshAutoEnable.load(), 1);
         EXPECT_EQ(AutoFreshTime.load(), 300);
         EXPECT_EQ(ScreenSaveTime.load(), 30);
         EXPECT_EQ(ShowMode.load(), 2);
         EXPECT_EQ(ContrastHotkeyDownKeyCode.load(), 2u);
       }},
      {"twenty lines", twenty, false, "ContrastHotkeyDownKeyCode (17)\n",
       [] {
         EXPECT_EQ(ShowMode.load(), 7);
         EXPECT_EQ(ContrastHotkeyDownKeyCode.load(), 17u);
       }},
      {"300 for ShowMode", "0\n0\n0\n120\n10\n0\n300\n", false, "ShowMode (44)\n",
       [] { EXPECT_EQ(ShowMode.load(), 44); }},
      {"blanks digits letters", "   12abc\nabc\n", false, "FreshHandSoftEnable (0)\n",
       [] {
         EXPECT_EQ(FreshAutoEnable.load(), 12);
         EXPECT_EQ(FreshHandSoftEnable.load(), 0);
       }},
      {"most negative modifier", "0\n0\n0\n120\n10\n0\n2\n1\n1\n200\n1\n-2147483648\n", false,
       "ContrastHotkeyModifierFlags (-2147483648)\n",
       [] { EXPECT_EQ(ContrastHotkeyModifierFlags.load(), 0x80000000u); }},
      {"beyond 32 bits held at the end", "0\n0\n0\n99999999999\n", false, "AutoFreshTime (65535)\n",
       [] { EXPECT_EQ(AutoFreshTime.load(), 65535); }},
      {"long line read in pieces", std::string(130, '7') + "\n5\n", false,
       "FreshHandHardEnable (5)\n",
       [] {
         EXPECT_EQ(FreshAutoEnable.load(), 255);    // 127 sevens held, then cut to 8 bits
         EXPECT_EQ(FreshHandSoftEnable.load(), 9);  // "777" cut to 8 bits
         EXPECT_EQ(FreshHandHardEnable.load(), 5);
       }},
      {"binary garbage", std::string("\x01\xff\x00\x80zz\n\x7f\n", 9), false,
       "FreshHandSoftEnable (0)\n", [] { EXPECT_EQ(FreshAutoEnable.load(), 0); }},
  };
  for (const auto& c : cases) {
    resetParameters();
    std::filesystem::remove(path());
    if (!c.missing) writeFile(path(), c.content);
    takeStdout();
    delegate.restoreParameters();
    const std::string out = takeStdout();
    EXPECT_NE(out.find("local user private data file is " + path() + ".\n"), std::string::npos)
        << c.name;
    EXPECT_NE(out.find(c.expectedLog), std::string::npos) << c.name << "\n" << out;
    c.check();
    EXPECT_EQ(file, nullptr) << c.name;
  }
}

mode_t modeOf(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// A new file is the user's alone, whatever the umask lets through.
TEST_P(ParameterStoreTest, SaveOfTheDefaultsIsPrivate) {
  const mode_t previous = umask(022);
  EXPECT_TRUE(delegate.globalSaveParameters());
  umask(previous);
  EXPECT_EQ(readFile(path()), kDefaultsFile);
  EXPECT_EQ(modeOf(path()), 0600u);
  EXPECT_EQ(file, nullptr);
}

TEST_P(ParameterStoreTest, SaveKeepsModeAndSymlink) {
  const std::string target = home + "/dotfiles-QuillMark";
  writeFile(target, "stale\n");
  chmod(target.c_str(), 0604);
  ASSERT_EQ(symlink("dotfiles-QuillMark", path().c_str()), 0);
  delegate.saveParameters();
  EXPECT_TRUE(std::filesystem::is_symlink(path()));
  EXPECT_EQ(readFile(target), kDefaultsFile);
  EXPECT_EQ(modeOf(target), 0604u);
}

// A read-only home folder with a writable private data file in it: no
// temporary file can be made, so the file is rewritten in place. Root may
// write anywhere, so the save runs in a child as an unprivileged user.
TEST_P(ParameterStoreTest, SaveInPlaceWhenTheFolderIsReadOnly) {
  const std::string folder = home + "/readonly";
  mkdir(folder.c_str(), 0700);
  platform.home = folder;
  const std::string file = folder + "/.QuillMark";
  writeFile(file, "1\n2\n3\n");
  chmod(file.c_str(), 0600);
  constexpr uid_t kNobody = 65534;
  const bool root = geteuid() == 0;
  if (root) {
    chmod(home.c_str(), 0711);
    ASSERT_EQ(chown(folder.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(chown(file.c_str(), kNobody, kNobody), 0);
  }
  chmod(folder.c_str(), 0500);
  const pid_t child = fork();
  if (child == 0) {
    if (root && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(2);
    delegate.saveParameters();
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  chmod(folder.c_str(), 0700);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(readFile(file), kDefaultsFile);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                          std::filesystem::directory_iterator()),
            1);
}

// A FIFO at the private data file's path or the log's: the launch goes on with
// the defaults instead of waiting for a writer that never comes.
TEST_P(ParameterStoreTest, FifoInsteadOfFilesIsSkipped) {
  ASSERT_EQ(mkfifo(path().c_str(), 0600), 0);
  ASSERT_EQ(mkfifo((home + "/tl.log").c_str(), 0600), 0);
  base::tl_log_reset();
  Threshold = 7;
  delegate.restoreParameters();
  delegate.saveParameters();
  EXPECT_EQ(Threshold.load(), 7);
  const std::string errors = platform.stderrText;
  EXPECT_NE(errors.find(path() + " is not a regular file"), std::string::npos) << errors;
  EXPECT_NE(errors.find(home + "/tl.log is not a regular file"), std::string::npos) << errors;
  EXPECT_NE(takeStdout().find("local user private data file is"), std::string::npos);
  struct stat info {};
  ASSERT_EQ(lstat(path().c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_P(ParameterStoreTest, LoadThenSaveRoundTripsAndDropsExtraLines) {
  writeFile(path(),
            "1\n1\n0\n600\n30\n1\n4\n3\n2\n160\n2\n-2147483648\n40\n786432\n7\n262144\n2\n9\n9\n");
  delegate.restoreParameters();
  delegate.saveParameters();
  EXPECT_EQ(readFile(path()),
            "1\n1\n0\n600\n30\n1\n4\n3\n2\n160\n2\n-2147483648\n40\n786432\n7\n262144\n2\n");
}

TEST_P(ParameterStoreTest, InterruptedSaveLeavesTheOldFile) {
  writeFile(path(), kDefaultsFile);
  Threshold = 99;
  setSaveInterruptionForTesting([] { return true; });
  delegate.saveParameters();
  setSaveInterruptionForTesting(nullptr);
  EXPECT_EQ(readFile(path()), kDefaultsFile);
  resetParameters();
  Threshold = 1;
  delegate.restoreParameters();
  EXPECT_EQ(Threshold.load(), 200);
}

// The save works in the folder it found: a folder swapped at the same path
// between the check and the replacement gets nothing, and the file found
// gets the new content.
TEST_P(ParameterStoreTest, SaveIsNotTurnedByAFolderSwappedMidway) {
  std::filesystem::create_directory(home + "/dotfiles");
  std::filesystem::create_directory(home + "/elsewhere");
  writeFile(home + "/dotfiles/QuillMark", kDefaultsFile);
  ASSERT_EQ(symlink("dotfiles/QuillMark", path().c_str()), 0);
  Threshold = 99;
  setSaveInterruptionForTesting([this] {
    std::filesystem::rename(home + "/dotfiles", home + "/dotfiles-found");
    std::filesystem::create_directory_symlink("elsewhere", home + "/dotfiles");
    return false;
  });
  delegate.saveParameters();
  setSaveInterruptionForTesting(nullptr);
  EXPECT_TRUE(std::filesystem::is_empty(home + "/elsewhere"));
  EXPECT_NE(readFile(home + "/dotfiles-found/QuillMark").find("\n99\n"), std::string::npos);
}

TEST_P(ParameterStoreTest, FailedSaveKeepsFileAndValues) {
  writeFile(path(), kDefaultsFile);
  Threshold = 42;
  platform.home = home + "/gone";
  delegate.saveParameters();
  EXPECT_EQ(readFile(path()), kDefaultsFile);
  EXPECT_EQ(Threshold.load(), 42);
}

TEST_P(ParameterStoreTest, HomeOfAnyLength) {
  const std::string deep = home + "/" + std::string(100, 'h');
  mkdir(deep.c_str(), 0700);
  platform.home = deep;
  Language = 2;
  delegate.saveParameters();
  resetParameters();
  delegate.restoreParameters();
  EXPECT_EQ(Language.load(), 2);
}

INSTANTIATE_FOR_BOTH_MODELS(ParameterStoreTest);

}  // namespace
