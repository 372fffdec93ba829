#include "base/regular_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/file_replacement.h"

namespace {

namespace fs = std::filesystem;

class RegularFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quillmark-regular-XXXXXX";
    root = mkdtemp(pattern);
    std::ofstream(root / "file") << "x\n";
  }
  void TearDown() override { fs::remove_all(root); }
  fs::path root;
};

// A relative target is taken from the link's folder, an absolute one as it is.
TEST_F(RegularFileTest, LinkTargetsAndNonLinks) {
  fs::create_directory(root / "sub");
  fs::create_symlink("../file", root / "sub" / "relative");
  fs::create_symlink(root / "file", root / "absolute");
  EXPECT_EQ(base::linkTarget((root / "sub" / "relative").string()),
            (root / "sub" / "../file").string());
  EXPECT_EQ(base::linkTarget((root / "absolute").string()), (root / "file").string());
  EXPECT_EQ(base::linkTarget((root / "file").string()), std::nullopt);
  EXPECT_EQ(base::linkTarget((root / "missing").string()), std::nullopt);
}

// The program's own file and links are never foreign; a chain of links is
// followed to the end, and a loop is not followed forever.
TEST_F(RegularFileTest, OwnPathsAreNotForeignAndLoopsEnd) {
  fs::create_symlink("file", root / "one");
  fs::create_symlink("one", root / "two");
  fs::create_symlink("loop-b", root / "loop-a");
  fs::create_symlink("loop-a", root / "loop-b");
  for (const char* name : {"file", "one", "two", "missing"}) {
    EXPECT_EQ(base::foreignPart((root / name).string()), "") << name;
  }
  EXPECT_EQ(base::foreignPart((root / "loop-a").string()),
            "the links at " + (root / "loop-a").string());
  const base::OpenedFile opened =
      base::openRegularFile((root / "two").string(), O_WRONLY | O_APPEND);
  EXPECT_EQ(opened.outcome, base::OpenOutcome::kOpened);
  if (opened.descriptor >= 0) close(opened.descriptor);
}

// The user's own links to devices (/dev/full, /dev/zero) are refused as no
// regular file, for reading and for writing, and the replacing save says so
// instead of blaming another user; nothing is opened or made in /dev.
TEST_F(RegularFileTest, OwnLinksToDevicesAreNoRegularFiles) {
  // Root owns /dev: its links there lead to a copy of the devices made here,
  // so that nothing of the machine's is at stake.
  std::vector<std::string> devices = {"/dev/full", "/dev/zero"};
  if (geteuid() == 0) {
    devices = {(root / "full").string(), (root / "zero").string()};
    ASSERT_EQ(mknod(devices[0].c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
    ASSERT_EQ(mknod(devices[1].c_str(), S_IFCHR | 0666, makedev(1, 5)), 0);
  }
  for (const std::string& device : devices) {
    const fs::path link = root / "to-device";
    fs::remove(link);
    fs::create_symlink(device, link);
    EXPECT_EQ(base::openRegularFile(link.string(), O_RDONLY).outcome,
              base::OpenOutcome::kNotRegular)
        << device;
    EXPECT_EQ(base::openRegularFile(link.string(), O_WRONLY | O_CREAT | O_TRUNC, 0600).outcome,
              base::OpenOutcome::kNotRegular)
        << device;
    std::string why;
    EXPECT_FALSE(base::replaceOwnFile(link.string(), "x\n", 0600, why));
    EXPECT_EQ(why, device + " is not a regular file") << why;
    EXPECT_TRUE(fs::is_character_file(device)) << device;
  }
}

// Another user's link, file or folder: named, and never opened for writing.
TEST_F(RegularFileTest, AnotherUsersPartsAreForeign) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give files to another user";
  const passwd* nobody = getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);
  fs::create_symlink("file", root / "planted");
  ASSERT_EQ(lchown((root / "planted").c_str(), nobody->pw_uid, nobody->pw_gid), 0);
  std::ofstream(root / "theirs") << "y\n";
  ASSERT_EQ(chown((root / "theirs").c_str(), nobody->pw_uid, nobody->pw_gid), 0);
  fs::create_directory(root / "their-folder");
  ASSERT_EQ(chown((root / "their-folder").c_str(), nobody->pw_uid, nobody->pw_gid), 0);
  const struct {
    fs::path path;
    std::string part;
  } cases[] = {
      {root / "planted", "the link " + (root / "planted").string()},
      {root / "theirs", (root / "theirs").string()},
      {root / "their-folder" / "x", "the folder " + (root / "their-folder").string() + "/"}};
  for (const auto& c : cases) {
    EXPECT_EQ(base::foreignPart(c.path.string()), c.part);
    EXPECT_EQ(base::openRegularFile(c.path.string(), O_WRONLY | O_CREAT).outcome,
              base::OpenOutcome::kForeign);
  }
  // Reading is not writing: the file is still read.
  const base::OpenedFile read = base::openRegularFile((root / "theirs").string(), O_RDONLY);
  EXPECT_EQ(read.outcome, base::OpenOutcome::kOpened);
  if (read.descriptor >= 0) close(read.descriptor);
}

