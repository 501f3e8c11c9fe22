// mciSendStringA rebuilt: the command-string parser, the alias table and the replies of the Windows
// media control interface, for the one kind of device the game opens, the MIDI sequencer.
// Runs on the user-interface thread only; the devices do their own locking against the audio thread.
#include "platform/media/mci.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/media/mci_words.h"
#include "platform/media/sequencer.h"
#include "platform/media/text_file.h"

namespace platform {
namespace {

struct Device {
  std::string alias;  // as given; compared without regard to case
  std::unique_ptr<Sequencer> sequencer;
};

struct MciState {
  std::vector<Device> devices;
  AudioSink sink = AudioSink::Device;
  std::string soundFont = "/usr/share/sounds/sf2/default-GM.sf2";
  bool recording = false;
  std::vector<std::string> recorded;
  std::vector<const char*> recordedView;
  int64_t offlineRemainderMs1000 = 0;  // fraction of a frame carried between offline renders
  float offlinePeak = 0.0f;
};

MciState& state() {
  static MciState s;
  return s;
}

bool sameName(const std::string& a, const std::string& b) { return sameMciWord(a, b.c_str()); }

bool parseInteger(const std::string& s, int64_t* value) {
  if (s.empty() || s.size() > 12) return false;
  int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *value = v;
  return true;
}

Device* findDevice(const std::string& alias) {
  for (Device& d : state().devices) {
    if (sameName(d.alias, alias)) return &d;
  }
  return nullptr;
}

const char* modeText(Sequencer::Mode m) {
  switch (m) {
    case Sequencer::Mode::NotReady:
      return "not ready";
    case Sequencer::Mode::Stopped:
      return "stopped";
    case Sequencer::Mode::Playing:
      return "playing";
    case Sequencer::Mode::Paused:
      return "paused";
  }
  return "not ready";
}

uint32_t openErrorCode(Sequencer::OpenError e) {
  switch (e) {
    case Sequencer::OpenError::None:
      return 0;
    case Sequencer::OpenError::FileNotFound:
      return kMciErrFileNotFound;
    case Sequencer::OpenError::InvalidFile:
      return kMciErrInvalidFile;
    case Sequencer::OpenError::NoSynthesizer:
      return kMciErrCannotLoadDriver;
  }
  return kMciErrCannotLoadDriver;
}

uint32_t openCommand(const std::vector<MciWord>& t) {
  if (t.size() < 2) return kMciErrMissingDeviceName;
  const std::string path = t[1].text;
  std::string alias = path;  // without an alias the element name addresses the device
  std::optional<std::string> type;
  for (size_t i = 2; i < t.size(); ++i) {
    const std::string& w = t[i].text;
    if (sameMciWord(w, "alias") || sameMciWord(w, "type")) {
      if (i + 1 >= t.size()) return kMciErrMissingParameter;
      (sameMciWord(w, "alias") ? alias : type.emplace()) = t[++i].text;
    } else if (!sameMciWord(w, "notify") && !sameMciWord(w, "wait") && !sameMciWord(w, "shareable")) {
      return kMciErrUnrecognizedKeyword;
    }
  }
  if (findDevice(alias)) return kMciErrDuplicateAlias;
  if (type) {
    if (!sameMciWord(*type, "sequencer")) return kMciErrCannotLoadDriver;
  } else if (!hasMidiExtension(path)) {
    return kMciErrExtensionNotFound;
  }
  std::unique_ptr<Sequencer> seq;
  const auto output =
      state().sink == AudioSink::Device ? Sequencer::Output::Device : Sequencer::Output::Offline;
  const uint32_t rc = openErrorCode(Sequencer::open(path, output, state().soundFont, &seq));
  if (rc != 0) return rc;
  state().devices.push_back(Device{alias, std::move(seq)});
  return 0;
}

uint32_t playCommand(Sequencer& seq, const std::vector<std::string>& words) {
  int64_t from = -1;
  for (size_t i = 0; i < words.size(); ++i) {
    if (!sameMciWord(words[i], "from")) return kMciErrUnrecognizedKeyword;
    if (i + 1 >= words.size()) return kMciErrMissingParameter;
    if (!parseInteger(words[++i], &from)) return kMciErrBadInteger;
  }
  seq.play(from);
  return 0;
}

uint32_t seekCommand(Sequencer& seq, const std::vector<std::string>& words) {
  if (words.size() != 2 || !sameMciWord(words[0], "to")) {
    return words.empty() || (words.size() == 1 && sameMciWord(words[0], "to")) ? kMciErrMissingParameter
                                                                               : kMciErrUnrecognizedKeyword;
  }
  int64_t ms = 0;
  if (sameMciWord(words[1], "end")) {
    ms = seq.lengthMs();
  } else if (!sameMciWord(words[1], "start") && !parseInteger(words[1], &ms)) {
    return kMciErrBadInteger;
  }
  seq.seek(ms);
  return 0;
}

uint32_t statusCommand(Sequencer& seq, const std::vector<std::string>& words, std::string* reply) {
  if (words.empty()) return kMciErrMissingParameter;
  if (words.size() > 1) return kMciErrUnrecognizedKeyword;
  if (sameMciWord(words[0], "mode")) {
    *reply = modeText(seq.mode());
  } else if (sameMciWord(words[0], "ready")) {
    *reply = seq.ready() ? "true" : "false";
  } else if (sameMciWord(words[0], "position")) {
    *reply = std::to_string(seq.positionMs());
  } else if (sameMciWord(words[0], "length")) {
    *reply = std::to_string(seq.lengthMs());
  } else {
    return kMciErrUnrecognizedKeyword;
  }
  return 0;
}

// Every keyword after the device name must be one the verb knows; "notify" is accepted everywhere and,
// with no callback window, posts nothing.
uint32_t deviceCommand(const std::string& verb, const std::vector<MciWord>& t, std::string* reply) {
  if (t.size() < 2) return kMciErrMissingDeviceName;
  if (sameMciWord(verb, "close") && sameMciWord(t[1].text, "all")) {
    for (size_t i = 2; i < t.size(); ++i) {
      if (!sameMciWord(t[i].text, "notify") && !sameMciWord(t[i].text, "wait"))
        return kMciErrUnrecognizedKeyword;
    }
    mciCloseAll();
    return 0;
  }
  Device* d = findDevice(t[1].text);
  if (!d) return kMciErrInvalidDeviceName;
  Sequencer& seq = *d->sequencer;

  std::vector<std::string> words;
  for (size_t i = 2; i < t.size(); ++i) {
    if (!sameMciWord(t[i].text, "notify")) words.push_back(t[i].text);
  }

  if (sameMciWord(verb, "close")) {
    if (!words.empty() && !(words.size() == 1 && sameMciWord(words[0], "wait")))
      return kMciErrUnrecognizedKeyword;
    auto& devices = state().devices;
    devices.erase(std::find_if(devices.begin(), devices.end(), [d](const Device& x) { return &x == d; }));
    return 0;
  }
  if (sameMciWord(verb, "play")) return playCommand(seq, words);
  if (sameMciWord(verb, "seek")) return seekCommand(seq, words);
  if (sameMciWord(verb, "status")) return statusCommand(seq, words, reply);
  if (!words.empty()) return kMciErrUnrecognizedKeyword;
  if (sameMciWord(verb, "stop")) {
    seq.stop();
  } else if (sameMciWord(verb, "pause")) {
    seq.pause();
  } else {
    seq.resume();
  }
  return 0;
}

uint32_t execute(const std::string& commandUtf8, std::string* reply) {
  std::vector<MciWord> t;
  if (const uint32_t rc = splitMciWords(commandUtf8, &t)) return rc;
  if (t.empty()) return kMciErrMissingCommandString;
  const std::string& verb = t[0].text;
  if (t[0].quoted) return kMciErrUnrecognizedCommand;
  if (sameMciWord(verb, "open")) return openCommand(t);
  for (const char* v : {"close", "play", "seek", "status", "stop", "pause", "resume"}) {
    if (sameMciWord(verb, v)) return deviceCommand(verb, t, reply);
  }
  return kMciErrUnrecognizedCommand;
}

}  // namespace

void mciSetAudioSink(AudioSink sink) { state().sink = sink; }

void mciRenderOffline(int ms) {
  if (ms <= 0) return;
  // Frames are counted exactly over successive calls, so 100 calls of 10 ms play one second.
  MciState& s = state();
  const int64_t scaled = int64_t(ms) * Sequencer::kSampleRateHz + s.offlineRemainderMs1000;
  const int64_t frames = scaled / 1000;
  s.offlineRemainderMs1000 = scaled % 1000;
  s.offlinePeak = 0.0f;
  for (Device& d : s.devices) s.offlinePeak = std::max(s.offlinePeak, d.sequencer->renderOffline(frames));
}

float mciOfflinePeak() { return state().offlinePeak; }

void mciSetSoundFont(const char* path) { state().soundFont = path ? path : ""; }

void mciWaitReady() {
  for (Device& d : state().devices) d.sequencer->waitReady();
}

void mciCloseAll() { state().devices.clear(); }

void mciRecordCommands(bool on) { state().recording = on; }

const char* const* mciRecordedCommands(int* count) {
  MciState& s = state();
  s.recordedView.clear();
  for (const std::string& c : s.recorded) s.recordedView.push_back(c.c_str());
  if (count) *count = int(s.recordedView.size());
  return s.recordedView.data();
}

void mciClearRecordedCommands() {
  state().recorded.clear();
  state().recordedView.clear();
}

}  // namespace platform

uint32_t mciSendStringA(const char* command, char* reply, uint32_t replyLength, intptr_t callbackWindow) {
  // Notifications would go to callbackWindow; the game always passes 0, and nothing is posted.
  (void)callbackWindow;
  platform::MciState& s = platform::state();
  const std::string bytes = command ? command : "";
  if (s.recording) s.recorded.push_back(bytes);
  std::string answer;
  const uint32_t rc = platform::execute(platform::decodeCp932(bytes), &answer);
  // The reply, cut to the buffer with its terminating zero; on failure the buffer is not touched.
  if (rc == 0 && reply && replyLength > 0) {
    const size_t n = std::min<size_t>(answer.size(), replyLength - 1);
    std::memcpy(reply, answer.data(), n);
    reply[n] = '\0';
  }
  return rc;
}
