// lanternfall-lint: checks a content folder (txt/*.dat, img/*.jpg, bgm.mid) for everything that would go
// wrong in play, before a player meets it. Prints "file:line: error|warning: message" lines (line 0 means
// the file as a whole) and exits 1 when any error was found, 2 when nothing could be checked. Each line
// is checked alone here; how the lines play is read from the game itself, played headless.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/media/content_file.h"
#include "platform/media/executable_path.h"
#include "platform/runtime/printable.h"
#include "tools/common/tool_main.h"
#include "tools/common/utf8_path.h"
#include "tools/lint/game_run.h"
#include "tools/lint/music.h"
#include "tools/lint/pictures.h"
#include "tools/lint/report.h"
#include "tools/lint/scenario_lines.h"
#include "tools/lint/scenario_play.h"

namespace fs = std::filesystem;

namespace {

// Every scenario the game can start: the opening, her nine events, his nine, and the two endings.
const std::vector<std::string> kStartedScenarios = {"opn", "00", "01", "02", "03", "04",  "05",
                                                    "06",  "07", "08", "10", "11", "12",  "13",
                                                    "14",  "15", "16", "17", "18", "end", "badend"};

// Larger than any scenario an author makes; a file beyond it is named, not read.
constexpr uint64_t kMaxScenarioBytes = uint64_t{64} << 20;

bool isStarted(const std::string& name) {
  return std::find(kStartedScenarios.begin(), kStartedScenarios.end(), name) != kStartedScenarios.end();
}

std::string inQuotes(std::string_view s) { return "\"" + std::string(s) + "\""; }

// Start-up shows the title: its decode is the title's check.
class TitleObserver final : public lint::GameObserver {
 public:
  explicit TitleObserver(lint::PictureChecks* pictures) : pictures_(pictures) {}
  void decoded(const std::string& path, const platform::DecodedPicture* picture,
               const std::string& error) override {
    if (pictures_) pictures_->title(path, picture, error);
  }

 private:
  lint::PictureChecks* pictures_;
};

// One content folder, played by one headless game.
class FolderCheck {
 public:
  FolderCheck(const fs::path& folder, lint::Report& report, bool withTitle)
      : folder_(folder.lexically_normal()), report_(report), pictures_(report) {
    TitleObserver title(withTitle ? &pictures_ : nullptr);
    game_ = std::make_unique<lint::GameRun>(tools::utf8FromPath(folder_), title);
    if (withTitle) report_.flush();
    rows_ = std::make_unique<lint::RowMeasure>(game_->fom());
  }

  void all() {
    for (const std::string& name : kStartedScenarios) scenario(name);
    std::vector<std::string> others;
    std::error_code ec;
    fs::directory_iterator it(folder_ / "txt", ec), end;
    for (; !ec && it != end; it.increment(ec)) {
      const std::string name = tools::utf8FromPath(it->path().stem());
      if (it->path().extension() == ".dat" && !isStarted(name)) others.push_back(name);
    }
    std::sort(others.begin(), others.end());
    for (const std::string& name : others) scenario(name);
    lint::checkMusic(tools::utf8FromPath(folder_), report_);
    report_.flush();
  }

  void scenario(const std::string& name) {
    check(name);
    report_.flush();
  }

 private:
  void check(const std::string& name) {
    const fs::path path = folder_ / "txt" / tools::pathFromUtf8(name + ".dat");
    const std::string file = tools::utf8FromPath(path.lexically_normal());
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec))) {
      report_.error(file, 0, "scenario findings",
                    "scenario " + inQuotes(name) + " is missing; the game starts it");
      return;
    }
    std::string bytes, why;
    const std::string pathName = tools::utf8FromPath(path);
    if (!platform::readRegularFile(pathName, kMaxScenarioBytes, &bytes, &why)) {
      if (why.starts_with(pathName + ": ")) why.erase(0, pathName.size() + 2);
      report_.error(file, 0, "scenario findings", "cannot read the scenario file: " + why);
      return;
    }
    if (!isStarted(name))
      report_.warning(file, 0, "scenario findings",
                      "the game never starts a scenario named " + inQuotes(name));
    const lint::ScenarioLines lines = lint::checkScenarioLines(file, bytes, report_);
    bytes = std::string();
    if (lines.count == 0) report_.error(file, 0, "scenario findings", "the scenario holds no line");
    if (!lines.playable) return;
    if (!rowsNamed_ && !rows_->problem().empty()) {
      rowsNamed_ = true;
      report_.warning(file, 0, "scenario findings", "rows not measured: " + rows_->problem());
    }
    const lint::ScenarioFile scenario{file, name, lines.count, name == "end" || name == "badend"};
    lint::checkScenarioPlay(*game_, scenario, pictures_, *rows_, report_);
  }

  fs::path folder_;
  lint::Report& report_;
  lint::PictureChecks pictures_;
  std::unique_ptr<lint::GameRun> game_;
  std::unique_ptr<lint::RowMeasure> rows_;
  bool rowsNamed_ = false;
};

