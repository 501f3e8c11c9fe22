// The content checker run as a content author runs it: small content folders, each broken in one way,
// must draw the expected "file:line:" finding and exit status; the bundled content must pass clean.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/media/text_file.h"
#include "tests/support/tool_run.h"

namespace fs = std::filesystem;

namespace {

fs::path sourceDir() { return fs::path(__FILE__).parent_path().parent_path(); }

fs::path bundledContent() {
  if (const char* env = std::getenv("LANTERNFALL_CONTENT")) return env;
  return sourceDir() / "content";
}

constexpr const char* kTool = "lint/lanternfall-lint";

using testing_support::quoted;
using testing_support::runTool;
using LintRun = testing_support::ToolRun;

LintRun runLint(const std::string& args) { return runTool(kTool, args); }

const std::vector<std::string> kStarted = {"opn", "00", "01", "02", "03", "04",  "05",
                                           "06",  "07", "08", "10", "11", "12",  "13",
                                           "14",  "15", "16", "17", "18", "end", "badend"};

// A content folder that passes: every scenario one text row and its end command, the bundled title picture
// and music. Each test breaks one thing in it.
class Lint : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(testing_support::toolPath(kTool)))
        << "build lanternfall-lint first: " << testing_support::toolPath(kTool);
    char pattern[] = "/tmp/lanternfall-lint-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    fs::create_directories(dir_ / "txt");
    fs::create_directories(dir_ / "img");
    for (const std::string& name : kStarted) {
      const bool ending = name == "end" || name == "badend";
      scenario(name, {">img scene", "風が吹いた。", ending ? ">end" : "tugi"});
    }
    fs::copy_file(bundledContent() / "img" / "ttl.jpg", dir_ / "img" / "ttl.jpg");
    fs::copy_file(bundledContent() / "img" / "oka.jpg", dir_ / "img" / "scene.jpg");
    fs::copy_file(bundledContent() / "bgm.mid", dir_ / "bgm.mid");
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // Writes a scenario from UTF-8 lines, in code page 932 with CR LF, as the game reads it.
  void scenario(const std::string& name, const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& l : lines) bytes += platform::encodeCp932(l) + "\r\n";
    raw("txt/" + name + ".dat", bytes);
  }
  void raw(const std::string& relative, const std::string& bytes) {
    std::ofstream(dir_ / relative, std::ios::binary) << bytes;
  }
  LintRun lint() { return runLint(quoted(dir_.string())); }
  // The finding prefix for a file of the folder, e.g. at("txt/00.dat", 3) is ".../txt/00.dat:3: ".
  std::string at(const std::string& relative, int line) const {
    return (dir_ / relative).lexically_normal().string() + ":" + std::to_string(line) + ": ";
  }

  fs::path dir_;
};

TEST(LintBundled, BundledContentPassesClean) {
  const LintRun run = runLint(quoted(bundledContent().string()));
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.has("0 error(s), 0 warning(s)")) << run.output;
}

TEST_F(Lint, GoodFolderPassesClean) {
  const LintRun run = lint();
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.has("0 error(s), 0 warning(s)")) << run.output;
}

TEST_F(Lint, MissingEmptyAndMisencodedScenariosAreErrors) {
  fs::remove(dir_ / "txt" / "07.dat");
  fs::remove(dir_ / "txt" / "badend.dat");
  raw("txt/03.dat", "");
  // Line 2: a lead byte followed by a byte no trail can be, then a lead byte cut off by the line end.
  raw("txt/14.dat", platform::encodeCp932("一行目") +
                        "\r\nab\x82\x20"
                        "cd\x81\r\ntugi\r\n");
  const LintRun run = lint();
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.has(at("txt/07.dat", 0) + "error: scenario \"07\" is missing")) << run.output;
  EXPECT_TRUE(run.has(at("txt/badend.dat", 0) + "error: scenario \"badend\" is missing")) << run.output;
  EXPECT_TRUE(run.has(at("txt/03.dat", 0) + "error: the scenario holds no line")) << run.output;
  EXPECT_TRUE(run.has(at("txt/14.dat", 2) + "error: invalid Shift-JIS byte sequence at character 3"))
      << run.output;
  EXPECT_TRUE(run.has(at("txt/14.dat", 2) + "error: invalid Shift-JIS byte sequence")) << run.output;
  EXPECT_FALSE(run.has(at("txt/14.dat", 1))) << run.output;
  EXPECT_FALSE(run.has(at("txt/14.dat", 3))) << run.output;
}

