// A headless game for tests.
#include "tests/support/game_harness.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "platform/media/mci.h"
#include "platform/media/text_file.h"
#include "platform/runtime/app.h"

namespace fs = std::filesystem;

namespace testing_support {

fs::path testData(const std::string& relative) {
  const char* dir = std::getenv("LANTERNFALL_TEST_DATA");
  return fs::path(dir ? dir : "tests/data") / relative;
}

std::string utf8Path(const fs::path& path) {
  const std::u8string text = path.generic_u8string();
  return std::string(text.begin(), text.end());
}

TestContent::TestContent() {
  // A fresh folder of our own, whatever else runs beside this test.
  std::string pattern = (fs::temp_directory_path() / "lanternfall-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a scratch folder in " + pattern);
  root_ = pattern;
  fs::create_directories(root_ / "txt");
  fs::create_directories(root_ / "img");
}

TestContent::~TestContent() {
  std::error_code ec;
  fs::remove_all(root_, ec);
}

void TestContent::scenario(const std::string& name, const std::vector<std::string>& utf8Lines,
                           const std::string& eol, bool finalEol) {
  std::string bytes;
  for (size_t i = 0; i < utf8Lines.size(); ++i) {
    bytes += platform::encodeCp932(utf8Lines[i]);
    if (i + 1 < utf8Lines.size() || finalEol) bytes += eol;
  }
  rawScenario(name, bytes);
}

void TestContent::rawScenario(const std::string& name, const std::string& bytes) {
  std::ofstream out(root_ / "txt" / (name + ".dat"), std::ios::binary);
  out << bytes;
}

void TestContent::picture(const std::string& name, const std::string& dataName) {
  fs::copy_file(testData("img/" + dataName + ".jpg"), root_ / "img" / (name + ".jpg"),
                fs::copy_options::overwrite_existing);
}

void TestContent::rawPicture(const std::string& name, const std::string& bytes) {
  std::ofstream out(root_ / "img" / (name + ".jpg"), std::ios::binary);
  out << bytes;
}

void TestContent::bgm(const std::string& dataFile) {
  fs::copy_file(testData(dataFile), root_ / "bgm.mid", fs::copy_options::overwrite_existing);
}

void TestContent::remove(const std::string& relativePath) {
  std::error_code ec;
  fs::remove(root_ / relativePath, ec);
}

HeadlessGame::HeadlessGame(const TestContent& content) {
  platform::resetEndForTesting();
  platform::setProblemProgram("lanternfall");
  platform::mciSetAudioSink(platform::AudioSink::Offline);
  platform::setAppPath(content.root().string());
  loop_ = platform::EventLoop::manual();
  fom_ = std::make_unique<Fom>(*loop_);
  fom_->trace = [this](std::string_view what, std::string_view detail) {
    log_.push_back(std::string(what) + (detail.empty() ? "" : " ") + std::string(detail));
    if (what == "scenario") scenarios_.emplace_back(detail);
  };
}

HeadlessGame::~HeadlessGame() {
  platform::setRandomSourceForTesting(nullptr);
  platform::setAppPath("");
  platform::CloseAll();
  platform::mciCloseAll();
  platform::resetEndForTesting();
}

void HeadlessGame::start() {
  fom_->Me.Load();
  fom_->Me.Show();
}

void HeadlessGame::feedRandom(std::vector<float> values) {
  randoms_ = std::move(values);
  randomAt_ = 0;
  platform::setRandomSourceForTesting([this] {
    if (randoms_.empty()) return 0.0f;
    const float v = randoms_[std::min(randomAt_, randoms_.size() - 1)];
    ++randomAt_;
    return v;
  });
}

std::string HeadlessGame::page() const {
  std::string out;
  const std::string& c = fom_->lbl[2].Caption();
  for (size_t i = 0; i < c.size(); ++i) {
    if (c[i] == '\r' && i + 1 < c.size() && c[i + 1] == '\n') {
      out += '\n';
      ++i;
    } else {
      out += c[i];
    }
  }
  return out;
}

bool HeadlessGame::textShown() const { return fom_->lbl[0].Visible(); }

}  // namespace testing_support
