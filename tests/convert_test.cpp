// The scenario converter run as an author runs it: UTF-8 sources in, the game's Shift-JIS CR LF files out,
// and every character the code page lacks named by file, line and column with nothing written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/tool_run.h"

namespace fs = std::filesystem;
using testing_support::quoted;
using testing_support::readBytes;
using testing_support::runTool;
using testing_support::ToolRun;
using testing_support::writeBytes;

namespace {

constexpr const char* kTool = "convert/lanternfall-convert";

fs::path sourceDir() { return fs::path(__FILE__).parent_path().parent_path(); }

class Convert : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(testing_support::toolPath(kTool))) << "build lanternfall-convert first";
    char pattern[] = "/tmp/lanternfall-convert-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    fs::create_directories(dir_ / "src");
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  ToolRun convert(const std::string& sources) {
    return runTool(kTool, sources + " -o " + quoted(out().string()));
  }
  fs::path src(const std::string& name) const { return dir_ / "src" / name; }
  fs::path out() const { return dir_ / "out" / "txt"; }

  fs::path dir_;
};

TEST_F(Convert, EditorTextBecomesTheGamesBytes) {
  // A byte-order mark, then LF, CR LF and CR line ends, and a last line with none.
  writeBytes(src("opn.txt"), "\xEF\xBB\xBF>img mado\n窓の外\r\n雨\r>p\nおわり");
  // What input methods type for the wave dash, double bar, minus, cent, pound and not sign.
  writeBytes(src("00.txt"), "〜‖−¢£¬\n");
  const ToolRun run = convert(quoted(src("opn.txt").string()) + " " + quoted(src("00.txt").string()));
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(readBytes(out() / "opn.dat"),
            ">img mado\r\n\x91\x8B\x82\xCC\x8A\x4F\r\n\x89\x4A\r\n>p\r\n\x82\xA8\x82\xED\x82\xE8\r\n");
  EXPECT_EQ(readBytes(out() / "00.dat"), "\x81\x60\x81\x61\x81\x7C\x81\x91\x81\x92\x81\xCA\r\n");
}

// The bundled story is converted with this tool: its files must come out byte for byte as shipped.
TEST_F(Convert, BundledSourcesGiveTheShippedFiles) {
  const ToolRun run = convert(quoted((sourceDir() / "content-src" / "txt").string()));
  EXPECT_EQ(run.status, 0) << run.output;
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(sourceDir() / "content" / "txt")) {
    EXPECT_EQ(readBytes(out() / entry.path().filename()), readBytes(entry.path())) << entry.path();
    ++compared;
  }
  EXPECT_EQ(compared, 21);
  EXPECT_TRUE(run.has("converted 21 of 21")) << run.output;
}

TEST_F(Convert, CharactersWithoutShiftJisAreNamedAndNothingIsWritten) {
  writeBytes(src("01.txt"), "一行目\n二行目に☃と𠀋\né\n");
  writeBytes(src("02.txt"), "ok\n");
  writeBytes(src("03.txt"), "bad \xFF byte\n");
  // An older 01.dat stays as it was.
  fs::create_directories(out());
  writeBytes(out() / "01.dat", "old");
  const ToolRun run = convert(quoted((dir_ / "src").string()));
  EXPECT_EQ(run.status, 1) << run.output;
  const std::string f = src("01.txt").string();
  EXPECT_TRUE(run.has(f + ":2:5: ☃ U+2603 has no Shift-JIS form")) << run.output;
  EXPECT_TRUE(run.has(f + ":2:7: 𠀋 U+2000B has no Shift-JIS form")) << run.output;
  EXPECT_TRUE(run.has(f + ":3:1: é U+00E9 has no Shift-JIS form")) << run.output;
  EXPECT_TRUE(run.has(src("03.txt").string() + ":1:5: byte 0xFF is no UTF-8")) << run.output;
  EXPECT_EQ(readBytes(out() / "01.dat"), "old");
  EXPECT_FALSE(fs::exists(out() / "03.dat"));
  EXPECT_EQ(readBytes(out() / "02.dat"), "ok\r\n");  // the good source beside them is still converted
  int files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(out())) ++files;
  EXPECT_EQ(files, 2) << "a temporary file was left behind";
}

