// CP932 <-> UTF-8 through glibc's iconv, for the scenario reader, the content checker and the converter.
#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "platform/media/text_file.h"
#include "platform/runtime/utf8.h"

namespace platform {

namespace {

constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";  // U+FFFD
constexpr size_t kWindowBytes = 1024;

// A conversion descriptor kept open for the life of the thread: opening one costs far more than a line.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of `in`; onInvalid(rest, restLen, out) decides how many input bytes to skip and what to
  // write in their place when a sequence cannot be converted.
  template <typename OnInvalid>
  std::string convert(std::string_view in, OnInvalid onInvalid) {
    std::string out;
    out.reserve(in.size() + in.size() / 2 + 8);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char chunk[4096];
    while (srcLeft > 0) {
      // glibc converts all the input it is given to an inner form before the target encoding can refuse a
      // character, and starts again after each refusal: given in small windows, a text full of refused
      // characters costs time in proportion to its length, not its square.
      const size_t window = std::min(srcLeft, kWindowBytes);
      size_t windowLeft = window;
      char* dst = chunk;
      size_t dstLeft = sizeof chunk;
      size_t r = iconv(cd_, &src, &windowLeft, &dst, &dstLeft);
      const bool cutByWindow = window < srcLeft;  // the window ends before the text does
      srcLeft -= window - windowLeft;
      out.append(chunk, static_cast<size_t>(dst - chunk));
      if (r != static_cast<size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // A sequence cut off by the window, not by the end of the text, is whole in the next window.
      if (errno == EINVAL && cutByWindow) continue;
      // EILSEQ (a bad sequence) or EINVAL (a sequence cut off by the end of the text).
      size_t skip = onInvalid(src, srcLeft, out);
      if (skip > srcLeft) skip = srcLeft;
      src += skip;
      srcLeft -= skip;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::string decodeCp932(const std::string& bytes, int* invalidCount) {
  if (invalidCount) *invalidCount = 0;
  // CP932 agrees with ASCII below 0x80 (0x5C stays a backslash), so plain lines need no conversion.
  if (isAscii(bytes)) return bytes;
  thread_local Converter toUtf8("UTF-8", "CP932");
  int invalid = 0;
  std::string out;
  if (!toUtf8.ok()) {
    // Without the converter only ASCII survives; everything else is named as unreadable.
    for (unsigned char c : bytes) {
      if (c < 0x80) {
        out.push_back(static_cast<char>(c));
      } else {
        out += kReplacementUtf8;
        ++invalid;
      }
    }
  } else {
    // A bad lead byte or a lead byte with a bad trail byte costs one byte: the next byte may well start
    // a good character (a lone lead byte before CR or an ASCII letter must not swallow it).
    out = toUtf8.convert(bytes, [&invalid](const char*, size_t, std::string& o) {
      o += kReplacementUtf8;
      ++invalid;
      return size_t{1};
    });
  }
  if (invalidCount) *invalidCount = invalid;
  return out;
}

std::string encodeCp932(std::string_view utf8, Cp932Strictness strictness, std::vector<size_t>* unmapped) {
  const bool strict = strictness == Cp932Strictness::Strict;
  auto onUnmapped = [&utf8, strict, unmapped](const char* rest, size_t restLen, std::string& o) {
    if (unmapped) unmapped->push_back(static_cast<size_t>(rest - utf8.data()));
    if (!strict) o.push_back('?');
    // A whole character CP932 lacks is passed over, but of a broken sequence only its first byte: the
    // byte after it may start a good character.
    size_t length = 1;
    decodeUtf8(std::string_view(rest, restLen), 0, &length);
    return length;
  };
  if (isAscii(utf8)) return std::string(utf8);
  thread_local Converter toCp932("CP932", "UTF-8");
  if (!toCp932.ok()) {
    // Without the converter nothing beyond ASCII can be written faithfully.
    std::string out;
    for (size_t at = 0; at < utf8.size();) {
      if (static_cast<unsigned char>(utf8[at]) < 0x80) {
        out.push_back(utf8[at++]);
      } else {
        at += onUnmapped(utf8.data() + at, utf8.size() - at, out);
      }
    }
    return out;
  }
  return toCp932.convert(utf8, onUnmapped);
}

}  // namespace platform
