// The window's load and unload: the asset folders, the music, the seed and the window's height at
// start-up; the scenario file, the music and the end of the program at shut-down.
#include <cstdint>

#include "app/fom.h"
#include "audio/shared_routines.h"
#include "platform/media/text_file.h"
#include "platform/runtime/app.h"
#include "ui/layout.h"

void Fom::StartUp() {
  AppDir = platform::AppPath();
  // Only the file-system root comes with its separator already; no folder gets a second one.
  if (AppDir.empty() || AppDir.back() != platform::kPathSeparator) AppDir += platform::kPathSeparator;
  ImgDir = AppDir + "img" + platform::kPathSeparator;
  TxtDir = AppDir + "txt" + platform::kPathSeparator;
  OpenBgm(AppDir + "bgm.mid");
  BgmLoop = -1;
  // Before the window is first shown, so the music plays from the title screen on.
  PlayBgm();
  platform::Randomize();
  // Division first, then the multiplication, in single precision, never rounded here: setting the
  // height runs the layout, which derives everything else from it.
  Me.setWindowHeight(ui::initialWindowHeight(static_cast<float>(Me.ScreenHeight())));
}

void Fom::ShutDown(int16_t& Cancel) {
  // Cancel is left alone: a close is never refused.
  (void)Cancel;
  // Number 0 before any scenario, or a file already closed: either way the close does nothing.
  platform::Close(ScriptFileNo);
  CloseBgm();
  platform::End();
}