// What a stranger's source can hold: a line of a hundred characters the code page lacks names twenty of
// them and counts the rest; a NUL byte is warned of, and written as it is; a control character in a file
// name is shown escaped, never sent to the terminal.
TEST_F(Convert, HostileSourcesAreCappedWarnedAndEscaped) {
  std::string emoji;
  for (int i = 0; i < 100; ++i) emoji += "\U0001F600";
  writeBytes(src("01.txt"), "a\n" + emoji + "\n");
  writeBytes(src("02.txt"), std::string("a\0b\n", 4));
  writeBytes(src("03\x1B]0;x\x07.txt"), "\U0001F600\n");
  writeBytes(src("04.txt"),
             "\xC2\x9B"
             "2J\n");  // U+009B, a terminal's one-byte escape
  const ToolRun run = convert(quoted((dir_ / "src").string()));
  EXPECT_EQ(run.status, 1) << run.output;
  const std::string f = src("01.txt").string();
  EXPECT_TRUE(run.has(f + ":2:1: \U0001F600 U+1F600 has no Shift-JIS form")) << run.output;
  EXPECT_TRUE(run.has(f + ":2:20: ")) << run.output;
  EXPECT_FALSE(run.has(f + ":2:21: ")) << run.output;
  EXPECT_TRUE(run.has(f + ": ... and 80 more characters that cannot be converted")) << run.output;
  EXPECT_TRUE(run.has(src("02.txt").string() + ":1:2: warning: a NUL byte")) << run.output;
  EXPECT_EQ(readBytes(out() / "02.dat"), std::string("a\0b\r\n", 5));
  EXPECT_FALSE(run.has("\x1B")) << run.output;
  EXPECT_TRUE(run.has("03\\x1B]0;x\\x07.txt:1:1: ")) << run.output;
  EXPECT_FALSE(run.has("\xC2\x9B")) << run.output;
  EXPECT_TRUE(run.has(src("04.txt").string() + ":1:1: \\xC2\\x9B U+009B has no Shift-JIS form"))
      << run.output;
}

// A folder the converter may not write into is named with that reason.
TEST_F(Convert, AnUnwritableFolderIsNamedForWhatItIs) {
  // Permissions do not bind the superuser: as root (CI), the converter runs as nobody, who may read the
  // source but write nowhere here.
  const bool root = ::geteuid() == 0;
  const std::string runAs = root ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
  writeBytes(src("00.txt"), "ok\n");
  fs::create_directories(dir_ / "locked");
  fs::permissions(dir_ / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  if (root) {
    fs::permissions(dir_, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(dir_ / "src", fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(src("00.txt"), fs::perms::others_read, fs::perm_options::add);
  }
  ToolRun run =
      runTool(kTool, quoted(src("00.txt").string()) + " -o " + quoted((dir_ / "locked" / "txt").string()),
              true, runAs);
  EXPECT_EQ(run.status, 2) << run.output;
  EXPECT_TRUE(run.has("Permission denied")) << run.output;
  run = runTool(kTool, quoted(src("00.txt").string()) + " -o " + quoted((dir_ / "locked").string()), true,
                runAs);
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.has("Permission denied")) << run.output;
  fs::permissions(dir_ / "locked", fs::perms::owner_all);
}

TEST(ConvertInvalidInput, UsageErrorsAndOptions) {
  ToolRun run = runTool(kTool, "--help");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.has("usage: lanternfall-convert SOURCE... -o DIR")) << run.output;
  run = runTool(kTool, "--version");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.has("lanternfall-convert ")) << run.output;
  EXPECT_EQ(runTool(kTool, "somewhere.txt").status, 2);  // no -o
  run = runTool(kTool, "/nonexistent/a.txt -o /tmp");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.has("/nonexistent/a.txt: error: cannot read")) << run.output;
}

}  // namespace