TEST_F(Lint, LinesAfterAnEndCommandAreErrors) {
  scenario("00", {"一行目", "tugi", "読まれない行"});
  scenario("10", {">game", ""});
  scenario("end", {"おしまい", ">end", ">end"});
  // The end command, and the last line: no error, but the text after the word is never shown.
  scenario("01", {"tugiの後ろに文字があってもtugiです"});
  const LintRun run = lint();
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 3) + "error: 1 line(s) after the end command on line 2"))
      << run.output;
  EXPECT_TRUE(run.has(at("txt/10.dat", 2) + "error: 1 line(s) after the end command on line 1"))
      << run.output;
  EXPECT_TRUE(run.has(at("txt/end.dat", 3) + "error:")) << run.output;
  EXPECT_FALSE(run.has(at("txt/01.dat", 1) + "error:")) << run.output;
  EXPECT_TRUE(run.has(at("txt/01.dat", 1) +
                      "warning: the game ignores \"の後ろに文字があってもtugiです\" after "
                      "\"tugi\""))
      << run.output;
}

TEST_F(Lint, RunCountsMustBeNumbersWhoseStepsLieBeforeTheEnd) {
  scenario("00", {"--x", "a", "tugi"});
  scenario("01", {"-- 2", "a", "b", "tugi"});
  scenario("02", {"--99999", "a", "tugi"});
  // Empty lines and pictures take no step of their own: three steps need three rows before the end.
  scenario("03", {"--3", "a", "", ">img scene", "b", "tugi"});
  // The same without an end command: the end of the file counts as the end.
  scenario("04", {"前置き", "--2", "a"});
  const LintRun run = lint();
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 1) + "error: the run count \"x\" is not a whole decimal number"))
      << run.output;
  EXPECT_TRUE(run.has(at("txt/01.dat", 1) + "error: the run count \" 2\"")) << run.output;
  EXPECT_TRUE(run.has(at("txt/02.dat", 1) + "error: the run count 99999 is larger")) << run.output;
  EXPECT_TRUE(run.has(at("txt/03.dat", 1) + "error: the run of 3 step(s) reaches the end")) << run.output;
  EXPECT_TRUE(run.has(at("txt/04.dat", 2) + "error: the run of 2 step(s) reaches the end")) << run.output;
}

TEST_F(Lint, RunsFollowTheInterpretersSharedCounter) {
  // A run of 3 whose first step meets a run of 1 takes only two steps: the inner run leaves the shared
  // counter at 2. Three rows would be needed by a naive count; two are enough.
  scenario("00", {"--3", "--1", "a", "b", "tugi"});
  // A run of 0 takes no step, even right before the end.
  scenario("01", {"a", "--0", "tugi"});
  // Exactly enough rows: fine.
  scenario("02", {"--2", "a", "b", "tugi"});
  LintRun run = lint();
  EXPECT_EQ(run.status, 0) << run.output;

  // A nested run of 5 leaves the counter at 6: the outer run of 2 is over after one step.
  scenario("00", {"--2", "--5", "a", "b", "c", "d", "e", "tugi"});
  // But a run whose steps are one short is caught.
  scenario("02", {"--2", "a", "tugi"});
  // A nested run one row short: the run whose step meets the end is named where it begins.
  scenario("03", {"前置き", "--2", "--5", "a", "b", "c", "d", "tugi"});
  run = lint();
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_FALSE(run.has("txt/00.dat")) << run.output;
  EXPECT_TRUE(run.has(at("txt/02.dat", 1) + "error: the run of 2 step(s)")) << run.output;
  EXPECT_TRUE(run.has(at("txt/03.dat", 2) + "error: the run of 2 step(s) reaches the end")) << run.output;
}

