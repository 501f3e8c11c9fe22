// lanternfall-convert: turns scenarios written in an ordinary editor (UTF-8, any line ends, with or
// without a byte-order mark) into the files the game reads: code page 932 with CR LF line ends.
// Every character the code page lacks is named by file, line and column, and a source with any of them
// leaves no output file behind, not even half of one. Sources are streamed: memory stays that of one read.
#include <errno.h>
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
#include "platform/runtime/printable.h"
#include "tools/convert/source_converter.h"

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
constexpr uint64_t kMaxSourceBytes = uint64_t{64} << 20;
constexpr size_t kReadBytes = size_t{64} << 10;

// A file in the target's folder that becomes the target only when it is whole: a reader (or the game)
// never meets half a file, and a failed conversion leaves the old file as it was.
class AtomicFile {
 public:
  explicit AtomicFile(const fs::path& target) : target_(target) {
    const std::string tmpl = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    name_.assign(tmpl.begin(), tmpl.end());
    name_.push_back('\0');
    fd_ = ::mkstemp(name_.data());
    if (fd_ < 0) why_ = std::strerror(errno);
    made_ = fd_ >= 0;
  }
  ~AtomicFile() {
    if (fd_ >= 0) ::close(fd_);
    if (made_ && !done_) ::unlink(name_.data());
  }
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool ok() const { return why_.empty(); }
  const std::string& why() const { return why_; }

  void write(std::string_view bytes) {
    while (ok() && !bytes.empty()) {
      const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) why_ = std::strerror(errno);
      if (n > 0) bytes.remove_prefix(static_cast<size_t>(n));
    }
  }
  // The file gets the usual permissions of a file the author made, not mkstemp's private ones.
  bool commit() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (ok() && ::fchmod(fd_, 0666 & ~mask) != 0) why_ = std::strerror(errno);
    if (::close(fd_) != 0 && ok()) why_ = std::strerror(errno);
    fd_ = -1;
    if (ok() && std::rename(name_.data(), target_.c_str()) != 0) why_ = std::strerror(errno);
    done_ = ok();
    return done_;
  }

 private:
  fs::path target_;
  std::vector<char> name_;
  int fd_ = -1;
  bool made_ = false;
  bool done_ = false;
  std::string why_;
};

// Streams one source through the converter into its .dat. Messages name the file as the author gave it.
bool convertFile(const fs::path& file, const fs::path& target) {
  const std::string shown = platform::printable(file.string());
  std::string why;
  uint64_t size = 0;
  const int in = platform::openRegularFile(file.string(), &why, &size);
  if (in < 0) {
    if (why.starts_with(file.string() + ": ")) why.erase(0, file.string().size() + 2);
    std::fprintf(stderr, "%s: error: cannot read: %s\n", shown.c_str(), platform::printable(why).c_str());
    return false;
  }
  const std::string targetShown = platform::printable(target.string());
  AtomicFile out(target);
  if (!out.ok()) {
    ::close(in);
    std::fprintf(stderr, "%s: error: cannot write %s: %s\n", shown.c_str(), targetShown.c_str(),
                 out.why().c_str());
    return false;
  }
  convert::SourceConverter converter(file.string(), stderr);
  std::vector<char> buffer(kReadBytes);
  uint64_t total = 0;
  while (out.ok()) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) why = std::strerror(errno);
    if (n <= 0) break;
    // Counted as read, not as the file claims: a file in /proc has no size and no end.
    total += static_cast<uint64_t>(n);
    if (total > kMaxSourceBytes) {
      why = "larger than " + platform::describeBytes(kMaxSourceBytes) + "; is this a scenario source?";
      break;
    }
    converter.feed(std::string_view(buffer.data(), static_cast<size_t>(n)));
    if (!converter.failed()) out.write(converter.take());
    if (!out.ok()) break;
  }
  ::close(in);
  if (why.empty() && out.ok()) {
    converter.finish();
    if (!converter.failed()) out.write(converter.take());
  }
  if (!why.empty()) {
    std::fprintf(stderr, "%s: error: cannot read: %s\n", shown.c_str(), platform::printable(why).c_str());
  } else if (converter.failed()) {
    std::fprintf(stderr, "%s: error: not converted, so %s was not written\n", shown.c_str(),
                 targetShown.c_str());
  } else if (!out.ok() || !out.commit()) {
    std::fprintf(stderr, "%s: error: cannot write %s: %s\n", shown.c_str(), targetShown.c_str(),
                 out.why().c_str());
  } else {
    return true;
  }
  return false;
}

