// Picture display: every picture is loaded into the hidden buffer E and stretch-painted from there over a
// whole picture box.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "app/fom.h"
#include "platform/media/content_file.h"
#include "platform/runtime/app.h"
#include "script/scenario_syntax.h"

namespace {

// Problems folded by kind on stderr: a step that names a million missing pictures writes a few lines.
constexpr std::string_view kRefusedNames = "refused picture names";
constexpr std::string_view kMissingPictures = "missing pictures";
constexpr std::string_view kPicturesNotShown = "pictures not shown";

// A step decodes the last picture it named; should that fail, the ones before it, latest first, as each
// would have left E holding it. A few are kept for that.
constexpr size_t kMaxStepCandidates = 4;
// Paths looked at once a step (a step that goes back and forth between a few files looks once at each).
constexpr size_t kMaxLookedPaths = 4096;
// A step that looks at more files than this lists their folders rather than asking for each file.
constexpr size_t kLooksBeforeListing = 16;

std::filesystem::path fileSystemPath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// What a picture file shows without being read: missing, or no file at all. Empty when it may be shown;
// its decoding may still fail.
std::string lookAt(const std::string& path, std::string_view* kind) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(fileSystemPath(path), error);
  if (error || !std::filesystem::exists(status)) {
    *kind = kMissingPictures;
    return path + ": " + (error ? error.message() : std::string("no such file"));
  }
  if (!std::filesystem::is_regular_file(status)) {
    *kind = kPicturesNotShown;
    const std::string what = platform::nonRegularKind(path);
    return path + ": is " + (what.empty() ? std::string("not a regular file") : what) + ", not a file";
  }
  return {};
}

// What the folders of a step's pictures hold, each listed once: a step that names a million missing
// pictures costs one listing, not a million lookups. A folder that cannot be listed, or holds more than
// anything a step could be spared to read, tells nothing; each of its files is then looked at itself.
class FolderListings {
 public:
  // True when the path's folder was listed and holds nothing of that name.
  bool knownMissing(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return false;
    const std::string folder = path.substr(0, slash + 1);
    auto listed = folders_.find(folder);
    if (listed == folders_.end()) {
      if (folders_.size() >= kMaxFolders) folders_.clear();
      listed = folders_.emplace(folder, list(folder)).first;
    }
    return listed->second && listed->second->count(path.substr(slash + 1)) == 0;
  }

 private:
  static constexpr size_t kMaxFolders = 256;
  static constexpr size_t kMaxListedNames = 65536;
  using Names = std::unordered_set<std::string>;

  static std::optional<Names> list(const std::string& folder) {
    std::error_code error;
    std::filesystem::directory_iterator entry(fileSystemPath(folder), error);
    if (error) return std::nullopt;
    Names names;
    for (; entry != std::filesystem::directory_iterator(); entry.increment(error)) {
      if (error || names.size() >= kMaxListedNames) return std::nullopt;
      const std::u8string name = entry->path().filename().u8string();
      names.emplace(name.begin(), name.end());
    }
    if (error) return std::nullopt;
    return names;
  }

  std::unordered_map<std::string, std::optional<Names>> folders_;
};

void reportNotShown(const std::string& name, const std::string& why, std::string_view kind) {
  platform::reportProblem("picture \"" + name + "\" not shown (" + why + ")", kind);
}

}  // namespace

// Pictures named within one step of the interpreter. No frame is drawn inside a step, so only what the
// step leaves in E can be seen: each name is looked at as it comes, and only the last is decoded.
struct Fom::PictureStep {
  bool paintPending = false;
  std::vector<std::string> candidates;  // different names that passed the look, latest last
  struct Look {
    std::string problem;
    std::string_view kind;
  };
  std::unordered_map<std::string, Look> looked;  // by path
  size_t looks = 0;
  FolderListings folders;
};

Fom::~Fom() = default;

void Fom::beginPictureStep() { pictureStep_ = std::make_shared<PictureStep>(); }

