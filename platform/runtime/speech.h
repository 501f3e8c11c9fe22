// Speaking the game's text aloud, for players who cannot read the screen well. The game says what to
// speak and when; a backend (the system's speech service) says it. With no backend installed, or one
// whose service is not running, nothing is said and nothing waits.
#pragma once

#include <string_view>

namespace platform {

// What a speech backend does with one request, on the loop's thread. It must return at once: a service
// that is slow or gone may drop requests, never hold the game.
class SpeechSink {
 public:
  virtual ~SpeechSink() = default;
  // Speak utf8 after whatever is being spoken, or (interrupt) cut that off and speak this at once.
  virtual void say(std::string_view utf8, bool interrupt) = 0;
  // Stop speaking and forget what is queued.
  virtual void silence() = 0;
};

// The backend, installed by the program at start-up (nullptr: none, nothing is said). Not owned.
void setSpeechSink(SpeechSink* sink);
void speak(std::string_view utf8, bool interrupt);
void silenceSpeech();

}  // namespace platform