TEST_F(Lint, PicturesMustExistAndDecode) {
  scenario("00", {">img nowhere", "a", "tugi"});
  scenario("01", {">img broken", "a", ">img", "b", "tugi"});
  scenario("02", {">img scene ", "a", "tugi"});
  raw("img/broken.jpg", "\xFF\xD8\xFF\xE0 not really a JPEG");
  fs::remove(dir_ / "img" / "ttl.jpg");
  // A picture the loader reads but that is no JPEG: a 1 × 1 BMP.
  scenario("03", {">img bitmap", "a", "tugi"});
  raw("img/bitmap.jpg", std::string("BM\x3A\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0"
                                    "\0\0\0\0\x04\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\xFF\x80\x40\0",
                                    58));
  const LintRun run = lint();
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 1) + "error: the picture \"nowhere\" is missing")) << run.output;
  EXPECT_TRUE(run.has(at("txt/01.dat", 1) + "error: the picture \"broken\" does not decode")) << run.output;
  EXPECT_TRUE(run.has(at("txt/01.dat", 3) + "warning: \">img\" with an empty name")) << run.output;
  EXPECT_TRUE(run.has(at("txt/02.dat", 1) + "error: the picture \"scene \" is missing")) << run.output;
  EXPECT_TRUE(run.has("(the name ends in a space)")) << run.output;
  EXPECT_TRUE(run.has(at("txt/03.dat", 1) + "error: the picture \"bitmap\" is not a JPEG file"))
      << run.output;
  EXPECT_TRUE(run.has(at("img/ttl.jpg", 0) + "error: the title picture is missing")) << run.output;
}

// The music is read by the game's own reader: what it refuses is an error in its words, and what it plays
// passes, however odd its header.
TEST_F(Lint, MusicIsCheckedByTheGamesOwnReader) {
  fs::remove(dir_ / "bgm.mid");
  LintRun run = lint();
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.has(at("bgm.mid", 0) + "error: the music file is missing")) << run.output;

  // Header announcing one track, then a track whose note-on is cut off by the chunk's end.
  const std::string header("MThd\0\0\0\6\0\0\0\1\1\xE0", 14);
  raw("bgm.mid", header + std::string("MTrk\0\0\0\3\0\x90\x3C", 11));
  run = lint();
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(
      run.has(at("bgm.mid", 0) + "error: the game will not play it: it is not a whole standard MIDI file"))
      << run.output;

  raw("bgm.mid", "RIFF....");
  run = lint();
  EXPECT_TRUE(run.has(at("bgm.mid", 0) + "error: the game will not play it:")) << run.output;

  // A minimal good file: one note and the end of the track, with running status.
  const std::string track =
      std::string("MTrk\0\0\0\x0B", 8) + std::string("\0\x90\x3C\x40\x60\x3C\0\0\xFF\x2F\0", 11);
  raw("bgm.mid", header + track);
  run = lint();
  EXPECT_EQ(run.status, 0) << run.output;

  // A header that announces 65,535 tracks before the one there is: the game plays the one.
  raw("bgm.mid", std::string("MThd\0\0\0\6\0\1\xFF\xFF\1\xE0", 14) + track);
  run = lint();
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_FALSE(run.has("bgm.mid")) << run.output;
}

TEST_F(Lint, LikelyMistakesAreWarningsOnly) {
  scenario("00",
           {"a", ">ive", "TUGI", " >p", "　>img scene", ">Game", "b", ">pa", "c", "", ">p", "d", "tugi"});
  scenario("01", {">img_scene", "a", "tugi"});  // shows "scene", the "_" being skipped
  // Fourteen rows, then an empty fifteenth that fills the page.
  std::vector<std::string> fullPage(14, "行");
  fullPage.insert(fullPage.end(), {"", "次のページ", "tugi"});
  scenario("02", fullPage);
  scenario("end", {"おしまい", "tugi"});
  scenario("badend", {"おしまい"});
  const LintRun run = lint();
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 2) + "warning: \">ive\" is no command")) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 3) + "warning: looks like the command \"tugi\"")) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 4) + "warning: looks like the command \">p\"")) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 5) + "warning: looks like the command \">img\"")) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 6) + "warning: looks like the command \">game\"")) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 8) + "warning: \">pa\" has characters after \">p\"")) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 10) + "warning: an empty line before a stop line")) << run.output;
  EXPECT_TRUE(run.has(at("txt/01.dat", 1) + "warning: the fifth character of \">img_scene\" is skipped"))
      << run.output;
  EXPECT_TRUE(run.has(at("txt/02.dat", 15) + "warning: an empty line fills the page")) << run.output;
  EXPECT_FALSE(run.has(at("txt/02.dat", 14))) << run.output;
  EXPECT_TRUE(run.has(at("txt/end.dat", 2) + "warning: the ending does not end with \">end\"")) << run.output;
  EXPECT_TRUE(run.has(at("txt/badend.dat", 1) + "warning: the ending does not end with \">end\""))
      << run.output;
  // Text rows and the commands themselves draw nothing.
  EXPECT_FALSE(run.has(at("txt/00.dat", 1))) << run.output;
  EXPECT_FALSE(run.has(at("txt/00.dat", 7))) << run.output;
  EXPECT_FALSE(run.has(at("txt/00.dat", 13))) << run.output;
}

