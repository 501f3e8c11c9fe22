// A long session: a thousand whole games by random players in one running game, headless on the manual
// clock with the music device open. Every game must come back to the title, and memory must not grow.
// Meant for the sanitizer build as well (make asan), where leaks and memory errors end the run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "app/fom.h"
#include "platform/media/mci.h"
#include "platform/media/text_file.h"
#include "platform/runtime/app.h"
#include "tests/support/game_harness.h"
#include "tests/support/test_seed.h"

using testing_support::HeadlessGame;
using testing_support::TestContent;

#if defined(__SANITIZE_ADDRESS__)
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace {

constexpr int kGames = 1000;
constexpr int kWindow = 100;     // games compared at the start and at the end
constexpr int kSampleEvery = 1;  // games between two readings of memory
constexpr int64_t kMiB = 1024 * 1024;
// EASY's hundred days take 300 s of game time; a game still running after twice that never ends.
constexpr int64_t kGameLimitMs = 600'000;

int64_t residentBytes() {
  std::ifstream statm("/proc/self/statm");
  int64_t size = 0, resident = 0;
  statm >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

// Bytes the game holds in live blocks, for telling a leak from the allocator's own keeping.
int64_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return static_cast<int64_t>(__sanitizer_get_current_allocated_bytes());
#else
  return static_cast<int64_t>(mallinfo2().uordblks);
#endif
}

// A format-0 MIDI file of one quarter note at 120 beats a minute: half a second, so that it ends and the
// music poll restarts it many times over the session.
std::string tinyMidi() {
  const std::string track = std::string("\x00\x90\x3c\x64\x83\x60\x80\x3c\x00\x00\xff\x2f\x00", 13);
  return std::string("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x01\xe0", 14) + "MTrk" +
         std::string("\x00\x00\x00", 3) + static_cast<char>(track.size()) + track;
}

// Small scenarios that still use every kind of line: pictures, pages, runs, stops and both endings.
void writeStory(TestContent& content) {
  content.picture("ttl", "sim_title");
  content.picture("scene", "sim_scene");
  content.picture("red", "ui_red");
  content.scenario("opn",
                   {">img scene", "ひかりの森", "", "葉が揺れる", ">p", "--2", "一", "二", ">ive", "tugi"});
  for (const char* person : {"0", "1"}) {
    for (int n = 0; n < 9; ++n) {
      const std::string name = person + std::to_string(n);
      // One event in nine changes the picture: stretching pictures is the slowest thing the game does,
      // and a few per game are enough to exercise it.
      if (n == 4) {
        content.scenario(name, {">img red", "event " + name, ">p ", "続き", ">game"});
      } else {
        content.scenario(name, {"event " + name, ">p ", "続き", ">game"});
      }
    }
  }
  content.scenario("end", {">img red", "good end", "", "おわり", ">end"});
  content.scenario("badend", {">img scene", "bad end", "--3", "a", "b", "c", ">end"});
  std::ofstream(content.root() / "bgm.mid", std::ios::binary) << tinyMidi();
}

struct Session {
  int easy = 0, hard = 0, events = 0, goodEnds = 0, badEnds = 0;
  int64_t gameMs = 0;
};

}  // namespace

