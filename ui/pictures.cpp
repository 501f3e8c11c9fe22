// Picture display: every picture is loaded into the hidden buffer E and stretch-painted from there over a
// whole picture box.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "app/fom.h"
#include "platform/runtime/app.h"
#include "platform/runtime/image.h"

namespace {

// What one step keeps of the files it met: pictures decoded (a few, for a step that goes back and forth
// between them) and files refused (each named again, which the problem log counts).
constexpr size_t kMaxStepPixels = size_t{32} << 20;
constexpr size_t kMaxStepRefusals = 4096;

// A name with a control character (a NUL above all, which would end the path early and so open some
// other file) is no picture name.
bool holdsControlCharacter(const std::string& name) {
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

}  // namespace

struct Fom::PictureStep {
  bool paintPending = false;
  std::string held;  // the file (identity and decode size) E took last in this step
  struct Decoded {
    std::shared_ptr<const platform::Image> pixels;
    int width;
    int height;
  };
  std::map<std::string, Decoded> decoded;
  size_t decodedPixels = 0;
  std::map<std::string, std::string> refused;
  std::unordered_map<std::string, std::string> keyOfPath;  // a path looked at once a step
};

Fom::~Fom() = default;

void Fom::beginPictureStep() { pictureStep_ = std::make_shared<PictureStep>(); }

void Fom::finishPictureStep() {
  if (!pictureStep_) return;
  pictureStep_->held.clear();
  if (!pictureStep_->paintPending) return;
  pictureStep_->paintPending = false;
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
    // Within a step the clear and the paint wait for its end: the same pixels, painted once.
    pictureStep_->paintPending = true;
    if (!name.empty()) loadIntoBuffer(name, Pic);
    return;
  }
  Pic.Cls();
  if (!name.empty()) loadIntoBuffer(name, Pic);
  PaintFromBuffer(Pic);
}

void Fom::loadIntoBuffer(const std::string& name, const platform::PictureBox& shownIn) {
  // E keeps the picture it held on any failure, and that one is shown instead: the scene stays readable.
  if (holdsControlCharacter(name)) {
    platform::reportProblem("picture \"" + name + "\" not shown: its name holds a control character");
    return;
  }
  // The name is used as the scenario wrote it: no trimming, so "a " loads "a .jpg". Read afresh every
  // time, except that one step decodes each file once.
  const std::string path = ImgDir + name + ".jpg";
  // The box's size now is the most the picture will be painted at, so E may hold it decoded at that.
  const int width = static_cast<int>(shownIn.clientWidthPx() + 0.5f);
  const int height = static_cast<int>(shownIn.clientHeightPx() + 0.5f);
  auto refuse = [&name](const std::string& error) {
    platform::reportProblem("picture \"" + name + "\" not shown (" + error + ")");
  };
  if (!pictureStep_) {
    std::string error;
    if (!E.LoadPicture(path, &error, width, height)) refuse(error);
    return;
  }
  PictureStep& step = *pictureStep_;
  // A file is told by what it is, not by its name ("./a" is "a"), and looked at once a step.
  auto known = step.keyOfPath.find(path);
  if (known == step.keyOfPath.end()) {
    const std::string identity = platform::pictureFileIdentity(path);
    std::string key = identity.empty()
                          ? "path " + path
                          : identity + "@" + std::to_string(width) + "x" + std::to_string(height);
    if (step.keyOfPath.size() >= kMaxStepRefusals) step.keyOfPath.clear();
    known = step.keyOfPath.emplace(path, std::move(key)).first;
  }
  const std::string& key = known->second;
  if (key == step.held) return;  // E holds this very file already
  if (auto it = step.refused.find(key); it != step.refused.end()) {
    refuse(it->second);
    return;
  }
  if (auto it = step.decoded.find(key); it != step.decoded.end()) {
    E.setPicture(it->second.pixels, it->second.width, it->second.height);
    step.held = key;
    return;
  }
  std::string error;
  std::optional<platform::DecodedPicture> picture = platform::decodePictureFile(path, width, height, &error);
  if (!picture) {
    if (step.refused.size() < kMaxStepRefusals) step.refused.emplace(key, error);
    refuse(error);
    return;
  }
  auto pixels = std::make_shared<const platform::Image>(std::move(picture->image));
  E.setPicture(pixels, picture->width, picture->height);
  step.held = key;
  if (step.decodedPixels + pixels->pixels.size() <= kMaxStepPixels) {
    step.decodedPixels += pixels->pixels.size();
    step.decoded.emplace(key, PictureStep::Decoded{pixels, picture->width, picture->height});
  }
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
