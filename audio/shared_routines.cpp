// 共用関数: the background-music routines and the globals the window's operations share with them.
// Every result of the media interface is ignored: without music the game simply runs silent.
#include "audio/shared_routines.h"

#include "platform/media/mci.h"
#include "platform/media/text_file.h"

int16_t BgmLoop = 0;
platform::Variant LoopVar;
platform::Variant RunVar;

void OpenBgm(const std::string& path) {
  // Fails harmlessly when nothing is open under the alias yet.
  mciSendStringA("close MIDI notify", nullptr, 0, 0);
  // Quoted, so that a folder with a space in its name opens; no type: the extension picks the sequencer.
  // The text goes out in the ANSI code page, as the old runtime converted it at the call, so a Japanese
  // folder name reaches the interface intact.
  const std::string command = platform::encodeCp932("open \"" + path + "\" alias MIDI");
  mciSendStringA(command.c_str(), nullptr, 0, 0);
}

void CloseBgm() { mciSendStringA("close MIDI notify", nullptr, 0, 0); }

void PlayBgm() {
  if (BgmLoop == -1) mciSendStringA("play MIDI notify", nullptr, 0, 0);
}
