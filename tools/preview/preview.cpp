// lanternfall-preview: the game itself (the same Fom, interpreter and layout) on a content folder
// anywhere on disk, starting the scenario an author names at once. In a window, F5 reads the scenario
// from disk again and plays it from its first line; with --pages, no display is needed and the scenario
// is printed page by page as the player will see it.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/fom.h"
#include "app/game_window.h"
#include "platform/media/mci.h"
#include "platform/runtime/app.h"
#include "platform/runtime/event_loop.h"
#include "platform/runtime/input.h"
#include "platform/runtime/printable.h"
#include "script/scenario_syntax.h"
#include "tools/common/tool_main.h"
#include "tools/common/utf8_path.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: lanternfall-preview [--pages] DIR [SCENARIO]\n"
    "\n"
    "Plays the scenario SCENARIO (the file DIR/txt/SCENARIO.dat) of the content folder DIR with the game's\n"
    "own code, at once and with the EASY settings, instead of after the title and the wish simulation.\n"
    "\n"
    "In a window (the default), the title is shown when no SCENARIO is given. F5 reads the scenario from\n"
    "disk again and plays it from its first line (without SCENARIO: the last one the game started).\n"
    "Content problems the game meets are shown in the title bar and on standard error. At the scenario's\n"
    "end the game goes on as it would: into the wish simulation, or back to the title.\n"
    "\n"
    "  --pages     no window: print the scenario (default opn) page by page, each page as it stands when\n"
    "              the game waits for a click, with each picture as it changes and how the scenario ends\n"
    "  --help      this text\n"
    "  --version   the version\n"
    "\n"
    "Write the scenario in UTF-8, convert it with lanternfall-convert, check it with lanternfall-lint,\n"
    "then look at it here.\n"
    "\n"
    "Exit status: 0 when played, 1 when no window could be opened, 2 when DIR or SCENARIO cannot be read.\n";

constexpr int64_t kTickMs = 100;  // timSay's interval
// What one page prints at most: a row's first characters, and the pictures and problems of its step.
constexpr size_t kRowBytesShown = 400;
constexpr size_t kHeldShown = 20;

// The start of a row, cut at a character's start, and how much was left out.
std::string clipped(std::string_view row) {
  if (row.size() <= kRowBytesShown) return std::string(row);
  size_t cut = kRowBytesShown;
  while (cut > 0 && (static_cast<unsigned char>(row[cut]) & 0xC0) == 0x80) --cut;
  return std::string(row.substr(0, cut)) + " ... (" + std::to_string(row.size() - cut) + " more bytes)";
}

// ---------------------------------------------------------------------------------------------------
// --pages: the game on the manual clock, ticked while the text advances by itself and clicked where it
// waits, printing what the player reads.

class PagePrinter {
 public:
  explicit PagePrinter(Fom& fom, platform::EventLoop& loop) : fom_(fom), loop_(loop) {
    fom_.trace = [this](std::string_view what, std::string_view detail) {
      if (what == "picture") {
        // Held (with the problems) until the page the same step turned away is printed, so that each
        // picture line stands between the text shown before it and the text shown with it.
        hold("picture " + (detail.empty() ? "(no name: the last picture again)" : std::string(detail)));
      } else if (what == "wish" || what == "title") {
        // The labels are emptied right after this; what stood on them is the last page.
        atEnd_ = fom_.lbl[0].Caption();
        ended_ = what == "wish" ? "into the wish simulation" : "back to the title";
      }
    };
    platform::setProblemListener([this](const std::string& message) { hold("problem: " + message); });
  }
  ~PagePrinter() {
    fom_.trace = nullptr;
    platform::setProblemListener(nullptr);
  }