TEST_F(Lint, RowsThatWrapOnTheScenePictureAreWarned) {
  std::string thirty, fifty;
  for (int i = 0; i < 30; ++i) thirty += "あ";
  for (int i = 0; i < 50; ++i) fifty += "あ";
  // 30 full-width characters of 16 pixels fit the ~600-pixel picture; 50 do not. The last row of a page
  // is measured with its "▼".
  scenario("00", {thirty, fifty, "tugi"});
  const LintRun run = lint();
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 2) + "warning: the row is")) << run.output;
  EXPECT_TRUE(run.has("wraps on the scene picture")) << run.output;
  EXPECT_FALSE(run.has(at("txt/00.dat", 1))) << run.output;
}

TEST_F(Lint, StrayScenarioIsWarnedAndCheckedToo) {
  scenario("19", {">img nowhere", "a", "tugi"});
  const LintRun run = lint();
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.has(at("txt/19.dat", 0) + "warning: the game never starts a scenario named \"19\""))
      << run.output;
  EXPECT_TRUE(run.has(at("txt/19.dat", 1) + "error: the picture \"nowhere\" is missing")) << run.output;
}

// The story is edited in content-src/txt (UTF-8) and converted by tools/content/build_txt.sh; a source
// edited without converting it again would ship the old text.
TEST(ContentSources, ConvertedScenariosMatchTheirSources) {
  const fs::path sources = sourceDir() / "content-src" / "txt";
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(sources)) {
    if (entry.path().extension() != ".txt") continue;
    const std::string name = entry.path().stem().string();
    std::ifstream src(entry.path(), std::ios::binary),
        dat(bundledContent() / "txt" / (name + ".dat"), std::ios::binary);
    ASSERT_TRUE(dat) << name << ".dat is missing: run tools/content/build_txt.sh";
    const std::string utf8((std::istreambuf_iterator<char>(src)), std::istreambuf_iterator<char>());
    const std::string cp932((std::istreambuf_iterator<char>(dat)), std::istreambuf_iterator<char>());
    std::string expected;
    for (char c : utf8) {
      if (c == '\n') expected += '\r';
      expected += c;
    }
    int invalid = 0;
    EXPECT_EQ(platform::decodeCp932(cp932, &invalid), expected) << name << ": run tools/content/build_txt.sh";
    EXPECT_EQ(invalid, 0) << name;
    ++compared;
  }
  EXPECT_EQ(compared, 21);
}

