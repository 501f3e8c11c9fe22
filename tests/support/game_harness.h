// A headless game for tests: a temporary content folder, the window object on a manual clock, offline
// audio, and helpers to read what the player would see.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/fom.h"
#include "platform/runtime/event_loop.h"

namespace testing_support {

// A content folder laid out as beside the executable: txt/, img/, bgm.mid. Removed on destruction.
class TestContent {
 public:
  TestContent();
  ~TestContent();
  TestContent(const TestContent&) = delete;
  TestContent& operator=(const TestContent&) = delete;

  const std::filesystem::path& root() const { return root_; }
  // A scenario from UTF-8 lines, written as CP932 joined by eol (CR LF by default, no final terminator
  // unless finalEol).
  void scenario(const std::string& name, const std::vector<std::string>& utf8Lines,
                const std::string& eol = "\r\n", bool finalEol = true);
  // A scenario from raw bytes, written as they are.
  void rawScenario(const std::string& name, const std::string& bytes);
  // A picture copied from tests/data/img/<dataName>.jpg.
  void picture(const std::string& name, const std::string& dataName);
  void rawPicture(const std::string& name, const std::string& bytes);
  void bgm(const std::string& dataFile);  // copied from tests/data/
  void remove(const std::string& relativePath);

 private:
  std::filesystem::path root_;
};

// Path of a file under tests/data.
std::filesystem::path testData(const std::string& relative);
// A path as the game holds it: UTF-8 with "/" between folders, on every system (a path's own string()
// is in the ANSI code page on Windows).
std::string utf8Path(const std::filesystem::path& path);

// The window on a manual clock, its application folder pointing at a TestContent folder.
// Music goes to the offline sink; the random generator can be fed a fixed sequence.
class HeadlessGame {
 public:
  explicit HeadlessGame(const TestContent& content);
  ~HeadlessGame();

  platform::EventLoop& loop() { return *loop_; }
  Fom& fom() { return *fom_; }

  // Load (StartUp), then Show (layout and the first activation: the title).
  void start();
  void advance(int64_t ms) { loop_->advance(ms); }
  // Random draws come from this list in turn (then repeat its last value).
  void feedRandom(std::vector<float> values);

  // What the player reads: the caption of the top label, with CR LF shown as "\n".
  std::string page() const;
  bool textShown() const;  // labels visible
  // Scenarios started so far, in order (from Fom::trace).
  const std::vector<std::string>& scenariosStarted() const { return scenarios_; }
  const std::vector<std::string>& traceLog() const { return log_; }

  // Click the text (any label), the title with a mouse button, or an option button.
  void clickText() { fom_->lbl[2].Click(); }
  void pressTitle(int16_t button) {
    if (fom_->picStt.onMouseDown) fom_->picStt.onMouseDown(button, 0, 0, 0);
  }
  void clickOption(int index) { fom_->optChar[index].Click(); }

 private:
  std::unique_ptr<platform::EventLoop> loop_;
  std::unique_ptr<Fom> fom_;
  std::vector<std::string> scenarios_;
  std::vector<std::string> log_;
  std::vector<float> randoms_;
  size_t randomAt_ = 0;
};

}  // namespace testing_support