  void play(const std::string& name) {
    std::printf("scenario %s\n", platform::printable(name).c_str());
    fom_.SetUpGame(1);  // EASY
    fom_.StartScenario(name);
    while (ended_.empty()) {
      flushHeld();
      const std::string before = fom_.lbl[0].Caption();
      const std::string lineBefore = fom_.CurrentLine;
      if (!fom_.timSay.Enabled()) {
        page(before, "waits for a click");
        fom_.lbl[2].Click();
      } else {
        loop_.advance(kTickMs);
        // A tick refuses the line after a page end when a click has switched the timer back on: the game
        // then waits for a click all the same.
        if (ended_.empty() && fom_.lbl[0].Caption() == before && fom_.CurrentLine == lineBefore) {
          page(before, "waits for a click");
          fom_.lbl[2].Click();
        }
      }
      const std::string& after = ended_.empty() ? fom_.lbl[0].Caption() : atEnd_;
      // A page replaced without a wait (">p " with text after it, or a page end met inside a run) was
      // on screen for one interval at most.
      if (before != printed_ && !before.empty() && after.rfind(before, 0) != 0)
        page(before, "turned without a click");
    }
    if (atEnd_ != printed_ && !atEnd_.empty()) page(atEnd_, "shown until the end");
    flushHeld();
    std::printf("ends %s\n", ended_.c_str());
  }

 private:
  // A step may name a million pictures: a few are kept for printing, the rest counted.
  void hold(std::string line) {
    if (held_.size() < kHeldShown) {
      held_.push_back(clipped(line));
    } else {
      ++heldMore_;
    }
  }
  void flushHeld() {
    for (const std::string& line : held_) std::printf("%s\n", platform::printable(line).c_str());
    if (heldMore_ > 0) std::printf("... and %zu more pictures and problems\n", heldMore_);
    held_.clear();
    heldMore_ = 0;
  }

  // A page as the labels hold it: CR LF before every row, so that it begins with an empty row.
  void page(const std::string& caption, const char* how) {
    if (caption == printed_) return;
    printed_ = caption;
    std::printf("page %d, %s:\n", ++pages_, how);
    size_t at = 0;
    if (caption.rfind("\r\n", 0) == 0) at = 2;
    std::printf("  |\n");
    for (;;) {
      const size_t end = caption.find("\r\n", at);
      const std::string_view whole(caption);
      std::string row = clipped(whole.substr(at, end == std::string::npos ? std::string::npos : end - at));
      // A LF alone is part of the line; show it rather than break the row.
      std::string shown;
      for (char c : row) shown += c == '\n' ? std::string("<LF>") : std::string(1, c);
      std::printf("  |%s\n", platform::printable(shown).c_str());
      if (end == std::string::npos) break;
      at = end + 2;
    }
  }

  Fom& fom_;
  platform::EventLoop& loop_;
  std::string printed_;  // the caption printed last
  std::string atEnd_;
  std::vector<std::string> held_;  // pictures and problems of the last action, not printed yet
  size_t heldMore_ = 0;
  std::string ended_;
  int pages_ = 0;
};

int printPages(const std::string& name) {
  platform::mciSetAudioSink(platform::AudioSink::Offline);
  auto loop = platform::EventLoop::manual();
  Fom fom(*loop);
  fom.Me.Load();
  fom.Me.Show();
  PagePrinter(fom, *loop).play(name);
  int16_t cancel = 0;
  fom.ShutDown(cancel);
  return 0;
}

// ---------------------------------------------------------------------------------------------------
// The window: the game's own start-up, loop, backend and key rules, with F5 taken before the game's keys.

// F5 is the preview's own; every other key goes on to the game's handler as in the game. A held key
// repeats its key-down with no key-up between: one press, one reload, however quickly an author presses
// again after letting go.
void takeF5(Fom& fom, const std::function<void()>& reload) {
  auto f5Down = std::make_shared<bool>(false);
  auto gameKeys = fom.Me.onKeyDown;
  fom.Me.onKeyDown = [f5Down, gameKeys, reload](int16_t& keyCode, int16_t shift) {
    if (keyCode == platform::kKeyF5) {
      keyCode = 0;
      if (!*f5Down) reload();
      *f5Down = true;
      return;
    }
    if (gameKeys) gameKeys(keyCode, shift);
  };
  auto gameKeysUp = fom.Me.onKeyUp;
  fom.Me.onKeyUp = [f5Down, gameKeysUp](int16_t& keyCode, int16_t shift) {
    if (keyCode == platform::kKeyF5) {
      *f5Down = false;
      keyCode = 0;
      return;
    }
    if (gameKeysUp) gameKeysUp(keyCode, shift);
  };
}

