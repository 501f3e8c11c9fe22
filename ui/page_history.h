// The pages read in this game, as each stood when it turned, and the page now growing: what the text
// history shows. It learns them from the text the labels are given, so it holds exactly what was shown.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace ui {

class PageHistory {
 public:
  // Enough to read back through a long event and then some; content from strangers cannot make the
  // history grow past a few megabytes.
  static constexpr size_t kMaxPages = 200;
  static constexpr size_t kMaxRows = 20;       // rows kept of one page, the empty top row counted
  static constexpr size_t kMaxRowChars = 400;  // characters kept of one row

  // The labels' new caption. A caption that goes on from the page shown (the same text and more) keeps
  // that page growing; any other turns it: the page as it stood is kept, when it had any text, and the
  // new caption begins the next.
  void noteShown(std::string_view caption);
  // A new game: nothing read yet, and whatever the labels still show belongs to no page of it.
  void clear();

  // Pages oldest first, the growing page last when it has any text.
  size_t size() const { return turned_.size() + (current_.empty() ? 0 : 1); }
  bool hasGrowingPage() const { return !current_.empty(); }
  // Page i as the history shows it: CR LF between rows, as the labels have it, without the mark that
  // waited for a click, rows and their lengths bounded as above. Empty past the end.
  std::string page(size_t i) const;

 private:
  std::deque<std::string> turned_;  // already bounded
  std::string current_;             // the labels' caption as given
};

}  // namespace ui
