// The three wish powers (her, him, leaf): the one operation that changes them, the choice of which one
// the player wishes for, and the power tick that feeds the chosen one and drains all three.
#include <cstdint>
#include <string>

#include "app/fom.h"
#include "platform/runtime/app.h"

namespace {
constexpr int kPowerMax = 255;
constexpr float kGrowthSpan = 30.0f;  // growth is 0..29 a tick, single precision as it always was
}  // namespace

void Fom::ApplyWishDelta(uint8_t index, int16_t amount) {
  if (index > 2) {
    platform::reportProblem("wish power index out of range: " + std::to_string(index));
    return;
  }
  // Summed wider than the old 16 bits so that no amount can wrap; every real caller is far inside them.
  const int sum = int{WishPower[index]} + int{amount};
  if (sum >= kPowerMax) {
    WishPower[index] = kPowerMax;
  } else if (sum > 0) {
    WishPower[index] = static_cast<uint8_t>(sum);
  } else {
    WishPower[index] = 0;
  }

  // Red her, green leaf, blue him. Both displays follow every call, changed or not.
  picStr.setBackColor(platform::rgb(WishPower[0], WishPower[2], WishPower[1]));
  lblStr.setCaption(std::to_string(WishPower[0]) + "/" + std::to_string(WishPower[1]) + "/" +
                    std::to_string(WishPower[2]));
}

void Fom::SelectWishTarget(int16_t index) {
  // Only the field: the powers and the displays wait for the next tick.
  WishTarget = static_cast<uint8_t>(index);
}

void Fom::timColor_Timer() {
  const float r = platform::Rnd();
  const auto growth = static_cast<int16_t>(r * kGrowthSpan);
  // Growth first, then each decay clamped on its own: a target near the top ends below 255.
  ApplyWishDelta(WishTarget, growth);
  ApplyWishDelta(0, static_cast<int16_t>(-2 * DrainStep));
  ApplyWishDelta(1, static_cast<int16_t>(-2 * DrainStep));
  ApplyWishDelta(2, static_cast<int16_t>(-DrainStep));
}
