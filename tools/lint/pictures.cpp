// Findings on the pictures the game loads.
#include "tools/lint/pictures.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "tools/common/utf8_path.h"
#include "ui/layout.h"

namespace fs = std::filesystem;

namespace lint {

namespace {

constexpr const char* kProblems = "picture problems";

std::string inQuotes(std::string_view s) { return "\"" + std::string(s) + "\""; }

std::string display(const std::string& path) {
  return tools::utf8FromPath(tools::pathFromUtf8(path).lexically_normal());
}

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
  const std::string stem = lowerAscii(tools::utf8FromPath(wanted.stem()));
  fs::directory_iterator it(wanted.parent_path(), ec), end;
  for (int seen = 0; !ec && it != end && found.size() < 3 && seen < 100000; it.increment(ec), ++seen) {
    if (it->path().filename() == wanted.filename()) continue;
    if (lowerAscii(tools::utf8FromPath(it->path().stem())) == stem)
      found.push_back(tools::utf8FromPath(it->path().filename()));
  }
  if (found.empty()) return "";
  std::sort(found.begin(), found.end());
  std::string list;
  for (const std::string& f : found) list += (list.empty() ? "" : ", ") + f;
  return " (" + list + " is there, but the game reads only " + tools::utf8FromPath(wanted.filename()) +
         ": save the picture as JPEG under that name)";
}

}  // namespace

void PictureChecks::picture(std::string_view name) {
  Named& n = named_[std::string(name)];
  n.file = file_;
  n.line = line_;
}

void PictureChecks::decoded(const std::string& path, const platform::DecodedPicture* picture,
                            const std::string& error) {
  // The game asks for ImgDir + name + ".jpg"; anything else (the title, shown again by an end command) is
  // no picture line's.
  constexpr std::string_view kExtension = ".jpg";
  if (!path.starts_with(imgDir_) || !path.ends_with(kExtension)) return;
  const std::string name = path.substr(imgDir_.size(), path.size() - imgDir_.size() - kExtension.size());
  auto it = named_.find(name);
  if (it == named_.end()) return;
  Named& n = it->second;
  n.decoded = true;
  n.path = path;
  n.error = error;
  if (picture) {
    checkShape("the picture " + inQuotes(name), path, picture->width, picture->height, false, n.file, n.line);
  }
}

// The picture of this action that the game's problem is about: its words are picture "NAME" not shown...
PictureChecks::Named* PictureChecks::namedIn(const std::string& message, std::string* name) {
  constexpr std::string_view kOpen = "picture \"", kClose = "\" not shown";
  if (!message.starts_with(kOpen)) return nullptr;
  for (size_t close = message.find(kClose, kOpen.size()); close != std::string::npos;
       close = message.find(kClose, close + 1)) {
    auto it = named_.find(message.substr(kOpen.size(), close - kOpen.size()));
    if (it == named_.end()) continue;
    *name = it->first;
    return &it->second;
  }
  return nullptr;
}

// What the file the game asked for is, in the author's terms.
std::string PictureChecks::whatIsWrong(const std::string& path, const std::string& error) const {
  std::error_code ec;
  const fs::path file = tools::pathFromUtf8(path);
  const fs::file_status link = fs::symlink_status(file, ec);
  if (!fs::exists(link)) return "is missing: " + display(path) + lookAlikeHint(file);
  const fs::file_status target = fs::status(file, ec);
  if (ec) return "cannot be opened: " + error;  // a link that leads nowhere, or round in a loop
  if (!fs::is_regular_file(target)) return "is not a regular file: " + display(path);
  if (error.find(", not a JPEG") != std::string::npos) return "is not a JPEG file: " + error;
  return "does not decode: " + error;
}

bool PictureChecks::problem(const std::string& message) {
  std::string name;
  Named* n = namedIn(message, &name);
  if (!n) return false;
  if (!report_.shows(n->file, kProblems)) {
    report_.error(n->file, n->line, kProblems, std::string());  // counted only
    return true;
  }
  std::string what;
  const size_t reason = 9 + name.size() + 11;  // past: picture "NAME" not shown
  if (n->decoded && !n->error.empty()) {
    what = whatIsWrong(n->path, n->error);
  } else if (reason + 3 <= message.size() && message.compare(reason, 2, " (") == 0) {
    // Looked at and found wanting before any decode: the game's file, and the reason it gives.
    const std::string path = imgDir_ + name + ".jpg";
    what = whatIsWrong(path, message.substr(reason + 2, message.size() - reason - 3));
  } else {
    what = "is not shown" + message.substr(std::min(reason, message.size()));  // the game's refusal
  }
  if (!name.empty() && name.back() == ' ') what += " (the name ends in a space)";
  report_.error(n->file, n->line, kProblems, "the picture " + inQuotes(name) + " " + what);
  return true;
}

void PictureChecks::title(const std::string& path, const platform::DecodedPicture* picture,
                          const std::string& error) {
  const std::string file = display(path);
  if (!picture) {
    report_.error(file, 0, kProblems, "the title picture " + whatIsWrong(path, error));
    return;
  }
  checkShape("the title picture", path, picture->width, picture->height, true, display(path), 0);
}

// The title fills the 4:3 play area, a scene picture the square beside the options: any other shape is
// stretched to fit, which the author may not mean.
void PictureChecks::checkShape(const std::string& what, const std::string& path, int width, int height,
                               bool title, const std::string& file, int64_t line) {
  const double w = width, h = height;
  const double wantW = title ? ui::kTitleWidth : ui::kSceneSize;
  const double wantH = title ? ui::kTitleHeight : ui::kSceneSize;
  if (h <= 0 || std::abs(w * wantH - h * wantW) <= 0.01 * h * wantW) return;
  if (!shapeNamed_.insert((title ? "title " : "scene ") + path).second) return;
  report_.warning(file, line, "picture shapes",
                  what + " is " + std::to_string(width) + " x " + std::to_string(height) + " pixels, not " +
                      (title ? "4:3" : "square") + ": it is shown stretched to the " +
                      (title ? "4:3 play area" : "square scene"));
}

}  // namespace lint
