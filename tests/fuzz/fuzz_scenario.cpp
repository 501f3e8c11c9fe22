// Plays arbitrary bytes as the opening scenario of a game, under a sequence of ticks and clicks that the
// input also chooses: nothing the content or the player does may crash, leak, hang or read a closed file.
// Some inputs make the file's size lie: a sparse file past the size cap, or a link to procfs (size 0,
// endless bytes).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>

#include "app/fom.h"
#include "platform/media/text_file.h"
#include "platform/runtime/event_loop.h"
#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;

// One content folder for the whole fuzzing process; each input rewrites its opening scenario.
const fs::path& contentDir() {
  static const fs::path dir = [] {
    fs::path made = testing_support::processScratchFolder("lanternfall-fuzz");
    fs::create_directories(made / "txt");
    fs::create_directories(made / "img");
    return made;
  }();
  return dir;
}

// Fails the input on the one thing a sanitizer cannot see: a step that reads after the scenario ended.
void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "fuzz_scenario: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Byte 0 is the number of actions (0..47; from 240 on the size lies, as above), the next bytes the
  // actions, the rest the scenario file; a seed is any scenario file behind a short header of actions.
  const size_t wanted = size > 0 ? data[0] % 48 : 0;
  const size_t count = size > 1 ? std::min(wanted, size - 1) : 0;
  const std::string actions(reinterpret_cast<const char*>(data) + (size > 0 ? 1 : 0), count);
  const std::string scenario =
      size > 1 + count ? std::string(reinterpret_cast<const char*>(data) + 1 + count, size - 1 - count)
                       : std::string();
  const fs::path opening = contentDir() / "txt" / "opn.dat";
  std::error_code ec;
  fs::remove(opening, ec);
  if (size > 0 && data[0] == 255) {
    fs::create_symlink("/proc/self/pagemap", opening, ec);
  } else {
    std::ofstream(opening, std::ios::binary | std::ios::trunc) << scenario;
    // The scenario, then a hole that takes it past the size cap: refused by its size, never read.
    if (size > 0 && data[0] >= 240) fs::resize_file(opening, platform::kMaxScenarioFileBytes + 1, ec);
  }

  auto loop = platform::EventLoop::manual();
  auto fom = std::make_unique<Fom>(*loop);
  fom->BgmTim.setEnabled(false);  // the music has its own tests; here it would only slow each input
  fom->AppDir = contentDir().string() + "/";
  fom->ImgDir = fom->AppDir + "img/";
  fom->TxtDir = fom->AppDir + "txt/";
  bool ended = false;
  fom->trace = [&ended](std::string_view what, std::string_view) {
    if (what == "scenario") ended = false;
    if (what == "wish" || what == "title") ended = true;
  };

  // A new game, as from the title: EASY or HARD by the first action's low bit.
  const int16_t button = !actions.empty() && (actions[0] & 1) ? 2 : 1;
  fom->StartGame(button, 0, 0, 0);
  for (unsigned char a : actions) {
    if (a & 1) {
      fom->lbl[a % 3].Click();
    } else {
      loop->advance((a >> 1) *
                    10);  // up to 1.27 s: ticks of timSay, and of the wish timers after a hand-over
    }
    check(fom->LineCount <= 15, "line count past 15");
    if (ended) check(!platform::IsOpen(fom->ScriptFileNo), "scenario file open after its end");
  }
  fom.reset();
  loop.reset();
  platform::CloseAll();
  return 0;
}
