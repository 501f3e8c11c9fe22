// The executable's folder: how AppPath cuts the path the system gives, and the system's answer itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/media/executable_path.h"
#include "platform/runtime/app.h"

namespace {

std::string gFakeExecutable;
std::string fakeExecutable() { return gFakeExecutable; }

class AppPathTest : public ::testing::Test {
 protected:
  void TearDown() override {
    platform::setAppPath("");
    platform::installExecutablePath();
  }
};

TEST_F(AppPathTest, IsTheFolderOfTheExecutable) {
  platform::setExecutablePathSource(&fakeExecutable);
  const std::pair<std::string, std::string> cases[] = {
      {"/usr/games/lanternfall", "/usr/games"},
      {"/home/プレイヤー/My Games/灯籠/lanternfall", "/home/プレイヤー/My Games/灯籠"},
      {"/lanternfall", "/"},
      {"lanternfall", "."},  // no folder in it: the system gave nothing usable
      {"", "."},             // the system cannot tell
  };
  for (const auto& [exe, folder] : cases) {
    gFakeExecutable = exe;
    EXPECT_EQ(platform::AppPath(), folder) << exe;
  }
  platform::setAppPath("/srv/content");
  EXPECT_EQ(platform::AppPath(), "/srv/content");  // a program's own folder wins over the executable's
}

TEST_F(AppPathTest, WithNoSourceInstalledIsTheWorkingFolder) {
  platform::setExecutablePathSource(nullptr);
  EXPECT_EQ(platform::AppPath(), ".");
}

TEST_F(AppPathTest, TheSystemNamesThisVeryExecutable) {
  namespace fs = std::filesystem;
  const fs::path exe = platform::executablePath();
  ASSERT_TRUE(exe.is_absolute()) << exe;
  EXPECT_EQ(exe.filename(), "app_path_test");
  EXPECT_TRUE(fs::is_regular_file(exe));
  platform::installExecutablePath();
  EXPECT_EQ(platform::AppPath(), exe.parent_path().string());
}

}  // namespace
