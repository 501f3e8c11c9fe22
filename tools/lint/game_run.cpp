// Playing the game headless for the checker.
#include "tools/lint/game_run.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "platform/media/image.h"
#include "platform/media/mci.h"
#include "platform/runtime/app.h"
#include "platform/runtime/event_loop.h"

namespace lint {

namespace {

constexpr int64_t kTickMs = 100;  // timSay's interval

// The decoder hook is a plain function: it reaches the observer through this.
GameObserver* gDecodeObserver = nullptr;

std::optional<platform::DecodedPicture> observedDecode(const std::string& path, int needWidth, int needHeight,
                                                       std::string* error) {
  std::string why;
  std::optional<platform::DecodedPicture> picture =
      platform::loadPictureFile(path, needWidth, needHeight, &why);
  if (gDecodeObserver) gDecodeObserver->decoded(path, picture ? &*picture : nullptr, why);
  if (error) *error = why;
  return picture;
}

// The game names its problems on stderr as well; the checker turns each into a finding, so the game's
// own lines would only say everything twice. Held away from stderr while the game runs.
class QuietStderr {
 public:
  QuietStderr() {
    std::fflush(stderr);
    saved_ = ::dup(2);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && null >= 0) ::dup2(null, 2);
    if (null >= 0) ::close(null);
  }
  ~QuietStderr() {
    std::fflush(stderr);
    if (saved_ >= 0) {
      ::dup2(saved_, 2);
      ::close(saved_);
    }
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int saved_ = -1;
};

}  // namespace

GameRun::GameRun(const std::string& folder, GameObserver& observer) {
  QuietStderr quiet;
  platform::mciSetAudioSink(platform::AudioSink::Offline);
  std::string appPath = folder;
  while (appPath.size() > 1 && appPath.back() == '/') appPath.pop_back();
  platform::setAppPath(appPath);
  loop_ = platform::EventLoop::manual();
  fom_ = std::make_unique<Fom>(*loop_);
  platform::setPictureDecoder(&observedDecode);
  watch(&observer);
  fom_->Me.Load();  // StartUp
  fom_->Me.Show();  // the layout, then the title
  // The music loop polls every millisecond and plays no part in how a scenario pages: a click or tick of
  // the checker should not cost a hundred polls.
  fom_->BgmTim.setEnabled(false);
  platform::flushProblems();
  watch(nullptr);
}

GameRun::~GameRun() {
  QuietStderr quiet;
  watch(nullptr);
  int16_t cancel = 0;
  fom_->ShutDown(cancel);
  platform::flushProblems();
  platform::installPictureDecoder();
}

void GameRun::watch(GameObserver* observer) {
  observer_ = observer;
  gDecodeObserver = observer;
  if (!observer) {
    fom_->trace = nullptr;
    fom_->lineTrace = nullptr;
    platform::setProblemListener(nullptr);
    return;
  }
  fom_->trace = [this](std::string_view what, std::string_view detail) {
    if (what == "picture") observer_->picture(detail);
    if (what == "wish" || what == "title") {
      ended_ = true;
      observer_->ended(what == "title");
    }
  };
  fom_->lineTrace = [this](int64_t no, std::string_view text) {
    ++linesThisAction_;
    observer_->line(no, text);
  };
  platform::setProblemListener([this](const std::string& message) { observer_->problem(message); });
}

// One click or tick, as the player (or the clock) gives it. A tick that takes no line is refused, as
// after a page end that a click has not answered: the game then waits for a click all the same.
void GameRun::act() {
  observer_->actionStarted();
  linesThisAction_ = 0;
  if (!fom_->timSay.Enabled()) {
    fom_->lbl[2].Click();
  } else {
    loop_->advance(kTickMs);
    if (!ended_ && linesThisAction_ == 0) fom_->lbl[2].Click();
  }
  observer_->actionDone();
  // Each action's problems are named afresh: the same missing picture on two pages is two findings.
  platform::flushProblems();
}

bool GameRun::play(const std::string& name, GameObserver& observer, int64_t maxActions) {
  QuietStderr quiet;
  watch(&observer);
  ended_ = false;
  fom_->SetUpGame(1);  // EASY
  observer_->actionStarted();
  fom_->StartScenario(name);
  observer_->actionDone();
  platform::flushProblems();
  for (int64_t n = 0; !ended_ && n < maxActions; ++n) act();
  watch(nullptr);
  return ended_;
}

}  // namespace lint