// Reads follow links by the same rule as writes: another user's link is not
// followed, and in a folder that others may write no link is, not even one's own.
TEST_F(RegularFileTest, ReadsFollowOnlyLinksTheRuleAllows) {
  fs::create_symlink("file", root / "mine");
  EXPECT_EQ(base::openRegularFile((root / "mine").string(), O_RDONLY).outcome,
            base::OpenOutcome::kOpened);
  fs::permissions(root, fs::perms::group_write, fs::perm_options::add);
  for (const int flags : {O_RDONLY, O_WRONLY}) {
    EXPECT_EQ(base::openRegularFile((root / "mine").string(), flags).outcome,
              base::OpenOutcome::kForeign);
  }
  EXPECT_EQ(base::foreignPart((root / "mine").string()), "the link " + (root / "mine").string());
  if (geteuid() != 0) return;
  fs::permissions(root, fs::perms::group_write, fs::perm_options::remove);
  const passwd* nobody = getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);
  ASSERT_EQ(lchown((root / "mine").c_str(), nobody->pw_uid, nobody->pw_gid), 0);
  EXPECT_EQ(base::openRegularFile((root / "mine").string(), O_RDONLY).outcome,
            base::OpenOutcome::kForeign);
  // A regular file another user put in a folder others may write is not
  // read; in the user's own closed folder it is (root reading a user's file).
  ASSERT_EQ(chown((root / "file").c_str(), nobody->pw_uid, nobody->pw_gid), 0);
  EXPECT_EQ(base::openRegularFile((root / "file").string(), O_RDONLY).outcome,
            base::OpenOutcome::kOpened);
  fs::permissions(root, fs::perms::others_write, fs::perm_options::add);
  EXPECT_EQ(base::openRegularFile((root / "file").string(), O_RDONLY).outcome,
            base::OpenOutcome::kForeign);
}

// Whole files, bounded ones, and nothing of what is not a regular file.
TEST_F(RegularFileTest, ReadingIsBoundedAndOnlyOfRegularFiles) {
  std::ofstream(root / "long") << std::string(70000, 'a');
  fs::create_directory(root / "folder");
  ASSERT_EQ(mkfifo((root / "fifo").c_str(), 0600), 0);
  struct Case {
    const char* name;
    size_t limit;
    base::OpenOutcome outcome;
    size_t length;
  };
  const Case cases[] = {
      {"file", 100, base::OpenOutcome::kOpened, 2},
      {"long", 65537, base::OpenOutcome::kOpened, 65537},
      {"long", 100000, base::OpenOutcome::kOpened, 70000},
      {"missing", 100, base::OpenOutcome::kMissing, 0},
      {"folder", 100, base::OpenOutcome::kNotRegular, 0},
      {"fifo", 100, base::OpenOutcome::kNotRegular, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text = "left over";
    const base::OpenOutcome outcome =
        base::readRegularFile((root / c.name).string(), c.limit, text);
    EXPECT_EQ(outcome, c.outcome);
    if (outcome == base::OpenOutcome::kOpened) {
      EXPECT_EQ(text.size(), c.length);
    }
  }
}

}  // namespace
