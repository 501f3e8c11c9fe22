// CP932 <-> UTF-8 through Windows' own code page 932 tables, one character at a time, so that the rules
// for bad bytes are the game's and not the system's: Windows would refuse a whole line, or put "・" or
// "?" in place of what it cannot read without saying so.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/media/text_file.h"
#include "platform/runtime/utf8.h"

namespace platform {

namespace {

constexpr UINT kCodePage932 = 932;

bool isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool isTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

// The character of one or two CP932 bytes, or U+FFFD when Windows has none for them.
char32_t decodeOne(const char* bytes, int length) {
  wchar_t wide[2];
  const int n = MultiByteToWideChar(kCodePage932, MB_ERR_INVALID_CHARS, bytes, length, wide, 2);
  return n == 1 ? static_cast<char16_t>(wide[0]) : kReplacementChar;
}

// The CP932 bytes of one code point; false when the code page lacks it (no best-fit stand-in is taken).
bool encodeOne(char32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
    return true;
  }
  if (cp >= 0x10000) return false;  // nothing beyond the BMP is in CP932
  const wchar_t wide = static_cast<wchar_t>(cp);
  char bytes[4];
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, sizeof bytes,
                                    nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return false;
  out->append(bytes, static_cast<size_t>(n));
  return true;
}

}  // namespace

std::string decodeCp932(const std::string& bytes, int* invalidCount) {
  if (invalidCount) *invalidCount = 0;
  if (isAscii(bytes)) return bytes;
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  int invalid = 0;
  for (size_t i = 0; i < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    char32_t cp = kReplacementChar;
    size_t used = 1;
    if (c >= 0xA1 && c <= 0xDF) {
      cp = decodeOne(&bytes[i], 1);  // half-width katakana
    } else if (isLeadByte(c) && i + 1 < bytes.size() &&
               isTrailByte(static_cast<unsigned char>(bytes[i + 1]))) {
      cp = decodeOne(&bytes[i], 2);
      if (cp != kReplacementChar) used = 2;
    }
    // A bad lead byte, or a lead byte with a bad trail byte, costs one byte: the next one may well start a
    // good character (a lone lead byte before CR or an ASCII letter must not swallow it).
    if (cp == kReplacementChar) ++invalid;
    appendUtf8(out, cp);
    i += used;
  }
  if (invalidCount) *invalidCount = invalid;
  return out;
}

std::string encodeCp932(std::string_view utf8, Cp932Strictness strictness, std::vector<size_t>* unmapped) {
  if (isAscii(utf8)) return std::string(utf8);
  std::string out;
  for (size_t pos = 0; pos < utf8.size();) {
    // A broken sequence decodes as U+FFFD of one byte, which CP932 lacks like any character it has not:
    // so only its first byte is passed over, and the byte after it may start a good character.
    size_t length = 1;
    const char32_t cp = decodeUtf8(utf8, pos, &length);
    if (!encodeOne(cp, &out)) {
      if (unmapped) unmapped->push_back(pos);
      if (strictness == Cp932Strictness::Lenient) out.push_back('?');
    }
    pos += length;
  }
  return out;
}

}  // namespace platform
