// Speaking the game's text for players who cannot read the screen well: only while the player has
// turned it on. Rows are queued behind one another, so a page turn never cuts off a row still being
// spoken; only the player clicking on does.
#include <string>

#include "app/fom.h"
#include "platform/runtime/speech.h"

void Fom::Speak(std::string_view text, bool interrupt) {
  if (Voicing) platform::speak(text, interrupt);
}

void Fom::ToggleVoicing() {
  if (Voicing) {
    platform::speak("音声読み上げ オフ", true);
    Voicing = false;
    return;
  }
  Voicing = true;
  Speak("音声読み上げ オン", true);
  if (picStt.Visible()) SpeakTitle();
}

void Fom::SpeakRow(const std::string& row) {
  if (row.empty()) return;
  Speak(row, rowCutsIn_);
  rowCutsIn_ = false;
}

void Fom::SpeakTitle() {
  Speak("イージーモードはエンターキーか左クリック、ハードモードはHキーか右クリックで始まります", false);
}

void Fom::SpeakChosenWish(int16_t index) {
  if (index >= 0 && index < 3) Speak(optChar[index].Caption(), true);
}

void Fom::SpeakWishState() {
  if (picStt.Visible()) return;
  std::string text = lblDay.Caption() + "日目。";
  const char* const names[3] = {"彼女", "彼", "葉っぱ"};
  for (int i = 0; i < 3; ++i) text += std::string(names[i]) + " " + std::to_string(WishPower[i]) + "。";
  Speak(text, true);
}