// What an author's editor makes of a scenario: LF line ends and UTF-8. Each is named once for the file
// with the way out, never as a crash or a flood of byte errors.
TEST_F(Lint, EditorFilesAreNamedOnceWithTheConverter) {
  raw("txt/00.dat", ">img mado\n>p\nあいう\ntugi\n");  // LF alone: one line of the game's, starting ">img"
  raw("txt/01.dat", "前置き\ntugi\n");                 // UTF-8 and LF
  raw("txt/02.dat", "\xEF\xBB\xBF" + platform::encodeCp932("") + "tugi\r\n");  // a byte-order mark alone
  raw("txt/03.dat", platform::encodeCp932("行") + "\r\n" + platform::encodeCp932("二行目") + "\n" +
                        platform::encodeCp932("の続き") + "\r\ntugi\r\n");  // one LF inside
  const LintRun run = lint();
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 1) +
                      "error: the lines end in LF alone: the game reads the whole file as "
                      "one line; convert it with lanternfall-convert"))
      << run.output;
  EXPECT_TRUE(run.has(at("txt/01.dat", 1) + "error: this file is UTF-8, not Shift-JIS; convert it with "
                                            "lanternfall-convert"))
      << run.output;
  EXPECT_TRUE(run.has(at("txt/01.dat", 1) + "error: the lines end in LF alone")) << run.output;
  EXPECT_FALSE(run.has("invalid Shift-JIS")) << run.output;
  EXPECT_FALSE(run.has(at("txt/00.dat", 0) + "error: the picture")) << run.output;
  EXPECT_TRUE(run.has(at("txt/02.dat", 1) + "error: this file is UTF-8")) << run.output;
  EXPECT_TRUE(run.has(at("txt/03.dat", 2) + "error: a line ends in LF alone here")) << run.output;
}

TEST_F(Lint, LinesThatLookLikeCommandsAndTextAfterCommands) {
  scenario("00", {">image mado", ">ｐ", "＞end", "-3", "a", ">game です"});
  scenario("end", {"おしまい", ">endless"});
  const LintRun run = lint();
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 1) +
                      "warning: \">image mado\" starts like a command but is none, so it "
                      "is shown as text; did you mean \">img\"?"))
      << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 2) + "warning: looks like the command \">p\"")) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 3) + "warning: looks like the command \">end\"")) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 4) + "warning: \"-3\" starts like a command but is none"))
      << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 6) + "warning: the game ignores \" です\" after \">game\""))
      << run.output;
  EXPECT_TRUE(run.has(at("txt/end.dat", 2) + "warning: the game ignores \"less\" after \">end\""))
      << run.output;
  EXPECT_FALSE(run.has(at("txt/00.dat", 5))) << run.output;
}

TEST_F(Lint, ABadRunCountDoesNotHideTheOtherRunChecks) {
  // The bad count takes no step, as in the game; the run of 3 after it still lacks a row.
  scenario("00", {"--x", "a", "--3", "b", "c", "tugi"});
  const LintRun run = lint();
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 1) + "error: the run count \"x\"")) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 3) + "error: the run of 3 step(s) reaches the end")) << run.output;
}

TEST_F(Lint, PicturesInAnotherFormOrShapeAreNamed) {
  scenario("00", {">img mado", "a", ">img wide", "b", ">img wide", "c", "tugi"});
  fs::copy_file(bundledContent() / "img" / "oka.jpg", dir_ / "img" / "mado.png");
  fs::copy_file(sourceDir() / "tests/data/img/ui_photo_1920x1080.jpg", dir_ / "img" / "wide.jpg");
  fs::remove(dir_ / "img" / "ttl.jpg");
  fs::copy_file(bundledContent() / "img" / "oka.jpg", dir_ / "img" / "ttl.jpg");  // square, not 4:3
  const LintRun run = lint();
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 1) + "error: the picture \"mado\" is missing")) << run.output;
  EXPECT_TRUE(run.has("(mado.png is there, but the game reads only mado.jpg")) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 3) +
                      "warning: the picture \"wide\" is 1920 x 1080 pixels, not square: "
                      "it is shown stretched"))
      << run.output;
  EXPECT_FALSE(run.has(at("txt/00.dat", 5))) << run.output;  // named once
  EXPECT_TRUE(run.has(at("img/ttl.jpg", 0) + "warning: the title picture is 600 x 600 pixels, not 4:3"))
      << run.output;
}

