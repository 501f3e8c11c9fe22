// lanternfall-convert: turns scenarios written in an ordinary editor (UTF-8, any line ends, with or
// without a byte-order mark) into the files the game reads: code page 932 with CR LF line ends.
// Every character the code page lacks is named by file, line and column, and a source with any of them
// leaves no output file behind, not even half of one.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/media/content_file.h"
#include "platform/media/text_file.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: lanternfall-convert SOURCE... -o DIR\n"
    "\n"
    "Converts scenario sources written in UTF-8 into the game's scenario files: each SOURCE is a .txt file\n"
    "or a folder of them, and DIR/<name>.dat is written in Shift-JIS (code page 932) with CR LF line ends.\n"
    "A byte-order mark is dropped; LF, CR LF and CR line ends are all read. A character Shift-JIS lacks is\n"
    "reported as FILE:LINE:COL, and that source's .dat is not written.\n"
    "\n"
    "Then check the folder with lanternfall-lint and play a scenario with lanternfall-preview.\n"
    "\n"
    "  -o DIR      the folder to write into (made when missing), normally CONTENT/txt\n"
    "  --help      this text\n"
    "  --version   the version\n"
    "\n"
    "Exit status: 0 when every source was converted, 1 when a source could not be, 2 on a usage error.\n";

// Larger than any story; a source beyond it is most likely not a scenario at all.
constexpr uintmax_t kMaxSourceBytes = 64u << 20;

// Characters that Linux input methods type for some of the code page's symbols. The author cannot tell
// them apart on screen, so they are written as the symbol the code page has.
const std::map<char32_t, std::string> kLookAlikes = {
    {0x301C, "\xEF\xBD\x9E"},  // wave dash -> full-width tilde (0x8160)
    {0x2016, "\xE2\x88\xA5"},  // double vertical line -> parallel to (0x8161)
    {0x2212, "\xEF\xBC\x8D"},  // minus sign -> full-width hyphen-minus (0x817C)
    {0x00A2, "\xEF\xBF\xA0"},  // cent -> full-width cent (0x8191)
    {0x00A3, "\xEF\xBF\xA1"},  // pound -> full-width pound (0x8192)
    {0x00AC, "\xEF\xBF\xA2"},  // not -> full-width not (0x81CA)
};

// One UTF-8 character at `at`: its code point and length, or nothing when the bytes are no UTF-8.
std::optional<std::pair<char32_t, size_t>> utf8At(std::string_view s, size_t at) {
  const auto b0 = static_cast<unsigned char>(s[at]);
  size_t len = 0;
  char32_t c = 0;
  if (b0 < 0x80) return std::make_pair(char32_t{b0}, size_t{1});
  if ((b0 & 0xE0) == 0xC0) {
    len = 2;
    c = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3;
    c = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4;
    c = b0 & 0x07;
  } else {
    return std::nullopt;
  }
  if (at + len > s.size()) return std::nullopt;
  for (size_t i = 1; i < len; ++i) {
    const auto b = static_cast<unsigned char>(s[at + i]);
    if ((b & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (b & 0x3F);
  }
  // Overlong forms, surrogates and values beyond Unicode are no UTF-8 either.
  static const char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kMin[len] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return std::nullopt;
  return std::make_pair(c, len);
}

std::string hex(char32_t c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
  return buf;
}

struct Failure {
  std::string where;  // FILE:LINE:COL
  std::string message;
};

// Reads a regular file whole through the platform's content reader: never blocking on a pipe, never
// throwing. The reason comes without the path, which the caller's message already names.
std::optional<std::string> readSource(const fs::path& path, std::string* why) {
  std::string bytes;
  if (platform::readRegularFile(path.string(), kMaxSourceBytes, &bytes, why)) return bytes;
  const std::string prefix = path.string() + ": ";
  if (why->starts_with(prefix)) why->erase(0, prefix.size());
  return std::nullopt;
}

// The source's text as the game's file: every line encoded, each ended by CR LF. Empty when any line
// failed; the failures say where.
std::optional<std::string> convertText(const std::string& file, std::string_view text,
                                       std::vector<Failure>* failures) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  size_t lineNo = 0;
  size_t at = 0;
  const size_t failuresBefore = failures->size();
  while (at < text.size()) {
    ++lineNo;
    size_t end = at;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    const std::string_view line = text.substr(at, end - at);
    // A line end is CR LF, LF or CR.
    at = end;
    if (at < text.size() && text[at] == '\r') ++at;
    if (end < text.size() && text[end] == '\r' && at < text.size() && text[at] == '\n') ++at;
    if (end < text.size() && text[end] == '\n') ++at;

    // Check the characters, swapping in the code page's own form of the look-alikes; remember where
    // each character of the swapped line came from.
    std::string mapped;
    std::vector<size_t> columnAt;  // byte offset in `mapped` -> 1-based column
    std::vector<std::pair<size_t, char32_t>> starts;
    bool broken = false;
    size_t column = 0;
    for (size_t i = 0; i < line.size();) {
      ++column;
      const auto ch = utf8At(line, i);
      if (!ch) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(line[i]));
        failures->push_back({file + ":" + std::to_string(lineNo) + ":" + std::to_string(column),
                             std::string("byte ") + byte +
                                 " is no UTF-8; save the source as UTF-8 (a file already in Shift-JIS "
                                 "needs no conversion)"});
        broken = true;
        ++i;
        continue;
      }
      starts.push_back({mapped.size(), ch->first});
      columnAt.resize(mapped.size() + 1, 0);
      columnAt[mapped.size()] = column;
      auto look = kLookAlikes.find(ch->first);
      mapped += look != kLookAlikes.end() ? look->second : std::string(line.substr(i, ch->second));
      i += ch->second;
    }
    if (broken) continue;
    std::string encoded;
    std::vector<size_t> unmapped;
    if (!platform::encodeCp932Strict(mapped, &encoded, &unmapped)) {
      for (size_t offset : unmapped) {
        const size_t col = offset < columnAt.size() ? columnAt[offset] : 0;
        auto it =
            std::find_if(starts.begin(), starts.end(), [&](const auto& s) { return s.first == offset; });
        const char32_t c = it != starts.end() ? it->second : 0;
        std::string shown(mapped.substr(offset, it != starts.end() && it + 1 != starts.end()
                                                    ? (it + 1)->first - offset
                                                    : std::string::npos));
        failures->push_back({file + ":" + std::to_string(lineNo) + ":" + std::to_string(col),
                             shown + " " + hex(c) + " has no Shift-JIS form"});
      }
      continue;
    }
    out += encoded;
    out += "\r\n";
  }
  if (failures->size() > failuresBefore) return std::nullopt;
  return out;
}

