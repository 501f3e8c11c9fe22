// Speaking the text aloud, heard through a speech sink that records what it is asked: each row once, in
// order, as it appears; a click on the text cuts off what is still being said; nothing while voicing is
// off.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/fom.h"
#include "platform/runtime/input.h"
#include "platform/runtime/speech.h"
#include "tests/support/game_harness.h"

using testing_support::HeadlessGame;
using testing_support::TestContent;

namespace {

using Said = std::pair<std::string, bool>;  // the text, and whether it cut off what was being said

class RecordingSink : public platform::SpeechSink {
 public:
  void say(std::string_view utf8, bool interrupt) override {
    said.emplace_back(std::string(utf8), interrupt);
  }
  void silence() override { said.emplace_back("", true); }
  std::vector<Said> said;
};

const char* const kTitleWords =
    "イージーモードはエンターキーか左クリック、ハードモードはHキーか右クリックで始まります";

class Voicing : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::setSpeechSink(&sink);
    content.scenario("opn", {"一行目", "", "二行目", ">p", "三行目", "tugi"});
    game = std::make_unique<HeadlessGame>(content);
    game->start();
  }
  void TearDown() override { platform::setSpeechSink(nullptr); }
  void press(int16_t key) { game->fom().Form_KeyDown(key, 0); }
  // From the title (left button) through the opening's three rows, at the pace a reader clicks.
  void readOpening() {
    game->pressTitle(platform::kLeftButton);
    game->advance(1000);  // the empty row and the second row come on the timer; the page ends there
    game->clickText();    // the next page
    game->advance(1000);
  }

  RecordingSink sink;
  TestContent content;
  std::unique_ptr<HeadlessGame> game;
};

}  // namespace

TEST_F(Voicing, OffSaysNothing) {
  readOpening();
  EXPECT_EQ(game->page(), "\n三行目▼");
  EXPECT_TRUE(sink.said.empty());
}

TEST_F(Voicing, EachRowOnceInOrderAndOnlyAClickCutsIn) {
  press('V');
  readOpening();
  const std::vector<Said> expected = {
      {"音声読み上げ オン", true},
      {kTitleWords, false},
      {"一行目", true},   // the title was clicked
      {"二行目", false},  // on the timer: after the first, and never the empty row
      {"三行目", true}};  // the player clicked on
  EXPECT_EQ(sink.said, expected);

  press('V');
  game->clickText();  // into the wish simulation
  const std::vector<Said> off = {{"音声読み上げ オフ", true}};
  EXPECT_EQ(std::vector<Said>(sink.said.begin() + 5, sink.said.end()), off);
}

TEST_F(Voicing, WishSimulationSaysTheChoiceAndOnRequestTheState) {
  readOpening();
  game->clickText();  // into the wish simulation
  press('V');
  sink.said.clear();
  game->fom().WishPower[0] = 12;
  game->fom().WishPower[1] = 3;
  game->fom().WishPower[2] = 50;
  game->clickOption(1);
  press('S');
  const std::vector<Said> expected = {{"彼を願う", true}, {"1日目。彼女 12。彼 3。葉っぱ 50。", true}};
  EXPECT_EQ(sink.said, expected);
}