// Folders stand for their .txt files, in name order.
bool listSources(const std::vector<fs::path>& sources, std::vector<fs::path>* files) {
  bool ok = true;
  std::error_code ec;
  for (const fs::path& source : sources) {
    if (!fs::is_directory(source, ec)) {
      files->push_back(source);
      continue;
    }
    std::vector<fs::path> inFolder;
    fs::directory_iterator it(source, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
      std::error_code typeEc;
      if (it->path().extension() == ".txt" && !it->is_directory(typeEc)) inFolder.push_back(it->path());
    }
    const std::string shown = platform::printable(source.string());
    if (ec) {
      std::fprintf(stderr, "%s: error: cannot list the folder: %s\n", shown.c_str(), ec.message().c_str());
      ok = false;
      continue;
    }
    if (inFolder.empty()) std::fprintf(stderr, "%s: warning: no .txt file in this folder\n", shown.c_str());
    std::sort(inFolder.begin(), inFolder.end());
    files->insert(files->end(), inFolder.begin(), inFolder.end());
  }
  return ok;
}

// The command line: the sources and the folder, or an exit status when there is nothing to convert.
std::optional<int> parseArguments(int argc, char** argv, std::vector<fs::path>* sources,
                                  std::optional<fs::path>* outDir) {
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
      *outDir = argv[++i];
    } else if (a.size() > 1 && a[0] == '-') {
      std::fprintf(stderr, "lanternfall-convert: unknown option %s\n%s", platform::printable(a).c_str(),
                   kUsage);
      return 2;
    } else {
      sources->emplace_back(argv[i]);
    }
  }
  if (sources->empty() || !*outDir) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<fs::path> sources;
  std::optional<fs::path> outDir;
  if (const std::optional<int> status = parseArguments(argc, argv, &sources, &outDir)) return *status;
  // The folder is made when missing; when it cannot be, the reason is the making's, not what is left.
  std::error_code made, ec;
  fs::create_directories(*outDir, made);
  if (!fs::is_directory(*outDir, ec)) {
    std::fprintf(stderr, "lanternfall-convert: cannot write into %s: %s\n",
                 platform::printable(outDir->string()).c_str(),
                 made ? made.message().c_str() : "not a folder");
    return 2;
  }
  std::vector<fs::path> files;
  bool failed = !listSources(sources, &files);
  std::map<std::string, fs::path> written;  // output name -> its source, to catch two sources for one file
  int converted = 0;
  for (const fs::path& file : files) {
    const std::string name = file.stem().string() + ".dat";
    if (auto other = written.find(name); other != written.end()) {
      std::fprintf(stderr, "%s: error: %s would overwrite the %s converted from %s\n",
                   platform::printable(file.string()).c_str(), platform::printable(name).c_str(),
                   platform::printable(name).c_str(), platform::printable(other->second.string()).c_str());
      failed = true;
      continue;
    }
    if (!convertFile(file, *outDir / name)) {
      failed = true;
      continue;
    }
    written.emplace(name, file);
    ++converted;
  }
  std::printf("converted %d of %zu scenario(s) into %s\n", converted, files.size(),
              platform::printable(outDir->string()).c_str());
  return failed ? 1 : 0;
}
