// Page, run, end and picture findings from the game's own play of a scenario.
#include "tools/lint/scenario_play.h"

#include <algorithm>
#include <optional>

#include "platform/text_measure.h"
#include "script/scenario_syntax.h"

namespace lint {

namespace {

using Kind = script::LineKind;

// A row longer than this cannot fit the picture whatever its characters: it is measured no further.
constexpr size_t kMeasuredRowBytes = 4096;

class ScenarioPlay final : public GameObserver {
 public:
  ScenarioPlay(Fom& fom, const ScenarioFile& s, PictureChecks& pictures, RowMeasure& rows, Report& report)
      : fom_(fom), s_(s), pictures_(pictures), rows_(rows), report_(report) {
    pictures_.pictureFolder(fom_.ImgDir);
  }

  void line(int64_t no, std::string_view text) override {
    finishLine();
    const Kind kind = script::classifyLine(text);
    pending_ = Pending{no, kind, text.empty(), script::isStopLine(fom_.CurrentLine)};
    pictures_.at(s_.file, std::min(no, s_.lineCount));
    if (kind == Kind::Run && !runLine_)
      runLine_ = RunLine{no, std::string(script::afterCommandWord(text, kind))};
  }
  void picture(std::string_view name) override { pictures_.picture(name); }
  void decoded(const std::string& path, const platform::DecodedPicture* picture,
               const std::string& error) override {
    pictures_.decoded(path, picture, error);
  }
  void problem(const std::string& message) override;
  void ended(bool toTitle) override;
  void actionStarted() override {
    runLine_.reset();
    pictures_.actionStarted();
  }
  void actionDone() override { finishLine(); }

 private:
  void finishLine();
  int64_t lineNo() const { return pending_ ? pending_->no : 0; }

  struct Pending {
    int64_t no;
    Kind kind;
    bool empty;
    bool nextIsStop;  // the game's read-ahead was a stop line when it took this one
  };
  struct RunLine {
    int64_t no;
    std::string count;
  };
  Fom& fom_;
  const ScenarioFile& s_;
  PictureChecks& pictures_;
  RowMeasure& rows_;
  Report& report_;
  std::optional<Pending> pending_;
  std::optional<RunLine> runLine_;  // the first run line the current click or tick took
};

// A text row, once its line has had its effect: the page as the game holds it says whether the row ended
// the page (with "▼") and how the row is drawn.
void ScenarioPlay::finishLine() {
  if (!pending_ || pending_->kind != Kind::Text) {
    pending_.reset();
    return;
  }
  const Pending p = *pending_;
  pending_.reset();
  const bool pageEnd = fom_.PageMark == script::kPageMark;
  if (p.empty) {
    if (p.nextIsStop && p.no > 1)
      report_.warning(s_.file, p.no, "empty-line findings",
                      "an empty line before a stop line: the line before it does not wait, and the page may "
                      "turn before the player has read it");
    else if (pageEnd)
      report_.warning(s_.file, p.no, "empty-line findings",
                      "an empty line fills the page: the next row opens a new page and waits for a click "
                      "without \"▼\"");
    return;
  }
  const std::string& page = fom_.lbl[0].Caption();
  const size_t rowAt = page.rfind("\r\n");
  std::string_view row(page);
  row.remove_prefix(rowAt == std::string::npos ? 0 : rowAt + 2);
  if (std::string wraps = rows_.wraps(row); !wraps.empty())
    report_.warning(s_.file, p.no, "rows that wrap", wraps);
}

void ScenarioPlay::problem(const std::string& message) {
  if (pictures_.problem(message)) return;
  // What the line checks and the title check (at start-up) name already, in the author's terms.
  for (const char* named : {": run count \"", "not Shift-JIS text", "cannot show the title picture"}) {
    if (message.find(named) != std::string::npos) return;
  }
  report_.warning(s_.file, std::min(lineNo(), s_.lineCount), "other problems the game names",
                  "the game says: " + message);
}

// The line that ended the scenario is the interpreter's; a run whose step took it was still open, as a run
// takes all its steps within the click or tick that meets it.
void ScenarioPlay::ended(bool toTitle) {
  const int64_t endNo = lineNo();
  if (endNo > 0 && endNo < s_.lineCount)
    report_.error(s_.file, endNo + 1, "lines after the end",
                  std::to_string(s_.lineCount - endNo) + " line(s) after the end command on line " +
                      std::to_string(endNo) + " are never read");
  if (s_.isEnding && !toTitle)
    report_.warning(s_.file, std::clamp<int64_t>(endNo, 1, s_.lineCount), "ending findings",
                    "the ending does not end with \">end\": the game would hand back to the wish simulation "
                    "and play the ending again");
  if (runLine_)
    report_.error(s_.file, runLine_->no, "runs that reach the end",
                  "the run of " + runLine_->count +
                      " step(s) reaches the end of the scenario; its steps must lie before the end");
}

}  // namespace

RowMeasure::RowMeasure(Fom& fom) : widthPx_(fom.lbl[0].clientWidthPx()) {
  const platform::Label& label = fom.lbl[0];
  measure_ = std::make_unique<platform::TextMeasure>(label.FontName(), label.FontBold(), label.FontSize());
}

RowMeasure::~RowMeasure() = default;

std::string RowMeasure::problem() const { return measure_->ok() ? "" : measure_->error(); }

std::string RowMeasure::wraps(std::string_view row) {
  if (!measure_->ok()) return "";
  const bool cut = row.size() > kMeasuredRowBytes;
  if (cut) row = row.substr(0, kMeasuredRowBytes);
  if (measure_->lineCount(row, widthPx_) <= 1) return "";
  return std::string("the row is ") + (cut ? "more than " : "") +
         std::to_string(static_cast<int>(measure_->width(row))) +
         " pixels wide and wraps on the scene picture (" + std::to_string(static_cast<int>(widthPx_)) +
         " pixels at a 1024 x 768 screen)";
}

void checkScenarioPlay(GameRun& game, const ScenarioFile& scenario, PictureChecks& pictures, RowMeasure& rows,
                       Report& report) {
  ScenarioPlay play(game.fom(), scenario, pictures, rows, report);
  // Each line takes a click or a tick at most, and a refused tick is followed by a click.
  const int64_t maxActions = 2 * scenario.lineCount + 16;
  if (!game.play(scenario.name, play, maxActions))
    report.error(scenario.file, 0, "scenarios that do not end",
                 "the game did not reach the scenario's end within " + std::to_string(maxActions) +
                     " clicks and ticks");
}

}  // namespace lint
