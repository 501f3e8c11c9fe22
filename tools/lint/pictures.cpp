// Findings on the pictures the game loads.
#include "tools/lint/pictures.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "ui/layout.h"

namespace fs = std::filesystem;

namespace lint {

namespace {

constexpr const char* kProblems = "picture problems";

std::string inQuotes(std::string_view s) { return "\"" + std::string(s) + "\""; }

std::string display(const std::string& path) { return fs::path(path).lexically_normal().string(); }

std::string lowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// Files beside the one the game asked for that differ from it only in extension or the case of the name:
// the author has the picture, in a form the game does not read.
std::string lookAlikeHint(const fs::path& wanted) {
  std::error_code ec;
  std::vector<std::string> found;
  const std::string stem = lowerAscii(wanted.stem().string());
  fs::directory_iterator it(wanted.parent_path(), ec), end;
  for (int seen = 0; !ec && it != end && found.size() < 3 && seen < 100000; it.increment(ec), ++seen) {
    if (it->path().filename() == wanted.filename()) continue;
    if (lowerAscii(it->path().stem().string()) == stem) found.push_back(it->path().filename().string());
  }
  if (found.empty()) return "";
  std::sort(found.begin(), found.end());
  std::string list;
  for (const std::string& f : found) list += (list.empty() ? "" : ", ") + f;
  return " (" + list + " is there, but the game reads only " + wanted.filename().string() +
         ": save the picture as JPEG under that name)";
}

}  // namespace

void PictureChecks::picture(std::string_view name) {
  name_ = name;
  active_ = true;
  path_.clear();
  error_.clear();
  decodedHere_ = false;
}

void PictureChecks::decoded(const std::string& path, const platform::DecodedPicture* picture,
                            const std::string& error) {
  if (!active_) return;  // the title, shown by an end command
  path_ = path;
  error_ = error;
  decodedHere_ = true;
  if (picture) checkShape("the picture " + inQuotes(name_), path, picture->width, picture->height, false);
}

// What the file the game asked for is, in the author's terms.
std::string PictureChecks::whatIsWrong(const std::string& path, const std::string& error) const {
  std::error_code ec;
  const fs::file_status link = fs::symlink_status(path, ec);
  if (!fs::exists(link)) return "is missing: " + display(path) + lookAlikeHint(path);
  const fs::file_status target = fs::status(path, ec);
  if (ec) return "cannot be opened: " + error;  // a link that leads nowhere, or round in a loop
  if (!fs::is_regular_file(target)) return "is not a regular file: " + display(path);
  if (error.find(", not a JPEG") != std::string::npos) return "is not a JPEG file: " + error;
  return "does not decode: " + error;
}

bool PictureChecks::problem(const std::string& message) {
  // The game's words: picture "NAME" not shown (...).
  if (!active_ || !message.starts_with("picture \"" + name_ + "\" not shown")) return false;
  if (!report_.shows(file_, kProblems)) {
    report_.error(file_, line_, kProblems, std::string());  // counted only
    return true;
  }
  std::string what;
  if (decodedHere_ && !error_.empty()) {
    what = whatIsWrong(path_, error_);
  } else {
    // Refused before any file was read: the game's reason is all there is.
    what = "is not shown" + message.substr(20 + name_.size());  // " (reason)"
  }
  if (!name_.empty() && name_.back() == ' ') what += " (the name ends in a space)";
  report_.error(file_, line_, kProblems, "the picture " + inQuotes(name_) + " " + what);
  return true;
}

void PictureChecks::title(const std::string& path, const platform::DecodedPicture* picture,
                          const std::string& error) {
  const std::string file = display(path);
  if (!picture) {
    report_.error(file, 0, kProblems, "the title picture " + whatIsWrong(path, error));
    return;
  }
  checkShape("the title picture", path, picture->width, picture->height, true);
}

// The title fills the 4:3 play area, a scene picture the square beside the options: any other shape is
// stretched to fit, which the author may not mean.
void PictureChecks::checkShape(const std::string& what, const std::string& path, int width, int height,
                               bool title) {
  const double w = width, h = height;
  const double wantW = title ? ui::kTitleWidth : ui::kSceneSize;
  const double wantH = title ? ui::kTitleHeight : ui::kSceneSize;
  if (h <= 0 || std::abs(w * wantH - h * wantW) <= 0.01 * h * wantW) return;
  if (!shapeNamed_.insert((title ? "title " : "scene ") + path).second) return;
  report_.warning(title ? display(path) : file_, title ? 0 : line_, "picture shapes",
                  what + " is " + std::to_string(width) + " x " + std::to_string(height) + " pixels, not " +
                      (title ? "4:3" : "square") + ": it is shown stretched to the " +
                      (title ? "4:3 play area" : "square scene"));
}

}  // namespace lint
