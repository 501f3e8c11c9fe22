// CP932 <-> UTF-8 through glibc's iconv, for the scenario reader, the content checker and the converter.
#include <errno.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "platform/media/text_file.h"

namespace platform {

namespace {

constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";  // U+FFFD

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
  std::string convert(const std::string& in, OnInvalid onInvalid) {
    std::string out;
    out.reserve(in.size() + in.size() / 2 + 8);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char chunk[4096];
    while (srcLeft > 0) {
      char* dst = chunk;
      size_t dstLeft = sizeof chunk;
      size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(chunk, static_cast<size_t>(dst - chunk));
      if (r != static_cast<size_t>(-1)) continue;
      if (errno == E2BIG) continue;
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

bool isAscii(const std::string& s) {
  for (unsigned char c : s) {
    if (c >= 0x80) return false;
  }
  return true;
}

// Byte length of the UTF-8 sequence that starts with `lead` (1 for a stray byte, so that it is skipped).
size_t utf8Length(unsigned char lead) {
  if (lead < 0xC0) return 1;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  if (lead < 0xF8) return 4;
  return 1;
}

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

std::string encodeCp932(const std::string& utf8) {
  if (isAscii(utf8)) return utf8;
  thread_local Converter toCp932("CP932", "UTF-8");
  if (!toCp932.ok()) {
    std::string out;
    for (unsigned char c : utf8) {
      if (c < 0x80) {
        out.push_back(static_cast<char>(c));
      } else if ((c & 0xC0) != 0x80) {
        out.push_back('?');  // one mark a character: its continuation bytes add none
      }
    }
    return out;
  }
  // Skip the whole character CP932 lacks, but of a broken sequence only the bytes that belong to it.
  return toCp932.convert(utf8, [](const char* rest, size_t restLen, std::string& o) {
    o.push_back('?');
    size_t want = utf8Length(static_cast<unsigned char>(rest[0]));
    size_t n = 1;
    while (n < want && n < restLen && (static_cast<unsigned char>(rest[n]) & 0xC0) == 0x80) ++n;
    return n;
  });
}

bool encodeCp932Strict(const std::string& utf8, std::string* out, std::vector<size_t>* unmapped) {
  const size_t before = unmapped->size();
  if (isAscii(utf8)) {
    *out = utf8;
    return true;
  }
  thread_local Converter toCp932("CP932", "UTF-8");
  if (!toCp932.ok()) {
    // Without the converter nothing beyond ASCII can be written faithfully: name every such character.
    out->clear();
    for (size_t i = 0; i < utf8.size(); ++i) {
      const auto c = static_cast<unsigned char>(utf8[i]);
      if (c < 0x80) {
        out->push_back(static_cast<char>(c));
      } else if ((c & 0xC0) != 0x80) {
        unmapped->push_back(i);
      }
    }
    return unmapped->size() == before;
  }
  *out = toCp932.convert(utf8, [&utf8, unmapped](const char* rest, size_t restLen, std::string&) {
    unmapped->push_back(static_cast<size_t>(rest - utf8.data()));
    size_t want = utf8Length(static_cast<unsigned char>(rest[0]));
    size_t n = 1;
    while (n < want && n < restLen && (static_cast<unsigned char>(rest[n]) & 0xC0) == 0x80) ++n;
    return n;
  });
  return unmapped->size() == before;
}

}  // namespace platform
