// A whole content folder from a stranger (every scenario the game starts, the title and a scene
// picture, the music through the offline sink) played from start-up under clicks on the title and the
// text and ticks of the clock that the input chooses: no crash, leak, hang or runaway memory. The scene
// picture comes in several files ("a" to "h"), so that a step can name many distinct pictures.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "app/fom.h"
#include "platform/media/mci.h"
#include "platform/media/text_file.h"
#include "platform/runtime/app.h"
#include "platform/runtime/event_loop.h"
#include "tests/fuzz/content_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool once = [] {
    platform::mciSetAudioSink(platform::AudioSink::Offline);
    platform::setAppPath(fuzzing::folder().string());
    return true;
  }();
  (void)once;
  const std::string actions = fuzzing::unpack(data, size);
  // Copies, not links: each is a file of its own to the decoder and its cache.
  std::error_code ec;
  for (const char* name : {"b", "c", "d", "e", "f", "g", "h"}) {
    std::filesystem::copy_file(fuzzing::folder() / "img/a.jpg",
                               fuzzing::folder() / "img" / (std::string(name) + ".jpg"), ec);
  }

  auto loop = platform::EventLoop::manual();
  auto fom = std::make_unique<Fom>(*loop);
  fom->Me.Load();  // StartUp: the folders and the music
  fom->Me.Show();  // layout, then the title
  for (unsigned char a : actions.substr(0, 64)) {
    switch (a & 3) {
      case 0:
        if (fom->picStt.Visible() && fom->picStt.onMouseDown) fom->picStt.onMouseDown(a & 4 ? 2 : 1, 0, 0, 0);
        break;
      case 1:
        fom->lbl[(a >> 2) % 3].Click();
        break;
      case 2:
        fom->optChar[(a >> 2) % 3].Click();
        break;
      default:
        loop->advance((a >> 2) * 25);  // up to 1.6 s
        break;
    }
  }
  int16_t cancel = 0;
  fom->ShutDown(cancel);
  fom.reset();
  loop.reset();
  platform::mciCloseAll();
  platform::CloseAll();
  platform::resetEndForTesting();
  return 0;
}