void Fom::finishPictureStep() {
  if (!pictureStep_ || !pictureStep_->paintPending) return;
  PictureStep& step = *pictureStep_;
  step.paintPending = false;
  std::vector<std::string> candidates = std::move(step.candidates);
  step.candidates.clear();
  for (auto name = candidates.rbegin(); name != candidates.rend(); ++name) {
    if (loadIntoBuffer(*name, Pic)) break;
  }
  Pic.Cls();
  PaintFromBuffer(Pic);
}

void Fom::endPictureStep() {
  finishPictureStep();
  pictureStep_.reset();
}

void Fom::abandonPictureStep() { pictureStep_.reset(); }

void Fom::ShowPicture(const std::string& name) {
  note("picture", name);
  if (pictureStep_) {
    // Within a step the clear, the load and the paint wait for its end: the same pixels, decoded once.
    pictureStep_->paintPending = true;
    if (!name.empty() && pictureMayBeShown(name)) {
      // Each name once, where it was last named: a file that fails to decode is tried once.
      std::vector<std::string>& candidates = pictureStep_->candidates;
      std::erase(candidates, name);
      if (candidates.size() == kMaxStepCandidates) candidates.erase(candidates.begin());
      candidates.push_back(name);
    }
    return;
  }
  Pic.Cls();
  if (!name.empty() && pictureMayBeShown(name)) loadIntoBuffer(name, Pic);
  PaintFromBuffer(Pic);
}

bool Fom::pictureMayBeShown(const std::string& name) {
  const std::string_view refusal = script::pictureNameRefusal(name);
  if (!refusal.empty()) {
    platform::reportProblem("picture \"" + name + "\" not shown: " + std::string(refusal), kRefusedNames);
    return false;
  }
  if (!pictureStep_) return true;  // the decoder says what is wrong with the file
  PictureStep& step = *pictureStep_;
  const std::string path = ImgDir + name + ".jpg";
  auto look = step.looked.find(path);
  if (look == step.looked.end()) {
    if (step.looked.size() >= kMaxLookedPaths) step.looked.clear();
    PictureStep::Look fresh;
    if (++step.looks > kLooksBeforeListing && step.folders.knownMissing(path)) {
      fresh.kind = kMissingPictures;
      fresh.problem = path + ": " + std::make_error_code(std::errc::no_such_file_or_directory).message();
    } else {
      fresh.problem = lookAt(path, &fresh.kind);
    }
    look = step.looked.emplace(path, std::move(fresh)).first;
  }
  if (look->second.problem.empty()) return true;
  reportNotShown(name, look->second.problem, look->second.kind);
  return false;
}

bool Fom::loadIntoBuffer(const std::string& name, const platform::PictureBox& shownIn) {
  // E keeps the picture it held on any failure, and that one is shown instead: the scene stays readable.
  // The name is used as the scenario wrote it: no trimming, so "a " loads "a .jpg", read afresh every
  // time. The box's size now is the most the picture will be painted at, so E may hold it decoded at that.
  const std::string path = ImgDir + name + ".jpg";
  std::string error;
  if (E.LoadPicture(path, &error, static_cast<int>(shownIn.clientWidthPx() + 0.5f),
                    static_cast<int>(shownIn.clientHeightPx() + 0.5f))) {
    return true;
  }
  reportNotShown(name, error, kPicturesNotShown);
  return false;
}

void Fom::PaintFromBuffer(platform::PictureBox& target) {
  // Both boxes stay in pixels afterwards; the labels over Pic keep their places, as they are kept in
  // pixels, and the next layout gives Pic its unit square again.
  target.setScaleModePixels();
  E.setScaleModePixels();
  if (!E.hasPicture()) {
    target.Cls();  // nothing was ever loaded: the box shows its background
    return;
  }
  target.PaintPicture(E, 0, 0, target.ScaleWidth(), target.ScaleHeight(), 0, 0, E.ScaleWidth(),
                      E.ScaleHeight());
}
