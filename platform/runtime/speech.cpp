// The installed speech backend, if any.
#include "platform/runtime/speech.h"

namespace platform {

namespace {
SpeechSink* gSink = nullptr;
}  // namespace

void setSpeechSink(SpeechSink* sink) { gSink = sink; }

void speak(std::string_view utf8, bool interrupt) {
  if (gSink && !utf8.empty()) gSink->say(utf8, interrupt);
}

void silenceSpeech() {
  if (gSink) gSink->silence();
}

}  // namespace platform
