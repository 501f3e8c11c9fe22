// The game itself, headless, as the checker plays it: the same Fom, interpreter and layout on the manual
// clock, with the music rendered offline, the pictures it decodes and the problems it names handed to an
// observer. Whatever depends on how the game plays a file is read from here, never worked out again.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/fom.h"
#include "platform/runtime/image.h"

namespace lint {

class GameObserver {
 public:
  virtual ~GameObserver() = default;
  // A line as the interpreter takes it, before its effects.
  virtual void line(int64_t /*no*/, std::string_view /*text*/) {}
  // A picture line's name, before the game loads it.
  virtual void picture(std::string_view /*name*/) {}
  // A file the game had decoded, at the size it asked for, and what came of it.
  virtual void decoded(const std::string& /*path*/, const platform::DecodedPicture* /*picture*/,
                       const std::string& /*error*/) {}
  virtual void problem(const std::string& /*message*/) {}
  // The scenario handed over: to the wish simulation, or back to the title.
  virtual void ended(bool /*toTitle*/) {}
  // A click or a tick is over: what it did is on screen.
  virtual void actionStarted() {}
  virtual void actionDone() {}
};

class GameRun {
 public:
  // Runs start-up on the content folder (a path as the author gave it): the music opens, the layout is
  // made for a 1024 × 768 screen and the title is shown, all seen by `observer`.
  GameRun(const std::string& folder, GameObserver& observer);
  ~GameRun();
  GameRun(const GameRun&) = delete;
  GameRun& operator=(const GameRun&) = delete;

  // Plays a scenario from its first line with the EASY settings, clicking where it waits and ticking
  // where it runs on, until it hands over or `maxActions` clicks and ticks have passed. False when it
  // did not end.
  bool play(const std::string& name, GameObserver& observer, int64_t maxActions);

  Fom& fom() { return *fom_; }

 private:
  void watch(GameObserver* observer);
  void act();

  std::unique_ptr<platform::EventLoop> loop_;
  std::unique_ptr<Fom> fom_;
  GameObserver* observer_ = nullptr;
  bool ended_ = false;
  int64_t linesThisAction_ = 0;
};

}  // namespace lint