// Writes the whole file beside its final place and renames it there, so that a reader (or the game)
// never meets half a file, and a failed write leaves the old file as it was.
bool writeAtomically(const fs::path& target, const std::string& bytes, std::string* why) {
  std::string tmpl = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    *why = std::strerror(errno);
    return false;
  }
  size_t done = 0;
  bool ok = true;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *why = std::strerror(errno);
      ok = false;
      break;
    }
    done += static_cast<size_t>(n);
  }
  // The file gets the usual permissions of a file the author made, not mkstemp's private ones.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (ok && ::fchmod(fd, 0666 & ~mask) != 0) {
    *why = std::strerror(errno);
    ok = false;
  }
  if (::close(fd) != 0 && ok) {
    *why = std::strerror(errno);
    ok = false;
  }
  if (ok && std::rename(name.data(), target.c_str()) != 0) {
    *why = std::strerror(errno);
    ok = false;
  }
  if (!ok) ::unlink(name.data());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<fs::path> sources;
  std::optional<fs::path> outDir;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--version") {
      std::printf("lanternfall-convert %s\n", LANTERNFALL_VERSION);
      return 0;
    }
    if (a == "-o") {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "lanternfall-convert: -o needs a folder\n%s", kUsage);
        return 2;
      }
      outDir = argv[++i];
    } else if (a.size() > 1 && a[0] == '-') {
      std::fprintf(stderr, "lanternfall-convert: unknown option %s\n%s", argv[i], kUsage);
      return 2;
    } else {
      sources.emplace_back(argv[i]);
    }
  }
  if (sources.empty() || !outDir) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::error_code ec;
  fs::create_directories(*outDir, ec);
  if (!fs::is_directory(*outDir, ec)) {
    std::fprintf(stderr, "lanternfall-convert: cannot write into %s: %s\n", outDir->c_str(),
                 ec ? ec.message().c_str() : "not a folder");
    return 2;
  }

  // Folders stand for their .txt files, in name order.
  std::vector<fs::path> files;
  bool failed = false;
  for (const fs::path& source : sources) {
    if (fs::is_directory(source, ec)) {
      std::vector<fs::path> inFolder;
      fs::directory_iterator it(source, ec), end;
      for (; !ec && it != end; it.increment(ec)) {
        std::error_code typeEc;
        if (it->path().extension() == ".txt" && !it->is_directory(typeEc)) inFolder.push_back(it->path());
      }
      if (ec) {
        std::fprintf(stderr, "%s: error: cannot list the folder: %s\n", source.c_str(), ec.message().c_str());
        failed = true;
        continue;
      }
      if (inFolder.empty())
        std::fprintf(stderr, "%s: warning: no .txt file in this folder\n", source.c_str());
      std::sort(inFolder.begin(), inFolder.end());
      files.insert(files.end(), inFolder.begin(), inFolder.end());
    } else {
      files.push_back(source);
    }
  }

  std::map<std::string, fs::path> written;  // output name -> its source, to catch two sources for one file
  int converted = 0;
  for (const fs::path& file : files) {
    const std::string name = file.stem().string() + ".dat";
    if (auto other = written.find(name); other != written.end()) {
      std::fprintf(stderr, "%s: error: %s would overwrite the %s converted from %s\n", file.c_str(),
                   name.c_str(), name.c_str(), other->second.c_str());
      failed = true;
      continue;
    }
    std::string why;
    const auto text = readSource(file, &why);
    if (!text) {
      std::fprintf(stderr, "%s: error: cannot read: %s\n", file.c_str(), why.c_str());
      failed = true;
      continue;
    }
    std::vector<Failure> failures;
    const auto bytes = convertText(file.string(), *text, &failures);
    for (const Failure& f : failures) std::fprintf(stderr, "%s: %s\n", f.where.c_str(), f.message.c_str());
    if (!bytes) {
      std::fprintf(stderr, "%s: error: not converted, so %s was not written\n", file.c_str(),
                   (*outDir / name).c_str());
      failed = true;
      continue;
    }
    if (!writeAtomically(*outDir / name, *bytes, &why)) {
      std::fprintf(stderr, "%s: error: cannot write %s: %s\n", file.c_str(), (*outDir / name).c_str(),
                   why.c_str());
      failed = true;
      continue;
    }
    written.emplace(name, file);
    ++converted;
  }
  std::printf("converted %d of %zu scenario(s) into %s\n", converted, files.size(), outDir->c_str());
  return failed ? 1 : 0;
}