int runWindow(const std::string& named) {
  Fom* game = nullptr;
  std::string playing = named;  // what F5 plays again
  std::string lastProblem;
  int problems = 0;
  auto showCaption = [&] {
    std::string caption = "Lanternfall preview";
    if (!playing.empty()) caption += ": " + playing;
    if (problems == 1) caption += " \xE2\x80\x94 " + lastProblem;
    if (problems > 1)
      caption += " \xE2\x80\x94 " + std::to_string(problems) + " problems, the last: " + lastProblem;
    game->Me.setCaption(caption);
  };
  auto play = [&] {
    problems = 0;
    lastProblem.clear();
    showCaption();
    game->SetUpGame(1);  // EASY
    game->StartScenario(playing);
  };
  GameWindowHooks hooks;
  hooks.opened = [&](Fom& fom, platform::EventLoop&) {
    game = &fom;
    platform::setProblemListener([&](const std::string& message) {
      ++problems;
      lastProblem = message;
      showCaption();
    });
    fom.trace = [&](std::string_view what, std::string_view detail) {
      if (what == "scenario" && named.empty()) {
        playing = detail;
        showCaption();
      }
    };
    takeF5(fom, [&] {
      if (!playing.empty()) play();
    });
  };
  hooks.loaded = [&](Fom&) { showCaption(); };  // start-up has started the music, as in the game
  hooks.shown = [&](Fom&) {
    if (!playing.empty()) play();
  };
  const int status = runGameWindow("lanternfall-preview", hooks);
  platform::setProblemListener(nullptr);
  return status;
}

}  // namespace

int toolMain(const std::vector<std::string>& args) {
  platform::setProblemProgram("lanternfall-preview");
  bool pages = false;
  std::vector<std::string> operands;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--version") {
      std::printf("lanternfall-preview %s\n", LANTERNFALL_VERSION);
      return 0;
    }
    if (a == "--pages") {
      pages = true;
    } else if (a.size() > 1 && a[0] == '-') {
      std::fprintf(stderr, "lanternfall-preview: unknown option %s\n%s", platform::printable(a).c_str(),
                   kUsage);
      return 2;
    } else {
      operands.emplace_back(a);
    }
  }
  // An empty SCENARIO names no file: "txt/.dat" is nobody's scenario.
  if (operands.empty() || operands.size() > 2 || (operands.size() == 2 && operands[1].empty())) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::error_code ec;
  const fs::path dir = fs::absolute(tools::pathFromUtf8(operands[0]), ec);
  if (ec || !fs::is_directory(dir, ec)) {
    std::fprintf(stderr, "lanternfall-preview: no content folder at %s\n",
                 platform::printable(operands[0]).c_str());
    return 2;
  }
  std::string name = operands.size() == 2 ? operands[1] : (pages ? "opn" : "");
  // An author may name the file rather than the scenario.
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".dat") == 0)
    name = tools::utf8FromPath(tools::pathFromUtf8(name).stem());
  if (!name.empty()) {
    const fs::path file = dir / "txt" / tools::pathFromUtf8(name + ".dat");
    if (!fs::is_regular_file(file, ec)) {
      std::fprintf(stderr, "lanternfall-preview: no scenario file at %s\n",
                   platform::printable(tools::utf8FromPath(file)).c_str());
      return 2;
    }
  }
  // The title bar names problems in the scenario's own words. X11 sets a window name beyond ASCII only
  // in a UTF-8 locale; the game itself, whose caption is ASCII, never needs one.
  const char* ctype = std::setlocale(LC_CTYPE, "");
  if (!ctype || (!std::strstr(ctype, "UTF-8") && !std::strstr(ctype, "utf8")))
    std::setlocale(LC_CTYPE, "C.UTF-8");
  platform::setAppPath(tools::utf8FromPath(dir.lexically_normal()));
  return pages ? printPages(name) : runWindow(name);
}
