// The program's path as a shell and a desktop entry read it back: a path
// with shell characters comes back as itself and runs nothing.

#include "app/command_quoting.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

// What sh makes of "printf %s WORD": the word as the shell parsed it.
std::string throughShell(const std::string& word) {
  const std::string command = "printf %s " + word;
  std::string line = "sh -c " + shellWord(command);
  std::FILE* pipe = popen(line.c_str(), "r");
  std::string out;
  std::array<char, 256> chunk{};
  while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr) out += chunk.data();
  pclose(pipe);
  return out;
}

TEST(CommandQuoting, AShellReadsThePathBackAndRunsNothingInIt) {
  const std::string pwned = "/tmp/quillmark-quoting-pwned";
  std::filesystem::remove(pwned);
  const std::string paths[] = {"/usr/bin/AltoControl", "/opt/my tools/AltoControl",
                               "/tmp/a b\"$(touch " + pwned + ")\";x/AltoControl",
                               "/tmp/it's `touch " + pwned + "`/AltoControl", ""};
  for (const std::string& path : paths) {
    EXPECT_EQ(throughShell(shellWord(path)), path);
  }
  EXPECT_FALSE(std::filesystem::exists(pwned));
  EXPECT_EQ(shellWord("/usr/bin/AltoControl"), "/usr/bin/AltoControl");
}

TEST(CommandQuoting, DesktopEntryExecArguments) {
  const std::pair<const char*, const char*> cases[] = {
      {"/usr/bin/AltoControl", "/usr/bin/AltoControl"},
      {"/opt/my tools/AltoControl", "\"/opt/my tools/AltoControl\""},
      {"/tmp/a\"$(id)`x`/A", "\"/tmp/a\\\\\"\\\\$(id)\\\\`x\\\\`/A\""},
      {"/tmp/back\\slash", "\"/tmp/back\\\\\\\\slash\""}};
  for (const auto& [path, written] : cases) {
    EXPECT_EQ(desktopExecWord(QString::fromUtf8(path)).toStdString(), written) << path;
  }
}

}  // namespace
