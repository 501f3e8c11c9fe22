// Streaming conversion of a scenario source to the game's bytes.
#include "tools/convert/source_converter.h"

#include <map>
#include <vector>

#include "platform/media/text_file.h"
#include "platform/runtime/printable.h"
#include "platform/runtime/utf8.h"

namespace convert {

namespace {

// Characters that Linux input methods type for some of the code page's symbols. The author cannot tell
// them apart on screen, so they are written as the symbol the code page has.
const std::map<char32_t, char32_t> kLookAlikes = {
    {0x301C, 0xFF5E},  // wave dash -> full-width tilde (0x8160)
    {0x2016, 0x2225},  // double vertical line -> parallel to (0x8161)
    {0x2212, 0xFF0D},  // minus sign -> full-width hyphen-minus (0x817C)
    {0x00A2, 0xFFE0},  // cent -> full-width cent (0x8191)
    {0x00A3, 0xFFE1},  // pound -> full-width pound (0x8192)
    {0x00AC, 0xFFE2},  // not -> full-width not (0x81CA)
};

std::string hex(char32_t c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
  return buf;
}

// How much of `s` ends in whole characters: a lead byte whose sequence runs past the end is left for the
// next read.
size_t wholeCharacters(std::string_view s) {
  for (size_t back = 1; back <= 3 && back <= s.size(); ++back) {
    const auto c = static_cast<unsigned char>(s[s.size() - back]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const size_t want = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return want > back && c >= 0xC0 && c < 0xF8 ? s.size() - back : s.size();
  }
  return s.size();
}

bool isBrokenAt(std::string_view s, size_t at, char32_t c, size_t length) {
  return c == platform::kReplacementChar && length == 1 && s.substr(at, 3) != "\xEF\xBF\xBD";
}

}  // namespace

SourceConverter::SourceConverter(std::string file, std::FILE* messages)
    : file_(std::move(file)), messages_(messages) {}

void SourceConverter::feed(std::string_view bytes) {
  // A line end is CR LF, LF or CR.
  while (!bytes.empty()) {
    const size_t end = bytes.find_first_of("\r\n");
    const std::string_view piece = bytes.substr(0, end);
    if (!piece.empty()) {
      afterCr_ = false;
      text(piece);
    }
    if (end == std::string_view::npos) return;
    const bool lf = bytes[end] == '\n';
    if (!(lf && afterCr_)) lineEnd();
    afterCr_ = !lf;
    bytes.remove_prefix(end + 1);
  }
}

void SourceConverter::text(std::string_view piece) {
  std::string joined;
  if (!carry_.empty()) {
    joined = std::move(carry_) + std::string(piece);
    carry_.clear();
    piece = joined;
  }
  if (atStart_) {
    if (piece.size() < 3 && std::string_view("\xEF\xBB\xBF").starts_with(piece)) {
      carry_ = piece;  // perhaps a byte-order mark cut by the read
      return;
    }
    atStart_ = false;
    if (piece.starts_with("\xEF\xBB\xBF")) piece.remove_prefix(3);
  }
  const size_t whole = wholeCharacters(piece);
  carry_ = piece.substr(whole);
  convertPiece(piece.substr(0, whole));
}

void SourceConverter::lineEnd() {
  atStart_ = false;
  if (!carry_.empty()) {
    const std::string rest = std::move(carry_);
    carry_.clear();
    convertPiece(rest);
  }
  if (failures_ == 0) out_ += "\r\n";
  ++line_;
  column_ = 0;
}

void SourceConverter::finish() {
  // Text after the last line end is a line of its own.
  if (!carry_.empty() || column_ > 0) lineEnd();
  if (failures_ > kFailuresShown)
    std::fprintf(messages_, "%s: ... and %lld more characters that cannot be converted\n",
                 platform::printable(file_).c_str(), static_cast<long long>(failures_ - kFailuresShown));
  if (nuls_ > 1)
    std::fprintf(messages_, "%s: warning: %lld NUL bytes in all\n", platform::printable(file_).c_str(),
                 static_cast<long long>(nuls_));
}

std::string SourceConverter::take() {
  std::string taken = std::move(out_);
  out_.clear();
  return taken;
}

// Checks and encodes whole characters of one line, swapping in the code page's own form of the
// look-alikes; one character of the swapped text is one column of the source.
void SourceConverter::convertPiece(std::string_view piece) {
  std::string mapped;
  mapped.reserve(piece.size());
  const int64_t firstColumn = column_;
  bool broken = false;
  for (size_t at = 0; at < piece.size();) {
    size_t length = 1;
    const char32_t c = platform::decodeUtf8(piece, at, &length);
    ++column_;
    if (isBrokenAt(piece, at, c, length)) {
      char byte[8];
      std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(piece[at]));
      fail(column_,
           std::string("byte ") + byte +
               " is no UTF-8; save the source as UTF-8 (a file already in Shift-JIS needs no conversion)");
      broken = true;
    } else if (auto look = kLookAlikes.find(c); look != kLookAlikes.end()) {
      platform::appendUtf8(mapped, look->second);
    } else {
      if (c == 0) nul(column_);
      mapped.append(piece.substr(at, length));
    }
    at += length;
  }
  if (broken) return;
  std::vector<size_t> unmapped;
  std::string encoded = platform::encodeCp932(mapped, platform::Cp932Strictness::Strict, &unmapped);
  if (unmapped.empty()) {
    if (failures_ == 0) out_ += encoded;
    return;
  }
  // The offsets come in order: one walk over the text finds each one's column.
  int64_t column = firstColumn;
  size_t next = 0;
  for (size_t at = 0; at < mapped.size() && next < unmapped.size();) {
    size_t length = 1;
    const char32_t c = platform::decodeUtf8(mapped, at, &length);
    ++column;
    if (unmapped[next] == at) {
      fail(column, mapped.substr(at, length) + " " + hex(c) + " has no Shift-JIS form");
      while (next < unmapped.size() && unmapped[next] <= at) ++next;
    }
    at += length;
  }
}

void SourceConverter::fail(int64_t column, const std::string& message) {
  ++failures_;
  out_.clear();
  if (failures_ > kFailuresShown) return;
  std::fprintf(messages_, "%s:%lld:%lld: %s\n", platform::printable(file_).c_str(),
               static_cast<long long>(line_), static_cast<long long>(column),
               platform::printable(message).c_str());
}

void SourceConverter::nul(int64_t column) {
  if (++nuls_ > 1) return;
  std::fprintf(
      messages_,
      "%s:%lld:%lld: warning: a NUL byte, which no scenario text holds (is this a text file?); it is "
      "written as it is\n",
      platform::printable(file_).c_str(), static_cast<long long>(line_), static_cast<long long>(column));
}

}  // namespace convert
