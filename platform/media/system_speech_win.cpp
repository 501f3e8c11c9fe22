// The system's speech on Windows: SAPI's voice, made when the player first turns voicing on. Speaking is
// asynchronous (SPF_ASYNC), so a request returns at once; a cut-in purges what is queued and being said.
#include <windows.h>
// after windows.h
#include <sapi.h>

#include <cstdio>
#include <string>

#include "platform/media/system_speech.h"
#include "platform/runtime/problems.h"
#include "platform/runtime/utf16.h"

namespace platform {
namespace {

std::string hex(HRESULT code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(code));
  return text;
}

class SapiSink : public SpeechSink {
 public:
  ~SapiSink() override {
    if (voice_) {
      voice_->Speak(nullptr, SPF_PURGEBEFORESPEAK, nullptr);
      voice_->Release();
    }
    if (comStarted_) CoUninitialize();
  }

  void say(std::string_view utf8, bool interrupt) override {
    if (!ready()) return;
    const std::wstring text = wideFromUtf8(std::string(utf8));
    // The game's rows are plain text: a "<" is not the start of SAPI's markup.
    DWORD flags = SPF_ASYNC | SPF_IS_NOT_XML;
    if (interrupt) flags |= SPF_PURGEBEFORESPEAK;
    const HRESULT spoken = voice_->Speak(text.c_str(), flags, nullptr);
    if (FAILED(spoken) && !refusedNamed_) {
      refusedNamed_ = true;
      reportProblem("the text is not spoken: SAPI's voice refuses it (error " + hex(spoken) + ")");
    }
  }

  void silence() override {
    if (voice_) voice_->Speak(nullptr, SPF_ASYNC | SPF_PURGEBEFORESPEAK, nullptr);
  }

 private:
  bool ready() {
    if (tried_) return voice_ != nullptr;
    tried_ = true;
    // The window's thread may have COM already (pictures are decoded through it): either way it is usable.
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comStarted_ = SUCCEEDED(init);
    const HRESULT made = CoCreateInstance(__uuidof(SpVoice), nullptr, CLSCTX_ALL, __uuidof(ISpVoice),
                                          reinterpret_cast<void**>(&voice_));
    if (FAILED(made) || !voice_) {
      voice_ = nullptr;
      reportProblem("the text is not spoken: no speech voice (SAPI error " + hex(made) + ")");
    }
    return voice_ != nullptr;
  }

  ISpVoice* voice_ = nullptr;
  bool tried_ = false;
  bool comStarted_ = false;
  bool refusedNamed_ = false;  // a voice that refuses one request refuses them all: named once
};

}  // namespace

std::unique_ptr<SpeechSink> makeSystemSpeech() { return std::make_unique<SapiSink>(); }

}  // namespace platform
