// One scenario source converted as it streams past: UTF-8 text with any line ends in, code page 932 with
// CR LF out, a piece at a time, so that memory stays that of one read whatever the lines' length. What
// cannot be converted is named by line and column, a few per file and the rest counted.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace convert {

class SourceConverter {
 public:
  // `file` names the source in what is written to `messages`.
  SourceConverter(std::string file, std::FILE* messages);
  void feed(std::string_view bytes);
  void finish();
  bool failed() const { return failures_ > 0; }
  // What to write next (and then forget): the bytes converted since the last call.
  std::string take();

  static constexpr int64_t kFailuresShown = 20;

 private:
  void text(std::string_view piece);
  void lineEnd();
  void convertPiece(std::string_view piece);
  void fail(int64_t column, const std::string& message);
  void nul(int64_t column);

  std::string file_;
  std::FILE* messages_;
  std::string out_;
  std::string carry_;  // the start of a character cut off by the end of a read
  int64_t line_ = 1;
  int64_t column_ = 0;  // characters of the line so far
  bool atStart_ = true;
  bool afterCr_ = false;
  int64_t failures_ = 0;
  int64_t nuls_ = 0;
};

}  // namespace convert
