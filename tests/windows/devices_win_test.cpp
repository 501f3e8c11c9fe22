// The Windows ends of the reading comforts: a pad's readings as the game's keys, the music's mute through
// winmm, and SAPI's voice where the system has one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/media/music_mute.h"
#include "platform/media/system_speech.h"
#include "platform/runtime/input.h"
#include "platform/runtime/problems.h"
#include "platform/win32/xinput_pads.h"

namespace {

using platform::InputEvent;
using platform::PadReading;

struct Key {
  bool down;
  int16_t code;
  bool operator==(const Key&) const = default;
};
using Keys = std::vector<Key>;

Keys changes(const PadReading& before, const PadReading& after, bool* triggerDown) {
  std::vector<InputEvent> events;
  platform::padKeyChanges(before, after, triggerDown, &events);
  Keys keys;
  for (const InputEvent& e : events) keys.push_back(Key{e.type == InputEvent::Type::KeyDown, e.keyCode});
  return keys;
}

}  // namespace

TEST(WindowsPads, ButtonsAndTheTriggerAsTheGamesKeys) {
  constexpr uint16_t kA = 0x1000, kB = 0x2000, kStart = 0x0010, kDpadDown = 0x0002, kShoulder = 0x0200;
  bool trigger = false;
  EXPECT_EQ(changes({}, {kA, 0}, &trigger), (Keys{{true, platform::kPadA}}));
  EXPECT_EQ(changes({kA, 0}, {kB | kStart, 0}, &trigger),
            (Keys{{false, platform::kPadA}, {true, platform::kPadB}, {true, platform::kPadStart}}));
  EXPECT_EQ(changes({}, {kDpadDown, 0}, &trigger), (Keys{{true, platform::kKeyDown}}));
  EXPECT_TRUE(changes({}, {kShoulder, 0}, &trigger).empty());
  EXPECT_TRUE(changes({}, {0, 100}, &trigger).empty());
  EXPECT_EQ(changes({}, {0, 200}, &trigger), (Keys{{true, platform::kPadRightTrigger}}));
  EXPECT_TRUE(changes({}, {0, 100}, &trigger).empty());  // resting near the line does not chatter
  EXPECT_EQ(changes({}, {0, 10}, &trigger), (Keys{{false, platform::kPadRightTrigger}}));
}

TEST(WindowsPads, WithoutAPadNothingComesAndTheWaitIsLong) {
  platform::XInputPads pads;
  std::vector<InputEvent> events;
  pads.poll(0, &events);
  EXPECT_TRUE(events.empty());
  // Wine and a machine without pads: XInput answers that none is connected, so it is asked again only
  // after a few seconds (or never, where it is missing).
  const int64_t due = pads.dueInMs(0);
  EXPECT_TRUE(due == -1 || due >= platform::XInputPads::kPlugCheckMs) << due;
}

// Wine has no sound card here: what can be checked is that winmm takes the calls and the state holds.
TEST(WindowsMusic, MuteAndUnmuteReturn) {
  platform::setMusicMuted(true);
  EXPECT_TRUE(platform::musicMuted());
  platform::setMusicMuted(false);
  EXPECT_FALSE(platform::musicMuted());
}

// SAPI's voice is made, and requests return. Wine 8 makes the voice but refuses every Speak (E_NOTIMPL):
// there the refusal is named once, not per request. That a real Windows speaks the words is not checked.
TEST(WindowsSpeech, TheVoiceIsMadeAndARefusalIsNamedOnce) {
  std::vector<std::string> problems;
  platform::setProblemListener([&](const std::string& p) { problems.push_back(p); });
  std::unique_ptr<platform::SpeechSink> speech = platform::makeSystemSpeech();
  speech->say("一行目", false);
  speech->say("二行目 <b>", false);  // not markup
  speech->say("三行目", true);
  speech->silence();
  speech.reset();
  platform::flushProblems();
  platform::setProblemListener(nullptr);
  EXPECT_LE(problems.size(), 1u);
  for (const std::string& p : problems) EXPECT_NE(p.find("refuses"), std::string::npos) << p;
}
