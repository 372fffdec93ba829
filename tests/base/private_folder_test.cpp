#include "base/private_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

mode_t modeOf(const fs::path& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Folders on the way are made private, outermost first; none is made inside
// a folder of another user's, and the reason names that folder.
TEST(PrivateFolder, MakesMissingFoldersOnlyInsideOwnOnes) {
  char pattern[] = "/tmp/quillmark-folders-XXXXXX";
  const fs::path root = mkdtemp(pattern);
  std::string why;
  EXPECT_TRUE(base::makeOwnFolders((root / "local/state/quillmark").string(), why)) << why;
  for (const char* made : {"local", "local/state", "local/state/quillmark"}) {
    EXPECT_EQ(modeOf(root / made), 0700u) << made;
  }
  EXPECT_TRUE(base::makeOwnFolders((root / "local/state/quillmark").string(), why));

  // Another user's folder: one chowned to nobody when run as root, /proc otherwise.
  fs::path foreign = "/proc";
  if (geteuid() == 0) {
    foreign = root / "theirs";
    fs::create_directory(foreign);
    ASSERT_EQ(chown(foreign.c_str(), 65534, 65534), 0);
  }
  why.clear();
  EXPECT_FALSE(base::makeOwnFolders((foreign / "state/quillmark").string(), why));
  EXPECT_EQ(why, foreign.string() + " is not yours: state is not made there");
  EXPECT_FALSE(fs::exists(foreign / "state"));
  fs::remove_all(root);
}

}  // namespace
