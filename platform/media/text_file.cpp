// Numbered sequential text files (Open For Input / Line Input / EOF / Close) over a streaming reader, and
// the CP932 <-> UTF-8 conversions that the scenario reader and the content checker share.
#include "platform/media/text_file.h"

#include <errno.h>
#include <iconv.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "platform/media/content_file.h"
#include "platform/runtime/app.h"
#include "platform/runtime/utf8.h"

namespace platform {

namespace {

constexpr size_t kReadChunkBytes = 64 * 1024;
// A scenario row is a sentence; the layout is known to cope with lines of 10 MiB, and 16 MiB is far past
// anything a page can show. Beyond it the line's bytes are passed over without being kept, so that a file
// without line ends (or a huge one) cannot grow a line until memory runs out.
constexpr size_t kMaxLineBytes = size_t{16} << 20;
constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";  // U+FFFD
constexpr size_t kWindowBytes = 1024;

// One open file: a small window over the bytes, refilled as lines are read, so that neither a long file
// nor a long line is ever held whole beyond the line being returned.
struct InputFile {
  std::FILE* file = nullptr;
  std::vector<char> buffer = std::vector<char>(kReadChunkBytes);
  size_t pos = 0;
  size_t len = 0;
  // For naming undecodable bytes on stderr: once a file, at the first line that has them, so that a
  // file full of them does not flood the output.
  std::string path;
  long linesRead = 0;
  bool undecodableNamed = false;
  bool longLineNamed = false;
  // Bytes that may still be read: a file that claimed to be small (or empty) may go on without end.
  uint64_t budgetBytes = kMaxScenarioFileBytes;

  std::string finishLine(std::string& raw) {
    if (raw.size() >= kMaxLineBytes && !longLineNamed) {
      longLineNamed = true;
      reportProblem(path + ": line " + std::to_string(linesRead + 1) + " is longer than " +
                    std::to_string(kMaxLineBytes >> 20) + " MiB; only its first " +
                    std::to_string(kMaxLineBytes >> 20) + " MiB are read");
    }
    return decodeLine(raw);
  }

  std::string decodeLine(const std::string& raw) {
    ++linesRead;
    int invalid = 0;
    std::string text = decodeCp932(raw, &invalid);
    if (invalid > 0 && !undecodableNamed) {
      undecodableNamed = true;
      reportProblem(path + ": line " + std::to_string(linesRead) +
                    " has bytes that are not Shift-JIS text; they are shown as U+FFFD");
    }
    return text;
  }

  ~InputFile() {
    if (file) std::fclose(file);
  }

  // True when at least one unread byte is in the buffer. A read error ends the file like its end would,
  // and so does the read budget: past it the file is given up, named once.
  bool fill() {
    if (pos < len) return true;
    pos = 0;
    len = 0;
    if (!file) return false;
    if (budgetBytes == 0) {
      char probe = 0;
      if (std::fread(&probe, 1, 1, file) == 1) {
        reportProblem(path + ": more than " + describeBytes(kMaxScenarioFileBytes) +
                      " read though the file claimed less; the rest is not read");
      }
      std::fclose(file);
      file = nullptr;
      return false;
    }
    len = std::fread(buffer.data(), 1, static_cast<size_t>(std::min<uint64_t>(buffer.size(), budgetBytes)),
                     file);
    budgetBytes -= len;
    return len > 0;
  }
};

std::map<int, std::unique_ptr<InputFile>>& openFiles() {
  static std::map<int, std::unique_ptr<InputFile>> files;
  return files;
}

InputFile* find(int fileNo) {
  auto& files = openFiles();
  auto it = files.find(fileNo);
  return it == files.end() ? nullptr : it->second.get();
}

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

bool isAscii(std::string_view s) {
  for (unsigned char c : s) {
    if (c >= 0x80) return false;
  }
  return true;
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

int FreeFile() {
  int n = 1;
  while (find(n)) ++n;
  return n;
}

bool OpenForInput(int fileNo, const std::string& utf8Path, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = utf8Path + ": " + why;
    return false;
  };
  if (fileNo < 1) return fail("bad file number " + std::to_string(fileNo));
  if (find(fileNo)) return fail("file number " + std::to_string(fileNo) + " is already open");
  // Regular files only: a FIFO would block the open, a device would never end.
  std::string why;
  uint64_t sizeBytes = 0;
  const int fd = openRegularFile(utf8Path, &why, &sizeBytes);
  if (fd < 0) {
    if (error) *error = why;
    return false;
  }
  if (sizeBytes > kMaxScenarioFileBytes) {
    ::close(fd);
    return fail("is " + describeBytes(sizeBytes) + ", more than the " + describeBytes(kMaxScenarioFileBytes) +
                " a scenario may have");
  }
  std::FILE* f = ::fdopen(fd, "rb");
  if (!f) {
    ::close(fd);
    return fail(std::strerror(errno));
  }
  auto in = std::make_unique<InputFile>();
  in->file = f;
  in->path = utf8Path;
  openFiles()[fileNo] = std::move(in);
  return true;
}

bool IsOpen(int fileNo) { return find(fileNo) != nullptr; }

bool Eof(int fileNo) {
  InputFile* in = find(fileNo);
  return !in || !in->fill();
}

std::string LineInput(int fileNo) {
  InputFile* in = find(fileNo);
  if (!in || !in->fill()) return {};
  std::string raw;
  while (in->fill()) {
    const char* start = in->buffer.data() + in->pos;
    size_t avail = in->len - in->pos;
    // CR is never a trail byte of CP932 (trail bytes start at 0x40), so the raw bytes can be split at it.
    const void* cr = std::memchr(start, '\r', avail);
    const size_t room = kMaxLineBytes - std::min(kMaxLineBytes, raw.size());
    if (!cr) {
      raw.append(start, std::min(avail, room));
      in->pos = in->len;
      continue;
    }
    size_t n = static_cast<size_t>(static_cast<const char*>(cr) - start);
    raw.append(start, std::min(n, room));
    in->pos += n + 1;
    // CR LF ends the line as one terminator; a CR alone ends it too. A LF alone stays in the line.
    if (in->fill() && in->buffer[in->pos] == '\n') ++in->pos;
    return in->finishLine(raw);
  }
  return in->finishLine(raw);
}

void Close(int fileNo) { openFiles().erase(fileNo); }

void CloseAll() { openFiles().clear(); }

}  // namespace platform
