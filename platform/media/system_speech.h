// The system's speech service as the program's speech sink: speech-dispatcher on Linux, SAPI on Windows.
// Made by the program at start-up and installed with setSpeechSink; it reaches the service only when
// first asked to speak, on a thread of its own, so that a player who never turns voicing on never waits
// for it, nor reads of its absence. Where no service answers, one line on stderr says so and nothing is
// spoken; requests never wait on the service.
#pragma once

#include <memory>

#include "platform/runtime/speech.h"

namespace platform {

std::unique_ptr<SpeechSink> makeSystemSpeech();

}  // namespace platform
