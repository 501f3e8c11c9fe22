// The day clock: one TimDay tick is one game day. It weakens the leaf, counts the day in lblDay, ends the
// game at the day limit or after all eighteen events, and otherwise starts her or his next event.
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/fom.h"
#include "platform/runtime/app.h"

namespace {

constexpr int16_t kLeafDecayPerDay = 10;
constexpr int kLeafThreshold = 100;  // the option hint says 50; the game has always asked for 100
constexpr int kCharacterThreshold = 205;
constexpr int kEventsPerCharacter = 9;

// The caption as the whole number it always holds in play. Anything else counts as day 0 and is
// reported, so a stray caption restarts the count instead of stopping the game.
long dayFromCaption(std::string_view caption) {
  while (!caption.empty() && caption.front() == ' ') caption.remove_prefix(1);
  while (!caption.empty() && caption.back() == ' ') caption.remove_suffix(1);
  long day = 0;
  const auto [end, ec] = std::from_chars(caption.data(), caption.data() + caption.size(), day);
  if (caption.empty() || ec != std::errc() || end != caption.data() + caption.size()) {
    platform::reportProblem("the day label does not hold a day number: \"" + std::string(caption) + "\"");
    return 0;
  }
  return day;
}

}  // namespace

void Fom::TimDay_Timer() {
  // The leaf loses its day's strength before the event test, so an event needs 110 going in.
  ApplyWishDelta(2, -kLeafDecayPerDay);

  const long day = dayFromCaption(lblDay.Caption()) + 1;
  lblDay.setCaption(std::to_string(day));

  // The last day ends the game even when an event would be due.
  if (day >= DayLimit || (EventCount[0] >= kEventsPerCharacter && EventCount[1] >= kEventsPerCharacter)) {
    PlayEnding();
    return;
  }

  if (WishPower[2] < kLeafThreshold) return;
  // Her before him; at most one event a day.
  for (int index = 0; index <= 1; ++index) {
    if (EventCount[index] < kEventsPerCharacter && WishPower[index] >= kCharacterThreshold) {
      // "03" is her fourth event, "18" his ninth.
      StartScenario(std::to_string(index) + std::to_string(EventCount[index]));
      ++EventCount[index];
      return;
    }
  }
}

void Fom::PlayEnding() {
  if (EventCount[0] < kEventsPerCharacter || EventCount[1] < kEventsPerCharacter) {
    StartScenario("badend");
  } else {
    StartScenario("end");
  }
}