fs::path defaultFolder(const std::string& argv0) {
  std::error_code ec;
  if (fs::is_directory("content/txt", ec)) return "content";
  const std::string exe = platform::executablePath();
  fs::path self = tools::pathFromUtf8(exe);
  if (exe.empty()) self = fs::absolute(tools::pathFromUtf8(argv0), ec);
  // Installed: the game's content under the same prefix (bin/ beside share/games/lanternfall/).
  const fs::path installed = self.parent_path().parent_path() / "share" / "games" / "lanternfall";
  if (fs::is_directory(installed / "txt", ec)) return installed;
  // Unpacked from the Windows zip: the game's own folder, one above tools/.
  const fs::path unpacked = self.parent_path().parent_path();
  if (fs::is_directory(unpacked / "txt", ec) && fs::exists(unpacked / "lanternfall.exe", ec)) return unpacked;
  // In a build tree: the build directory, two levels above this tool.
  return self.parent_path().parent_path().parent_path();
}

constexpr const char* kUsage =
    "usage: lanternfall-lint [CONTENT | CONTENT/txt/NAME.dat]\n"
    "\n"
    "Checks a content folder (txt/*.dat, img/*.jpg, bgm.mid) for everything that would go wrong in play,\n"
    "or one scenario file and the pictures it shows (its content folder is the one above txt/).\n"
    "Findings are printed as FILE:LINE: error|warning: message, with the fix where there is one; line 0\n"
    "means the file as a whole. Ten findings of a kind are named per file, the rest counted. Without an\n"
    "argument: ./content, else the installed game's content, else the game's folder this tool was unpacked\n"
    "into (Windows), else the game's folder in the build tree this tool was built in.\n"
    "\n"
    "Write scenarios in UTF-8, convert them with lanternfall-convert, check them here, then play them\n"
    "with lanternfall-preview.\n"
    "\n"
    "  --help      this text\n"
    "  --version   the version\n"
    "\n"
    "Exit status: 0 when no error was found (warnings allowed), 1 when one was, 2 when nothing could be\n"
    "checked.\n";

int summarise(const fs::path& what, const lint::Report& report) {
  std::printf("%s: %d error(s), %d warning(s)\n", platform::printable(tools::utf8FromPath(what)).c_str(),
              report.errors(), report.warnings());
  return report.errors() > 0 ? 1 : 0;
}

}  // namespace

// Fontconfig keeps some of the family rules it parses until the process ends; under the leak checker
// (the sanitizer build) that would turn every run into a failure. Read only by the sanitizer runtime.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

int toolMain(const std::vector<std::string>& args) {
  const std::string& program = args[0];
  const size_t argc = args.size();
  if (argc == 2 && (args[1] == "-h" || args[1] == "--help")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc == 2 && args[1] == "--version") {
    std::printf("lanternfall-lint %s\n", LANTERNFALL_VERSION);
    return 0;
  }
  if (argc > 2 || (argc == 2 && args[1].size() > 1 && args[1][0] == '-')) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const fs::path argument = argc == 2 ? tools::pathFromUtf8(args[1]) : defaultFolder(program);
  const std::string shown = platform::printable(tools::utf8FromPath(argument));
  std::error_code ec;
  lint::Report report;
  if (argument.extension() == ".dat" && !fs::is_directory(argument, ec)) {
    if (!fs::exists(argument, ec)) {
      std::fprintf(stderr, "%s: no scenario file at %s\n", platform::printable(program).c_str(),
                   shown.c_str());
      return 2;
    }
    // CONTENT/txt/NAME.dat: the pictures are in CONTENT/img.
    const fs::path txt = argument.parent_path().empty() ? fs::path(".") : argument.parent_path();
    FolderCheck(txt / "..", report, false).scenario(tools::utf8FromPath(argument.stem()));
    return summarise(argument, report);
  }
  if (!fs::is_directory(argument, ec)) {
    std::fprintf(stderr, "%s: no content folder at %s\n", platform::printable(program).c_str(),
                 shown.c_str());
    return 2;
  }
  FolderCheck(argument, report, true).all();
  return summarise(argument, report);
}