TEST(Soak, AThousandRandomGamesComeBackToTheTitleAndLeaveMemoryAsItWas) {
  std::mt19937 rng(testing_support::testSeed());
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  auto chance = [&](float p) { return unit(rng) < p; };

  TestContent content;
  writeStory(content);
  HeadlessGame game(content);
  Session session;
  // Counted here rather than logged by the harness, whose transcript would grow with every game and
  // hide the game's own memory behind it.
  game.fom().trace = [&session](std::string_view what, std::string_view detail) {
    if (what != "scenario") return;
    if (detail.size() == 2) session.events++;
    if (detail == "end") session.goodEnds++;
    if (detail == "badend") session.badEnds++;
  };
  // The game's own draws come from the same seeded generator, so the whole session repeats.
  platform::setRandomSourceForTesting([&] { return unit(rng); });
  game.start();
  platform::mciWaitReady();
  Fom& fom = game.fom();
  ASSERT_TRUE(fom.picStt.Visible());

  std::vector<int64_t> resident, heap;      // one reading every kSampleEvery games
  resident.reserve(kGames / kSampleEvery);  // reserved, so that the readings do not count as growth
  heap.reserve(kGames / kSampleEvery);
  for (int g = 0; g < kGames; ++g) {
    const int endingsBefore = session.goodEnds + session.badEnds;
    // A random button on the title: right is HARD, left and middle EASY. HARD four games in five: an
    // EASY game lasts ten times as long (a hundred days of 3 s, against thirty-one of 1 s).
    const bool hard = chance(0.8f);
    game.pressTitle(hard ? 2 : (chance(0.5f) ? 1 : 4));
    (hard ? session.hard : session.easy)++;
    // A player who clicks the text now and then, changes the wish now and then, and otherwise waits.
    const float clickRate = 0.1f + 0.8f * unit(rng);
    const float wishRate = 0.02f + 0.2f * unit(rng);
    // Half the players steer the wishes towards the stories; the rest wish at random.
    const bool devoted = chance(0.5f);
    const int64_t renderAtMs = std::uniform_int_distribution<int64_t>(0, 30'000)(rng);
    bool rendered = false;
    int64_t ms = 0;
    while (!fom.picStt.Visible() && ms < kGameLimitMs) {
      if (game.textShown() && chance(clickRate)) game.clickText();
      if (devoted && !game.textShown()) {
        // Keeps the leaf strong, then wishes for whoever's story comes next, reading the numbers.
        const int person = fom.EventCount[0] < 9 ? 0 : 1;
        const int want = fom.WishPower[2] < 180 || fom.WishPower[person] >= 230 ? 2 : person;
        if (fom.WishTarget != want && chance(wishRate * 4)) game.clickOption(want);
      } else if (chance(wishRate)) {
        game.clickOption(static_cast<int>(rng() % 3));
      }
      const int64_t wait = std::uniform_int_distribution<int64_t>(1, 400)(rng);
      game.advance(wait);
      ms += wait;
      if (!rendered && ms >= renderAtMs) {
        // The sound card plays past the tune's end once a game: the poll restarts it on its next tick.
        platform::mciRenderOffline(600);
        rendered = true;
      }
    }
    ASSERT_TRUE(fom.picStt.Visible()) << "game " << g + 1 << " did not come back to the title";
    ASSERT_FALSE(platform::IsOpen(fom.ScriptFileNo)) << "game " << g + 1 << " left its scenario open";
    ASSERT_FALSE(fom.TimDay.Enabled() || fom.timColor.Enabled()) << "game " << g + 1;
    ASSERT_EQ(session.goodEnds + session.badEnds, endingsBefore + 1)
        << "game " << g + 1 << ": one ending a game";
    session.gameMs += ms;
    if ((g + 1) % kSampleEvery == 0) {
      resident.push_back(residentBytes());
      heap.push_back(heapInUse());
    }
  }
  EXPECT_EQ(session.goodEnds + session.badEnds, kGames);
  EXPECT_GT(session.events, 0);

  // The peak of each window: the first hundred games include warming up (the allocator's pools, the
  // synthesizer's first samples), and a leak shows as the last hundred climbing above them.
  constexpr int kPerWindow = kWindow / kSampleEvery;
  auto peak = [](const std::vector<int64_t>& v, size_t from) {
    return *std::max_element(v.begin() + static_cast<long>(from),
                             v.begin() + static_cast<long>(from + kPerWindow));
  };
  auto mib = [](int64_t bytes) { return static_cast<double>(bytes) / kMiB; };
  std::printf("%d games (%d EASY, %d HARD), %d events, %d good and %d bad endings, %.1f h of game time\n",
              kGames, session.easy, session.hard, session.events, session.goodEnds, session.badEnds,
              static_cast<double>(session.gameMs) / 3.6e6);
  for (size_t w = 0; w < resident.size(); w += kPerWindow) {
    std::printf("  games %4zu-%4zu: resident peak %.2f MiB, heap in use at most %.2f MiB\n",
                w * kSampleEvery + 1, (w + kPerWindow) * kSampleEvery, mib(peak(resident, w)),
                mib(peak(heap, w)));
  }
  const size_t lastWindow = resident.size() - kPerWindow;
  EXPECT_LE(peak(heap, lastWindow) - peak(heap, 0), kMiB) << "the game's live memory grew";
#if defined(__SANITIZE_ADDRESS__)
  // Under the address sanitizer resident memory is mostly the sanitizer's: its quarantine of freed
  // blocks, its shadow and its bookkeeping move by a MiB or more over the session while the live heap
  // above stays put to the KiB. Its exact count of live bytes stands in; the plain build checks residency.
  std::printf(
      "resident memory is not compared in a sanitizer build (first hundred %.2f MiB, last %.2f MiB)\n",
      mib(peak(resident, 0)), mib(peak(resident, lastWindow)));
#else
  EXPECT_LE(peak(resident, lastWindow) - peak(resident, 0), kMiB) << "resident memory grew over the session";
#endif
}
