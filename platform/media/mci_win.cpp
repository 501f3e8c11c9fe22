// The media control interface on Windows: the game's mciSendStringA carried to winmm's own. The
// game's commands are CP932 text; they are decoded by the game's own rule and sent as UTF-16, so that a
// game folder named in Japanese opens on a Windows whose ANSI code page is not 932.
// winmm plays through the system's MIDI synthesizer and opens a file before it answers, so the sequencer's
// controls of the Linux build (its sink, its sound font, waiting for its start-up) have nothing to act on.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/media/mci.h"
#include "platform/media/mci_send_win.h"
#include "platform/media/mci_words.h"
#include "platform/media/music_file_check.h"
#include "platform/media/music_mute_win.h"
#include "platform/media/text_file.h"
#include "platform/runtime/utf16.h"

namespace platform {

namespace {

struct Recording {
  bool on = false;
  std::vector<std::string> commands;
  std::vector<const char*> view;
};

Recording& recording() {
  static Recording r;
  return r;
}

// How many of the first `limit` bytes of CP932 text can be kept without cutting a character in two.
size_t wholeCharacters(const std::string& cp932, size_t limit) {
  size_t i = 0;
  while (i < cp932.size()) {
    const auto c = static_cast<unsigned char>(cp932[i]);
    const size_t length = ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 2 : 1;
    if (i + length > limit) break;
    i += length;
  }
  return std::min(i, limit);
}

// A music file the game opens is looked at first, as on Linux: one no synthesizer could play (a flood of
// notes, a tempo of 0) never reaches the system's, and what is wrong is named. 0: winmm may open it.
uint32_t refuseUnplayableMusic(const std::string& utf8Command) {
  std::vector<MciWord> words;
  if (splitMciWords(utf8Command, &words) != 0 || words.size() < 2 || !sameMciWord(words[0].text, "open")) {
    return 0;
  }
  bool sequencer = hasMidiExtension(words[1].text);
  for (size_t i = 2; i + 1 < words.size(); ++i) {
    if (sameMciWord(words[i].text, "type")) sequencer = sameMciWord(words[i + 1].text, "sequencer");
  }
  if (!sequencer) return 0;
  switch (checkMusicFile(words[1].text)) {
    case MusicFileCheck::NotFound:
      return kMciErrFileNotFound;
    case MusicFileCheck::Invalid:
      return kMciErrInvalidFile;
    case MusicFileCheck::Playable:
      return 0;
  }
  return 0;
}

}  // namespace

void mciSetAudioSink(AudioSink) {}
void mciRenderOffline(int) {}
float mciOfflinePeak() { return 0.0f; }
void mciSetSoundFont(const char*) {}
void mciWaitReady() {}

void mciCloseAll() { sendMciCommand(L"close all", nullptr, 0, 0); }

void mciRecordCommands(bool on) { recording().on = on; }

const char* const* mciRecordedCommands(int* count) {
  Recording& r = recording();
  r.view.clear();
  for (const std::string& c : r.commands) r.view.push_back(c.c_str());
  if (count) *count = static_cast<int>(r.view.size());
  return r.view.data();
}

void mciClearRecordedCommands() {
  recording().commands.clear();
  recording().view.clear();
}

}  // namespace platform

uint32_t mciSendStringA(const char* command, char* reply, uint32_t replyLength, intptr_t callbackWindow) {
  const std::string bytes = command ? command : "";
  if (platform::recording().on) platform::recording().commands.push_back(bytes);
  const std::string utf8 = platform::decodeCp932(bytes);
  if (const uint32_t refused = platform::refuseUnplayableMusic(utf8)) return refused;
  const std::wstring wide = platform::wideFromUtf8(utf8);
  const bool wantReply = reply != nullptr && replyLength > 0;
  std::wstring answer;
  const uint32_t rc =
      platform::sendMciCommand(wide, wantReply ? &answer : nullptr, replyLength, callbackWindow);
  // A muted music stays muted when its loop starts again.
  if (rc == 0 && bytes.rfind("play ", 0) == 0) platform::applyMusicVolume();
  // The reply, cut to the buffer with its terminating zero; on failure the buffer is not touched.
  if (rc == 0 && wantReply) {
    const std::string text = platform::encodeCp932(platform::utf8FromWide(answer));
    const size_t n = platform::wholeCharacters(text, replyLength - 1);
    std::memcpy(reply, text.data(), n);
    reply[n] = '\0';
  }
  return rc;
}