// Files no editor makes: a folder, a pipe and a name too long for the file system where a scenario or a
// picture should be. Each is a finding; the checker neither stops nor waits.
TEST_F(Lint, HostileFilesAreFindingsNotCrashes) {
  fs::remove(dir_ / "txt" / "05.dat");
  fs::create_directory(dir_ / "txt" / "05.dat");
  fs::remove(dir_ / "txt" / "06.dat");
  ASSERT_EQ(mkfifo((dir_ / "txt" / "06.dat").c_str(), 0600), 0);
  scenario("07", {">img " + std::string(300, 'x'), "a", "tugi"});
  const LintRun run = lint();
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.has(at("txt/05.dat", 0) + "error: cannot read the scenario file")) << run.output;
  EXPECT_TRUE(run.has(at("txt/06.dat", 0) + "error: cannot read the scenario file: is a FIFO, not a file"))
      << run.output;
  EXPECT_TRUE(run.has(at("txt/07.dat", 1) + "error: the picture \"xxxx")) << run.output;
  EXPECT_TRUE(run.has(" error(s), ")) << run.output;  // it went on to the end and summed up
}

// A picture name is the game's to resolve: ">img /abs/pic" is looked for inside img/, as the game does, not
// at /abs/pic.jpg, however well that file would decode.
TEST_F(Lint, PictureNamesAreResolvedAsTheGameResolvesThem) {
  fs::create_directories(dir_ / "elsewhere");
  fs::copy_file(dir_ / "img" / "scene.jpg", dir_ / "elsewhere" / "pic.jpg");
  const std::string absolute = (dir_ / "elsewhere" / "pic").string();
  scenario("00", {">img " + absolute, "a", "tugi"});
  // A link that leads round in a loop is not a look-alike of itself.
  fs::create_symlink("l1.jpg", dir_ / "img" / "l1.jpg");
  scenario("01", {">img l1", "a", "tugi"});
  const LintRun run = lint();
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 1) + "error: the picture \"" + absolute + "\"")) << run.output;
  EXPECT_TRUE(run.has(at("txt/01.dat", 1) + "error: the picture \"l1\" cannot be opened")) << run.output;
  EXPECT_FALSE(run.has("is there, but")) << run.output;
}

// What a stranger's scenario can hold: escape sequences, which are shown escaped and never reach the
// terminal, and a flood of lines alike, of which ten are named and the rest counted.
TEST_F(Lint, FindingsAreEscapedAndCappedPerKind) {
  scenario("00", {">\x1B]0;owned\x07 title", "a", "tugi"});
  std::vector<std::string> flood(30, ">x");
  flood.push_back("tugi");
  scenario("01", flood);
  const LintRun run = lint();
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_FALSE(run.has("\x1B")) << run.output;
  EXPECT_FALSE(run.has("\x07")) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 1) + "warning: \">\\x1B]0;owned\\x07 title\" starts like a command"))
      << run.output;
  EXPECT_TRUE(run.has(at("txt/01.dat", 10) + "warning: \">x\" starts like a command")) << run.output;
  EXPECT_FALSE(run.has(at("txt/01.dat", 11) + "warning: \">x\"")) << run.output;
  EXPECT_TRUE(run.has(at("txt/01.dat", 11) + "warning: ... and 20 more lines that look like commands"))
      << run.output;
  EXPECT_TRUE(run.has("0 error(s), 31 warning(s)")) << run.output;
}

TEST_F(Lint, OneScenarioFileIsCheckedWithItsPictures) {
  scenario("00", {">img nowhere", "a", "tugi"});
  fs::remove(dir_ / "txt" / "01.dat");  // missing, but not asked about
  const LintRun run = runLint(quoted((dir_ / "txt" / "00.dat").string()));
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.has(at("txt/00.dat", 1) + "error: the picture \"nowhere\" is missing")) << run.output;
  EXPECT_FALSE(run.has("01.dat")) << run.output;
  EXPECT_TRUE(run.has("1 error(s), 0 warning(s)")) << run.output;
}

TEST(LintOptions, HelpAndVersionSucceed) {
  LintRun run = runLint("--help");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.has("usage: lanternfall-lint")) << run.output;
  EXPECT_TRUE(run.has("lanternfall-convert")) << run.output;
  run = runLint("--version");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.has("lanternfall-lint ")) << run.output;
  run = runLint("--bogus");
  EXPECT_EQ(run.status, 2) << run.output;
}

TEST(LintInvalidInput, NoFolderIsAUsageError) {
  const LintRun run = runLint("/nonexistent/lanternfall-content");
  EXPECT_EQ(run.status, 2) << run.output;
  EXPECT_TRUE(run.has("no content folder")) << run.output;
}

}  // namespace
