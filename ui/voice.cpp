// Speaking the game's text for players who cannot read the screen well: only while the player has
// turned it on.
#include "app/fom.h"
#include "platform/runtime/speech.h"

void Fom::Speak(std::string_view text, bool interrupt) {
  if (Voicing) platform::speak(text, interrupt);
}
