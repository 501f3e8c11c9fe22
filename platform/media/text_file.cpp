// Numbered sequential text files (Open For Input / Line Input / EOF / Close) over a streaming reader, and
// each line decoded from CP932 by the system's converter (cp932_*.cpp).
#include "platform/media/text_file.h"

#include <errno.h>
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

}  // namespace

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
