// The page history: which captions go on a page and which turn it, and the bounds of what is kept.
#include "ui/page_history.h"

#include "platform/runtime/vb_strings.h"
#include "script/scenario_syntax.h"

namespace ui {

namespace {

constexpr std::string_view kRowBreak = "\r\n";

// The page without its waiting mark, in at most kMaxRows rows of at most kMaxRowChars characters.
std::string bounded(std::string_view caption) {
  const std::string_view mark = script::kPageMark;
  if (caption.size() >= mark.size() && caption.substr(caption.size() - mark.size()) == mark) {
    caption.remove_suffix(mark.size());
  }
  std::string out;
  size_t rows = 0;
  for (size_t at = 0; rows < PageHistory::kMaxRows; ++rows) {
    const size_t end = caption.find(kRowBreak, at);
    const std::string_view row = caption.substr(at, end == std::string_view::npos ? end : end - at);
    if (rows > 0) out += kRowBreak;
    out += row.size() <= PageHistory::kMaxRowChars ? std::string(row)
                                                   : platform::Left(row, PageHistory::kMaxRowChars);
    if (end == std::string_view::npos) break;
    at = end + kRowBreak.size();
  }
  return out;
}

}  // namespace

void PageHistory::noteShown(std::string_view caption) {
  if (caption.substr(0, current_.size()) == current_) {
    current_.assign(caption);
    return;
  }
  turned_.push_back(bounded(current_));
  if (turned_.size() > kMaxPages) turned_.pop_front();
  current_.assign(caption);
}

void PageHistory::clear() {
  turned_.clear();
  current_.clear();
}

std::string PageHistory::page(size_t i) const {
  if (i < turned_.size()) return turned_[i];
  if (i == turned_.size() && !current_.empty()) return bounded(current_);
  return std::string();
}

}  // namespace ui
