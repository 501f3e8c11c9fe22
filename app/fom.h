// fom, the game's one window: its controls, the game state record, and every operation of the game.
// Each operation is defined in the file of its subsystem (app/, ui/, script/, sim/, audio/).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/event_loop.h"
#include "platform/runtime/form.h"
#include "platform/runtime/label.h"
#include "platform/runtime/option_button.h"
#include "platform/runtime/picture_box.h"
#include "platform/runtime/shade.h"
#include "platform/runtime/timer.h"
#include "ui/page_history.h"

class Fom {
 public:
  // Creates the window with its control set in the initial state and wires the notifications to the
  // handlers below (ui/controls.cpp). BgmTim ticks from here on.
  explicit Fom(platform::EventLoop& loop);
  ~Fom();
  Fom(const Fom&) = delete;
  Fom& operator=(const Fom&) = delete;

  // ---- Controls, back to front within each parent ----
  platform::Form Me;
  platform::PictureBox picStr;
  platform::PictureBox Pic;
  platform::Label lbl[3];
  platform::PictureBox E;
  platform::Label lblDay;
  platform::Label lblStr;
  platform::OptionButton optChar[3];
  // The text history, over everything but the title; hidden until the player opens it (ui/history.cpp).
  platform::Shade histShade;
  platform::Label histLbl[3];   // the page in view, with the scene text's look
  platform::Label histPos;      // which page of how many
  platform::PictureBox picStt;  // in front of everything but lblMute
  platform::Label lblMute;      // the music's state, for a moment after M, in the scene's corner
  platform::Timer timSay;
  platform::Timer timColor;
  platform::Timer TimDay;
  platform::Timer BgmTim;
  platform::Timer timMute;  // hides lblMute

  // ---- The game state record ----
  std::string AppDir;        // ends in exactly one separator
  std::string ImgDir;        // AppDir & "img/"
  std::string TxtDir;        // AppDir & "txt/"
  int16_t ScriptFileNo = 0;  // keeps the number after the file is closed
  uint8_t LineCount = 0;     // text lines on the current page, 0..15
  std::string CurrentLine;   // the line read ahead; "tugi" once the file is at its end
  std::string PageMark;      // "" or "▼"; carries over from one scenario to the next
  uint8_t EventCount[2] = {0, 0};
  uint8_t WishPower[3] = {0, 0, 0};  // her, him, leaf
  uint8_t WishTarget = 0;
  uint8_t DayLimit = 0;
  int16_t DrainStep = 0;

  // ---- Window events (app/startup.cpp, ui/layout.cpp, sim/title.cpp) ----
  void StartUp();                                      // load
  void ShutDown(int16_t& Cancel);                      // unload
  void LayoutWindow();                                 // resize
  void ShowTitle();                                    // first activation, and ReturnToTitle
  void Form_KeyDown(int16_t& KeyCode, int16_t Shift);  // keys, before any control (ui/keyboard.cpp)
  void Form_KeyUp(int16_t& KeyCode, int16_t Shift);

  // ---- Pictures (ui/pictures.cpp) ----
  void ShowPicture(const std::string& name);
  void PaintFromBuffer(platform::PictureBox& target);

  // ---- Scenario interpreter (script/interpreter.cpp) ----
  void StartScenario(const std::string& name);
  void StepScript();
  void ShowText(const std::string& text, bool visible);
  void lbl_Click(int16_t Index);
  void timSay_Timer();
  void EnterWishMode();
  void ReturnToTitle();

  // ---- Wish simulation (sim/) ----
  void StartGame(int16_t Button, int16_t Shift, float X, float Y);
  // StartGame up to the opening: the difficulty's presets and the per-game state, the title hidden. The
  // preview runs it before starting the scenario an author names.
  void SetUpGame(int16_t Button);
  void ApplyWishDelta(uint8_t index, int16_t amount);
  void SelectWishTarget(int16_t index);
  void timColor_Timer();
  void TimDay_Timer();
  void PlayEnding();

  // ---- Reading comforts: the text history (ui/history.cpp) and fast-forward (script/fast_forward.cpp) ----
  ui::PageHistory History;  // the pages of this game, fed by ShowText
  // Over the scene, which stands still meanwhile: its timers are held and no input reaches its controls.
  // Opens on the page before the one on screen (on the last page when none is on screen); not on the
  // title, nor before anything was read.
  void OpenHistory();
  void CloseHistory();
  bool HistoryOpen() const { return historyAt_ >= 0; }
  // Older pages for negative steps; past the newest page it closes when closeAtEnd, else stays there.
  void ScrollHistory(int steps, bool closeAtEnd);
  void HistoryKeyDown(int16_t KeyCode);  // every key while the history is open
  void Form_MouseWheel(int16_t Steps, int16_t Shift, float X, float Y);
  void histShade_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
  // While Ctrl is held each tick of timSay is a click on the text, up to the scenario's end command.
  void StartFastForward();
  void StopFastForward();
  bool FastForwarding() const { return fastForward_; }

