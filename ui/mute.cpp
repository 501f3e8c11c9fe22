// M: the music silenced and restored for this run. It plays on unheard, so the loop keeps its time; the
// new state shows for a moment in the scene's corner (over the title too, where the music also plays).
#include "app/fom.h"
#include "platform/media/music_mute.h"

namespace {

// In the window's units: the scene's top-left corner, a little in from its edge.
constexpr float kMuteLeft = 0.1f;
constexpr float kMuteTop = 0.1f;
constexpr float kMuteWidth = 1.6f;
constexpr float kMuteHeight = 0.4f;

}  // namespace

void Fom::ToggleMute() {
  const bool muted = !platform::musicMuted();
  platform::setMusicMuted(muted);
  lblMute.setCaption(muted ? "BGM オフ" : "BGM オン");
  // The scene's own text size, whatever the window's height made it.
  lblMute.setFontName(lbl[0].FontName());
  lblMute.setFontSize(lbl[0].FontSize());
  lblMute.setBorderStyle(true);
  lblMute.setBackStyleOpaque(true);
  lblMute.Move(kMuteLeft, kMuteTop, kMuteWidth, kMuteHeight);
  lblMute.setVisible(true);
  // A second press within the moment shows its own state for the whole moment again.
  timMute.setEnabled(false);
  timMute.setEnabled(true);
  Speak(muted ? "BGM オフ" : "BGM オン", true);
}

void Fom::timMute_Timer() {
  lblMute.setVisible(false);
  timMute.setEnabled(false);
}

// The label lies over the text for its moment: a click there is a click on the text. (Over the title it
// takes the click, which cannot tell its button: the title is clicked again once the label is gone.)
void Fom::lblMute_Click() {
  if (!picStt.Visible() && lbl[0].effectivelyVisible()) lbl[0].Click();
}