  // ---- Music loop (audio/poll_bgm.cpp) ----
  void PollBgm();

  // ---- Muting the music (ui/mute.cpp) ----
  void ToggleMute();  // M: the music on or off for this run, shown for a moment
  void timMute_Timer();
  void lblMute_Click();

  // ---- Speaking the text aloud (ui/voice.cpp) ----
  bool Voicing = false;  // for this run only: V turns it on and off
  // Speak text through the system's speech service while Voicing is on; interrupt cuts off what is
  // still being spoken.
  void Speak(std::string_view text, bool interrupt);
  void ToggleVoicing();                   // V, announced either way
  void SpeakRow(const std::string& row);  // a row of text as it appears
  void SpeakTitle();                      // how to start a game
  void SpeakChosenWish(int16_t index);    // an option button clicked
  void SpeakWishState();                  // S: the day and the three powers

  // What happened, for transcripts and tests: ("scenario", name), ("picture", name), ("wish", ""),
  // ("title", ""). Never needed by the game itself.
  std::function<void(std::string_view what, std::string_view detail)> trace;
  // Each scenario line as the interpreter takes it, before its effects (CurrentLine already holds the next):
  // its number in the file, from 1, the end the reader makes up after the last line counting as one more.
  // For the content checker, which names what it finds by line; never needed by the game itself.
  std::function<void(int64_t lineNo, std::string_view line)> lineTrace;

 private:
  void note(std::string_view what, std::string_view detail) const {
    if (trace) trace(what, detail);
  }

  // Pictures met within one step of the interpreter (ui/pictures.cpp). No frame is drawn inside a step,
  // so only the step's last picture can be seen: the pictures named are looked at as they come, and the
  // last is decoded and painted onto Pic once, when the step ends (or before the title takes E over).
  struct PictureStep;
  std::shared_ptr<PictureStep> pictureStep_;  // shared: its deleter lives where the type is complete
  void beginPictureStep();
  void finishPictureStep();  // decodes and paints what is pending; the step stays open
  void endPictureStep();
  void abandonPictureStep();                        // after a step stopped by a failure: nothing is painted
  bool pictureMayBeShown(const std::string& name);  // false: refused, named on stderr
  bool loadIntoBuffer(const std::string& name, const platform::PictureBox& shownIn);

  // The rules of one step (script/interpreter.cpp). What became of one line: the step is over, the next
  // line belongs to the same step (the line took no time), or the line began a run.
  enum class LineResult { StepOver, NextLineToo, Run };
  void takeStep(std::vector<int64_t>& runBounds);
  bool startRun(int64_t runCount, std::vector<int64_t>& runBounds);  // true: its first step follows
  bool countRunOn(std::vector<int64_t>& runBounds);                  // true: a run takes another step
  LineResult interpretLine(int64_t* runCount);
  LineResult showTextLine(const std::string& line);

  // Interpreter bookkeeping that keeps nested steps off the call stack (script/interpreter.cpp).
  int stepDepth_ = 0;
  int64_t pendingSteps_ = 0;
  // From StartScenario to the scenario's end command: the steps in between may read its file (or, when it
  // could not be opened, nothing). After the end no step reads a line until the next StartScenario.
  bool scriptRunning_ = false;
  int64_t lineNo_ = 0;  // the number of CurrentLine in the scenario file

  void showHistoryPage();
  int historyAt_ = -1;              // the page in view; -1 while the history is closed
  int16_t historyClosedByKey_ = 0;  // the key that closed it, whose repeats are not the game's
  bool sceneTextShown_[3] = {false, false, false};  // the labels' visibility, while the history hides them
  void fastForwardTick();
  bool fastForward_ = false;
  // Where fast-forward began: let go before it stepped, it leaves timSay as it found it.
  bool timSayBeforeFastForward_ = false;
  int64_t fastForwardFromLine_ = 0;
  // The player clicked the text on: the next row spoken cuts off what is still being said.
  bool rowCutsIn_ = false;
  // M, V and S, once per press (ui/keyboard.cpp): true when the key is one of them.
  bool switchKeyDown(int16_t KeyCode);
};
