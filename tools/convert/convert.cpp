// lanternfall-convert: turns scenarios written in an ordinary editor (UTF-8, any line ends, with or
// without a byte-order mark) into the files the game reads: code page 932 with CR LF line ends.
// Every character the code page lacks is named by file, line and column, and a source with any of them
// leaves no output file behind, not even half of one. Sources are streamed: memory stays that of one read.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/media/content_file.h"
#include "platform/media/text_file.h"
#include "platform/runtime/printable.h"
#include "tools/common/tool_main.h"
#include "tools/common/utf8_path.h"
#include "tools/convert/output_file.h"
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

// Streams one source through the converter into its .dat. Messages name the file as the author gave it.
bool convertFile(const fs::path& file, const fs::path& target) {
  const std::string name = tools::utf8FromPath(file);
  const std::string shown = platform::printable(name);
  std::string why;
  uint64_t size = 0;
  const int in = platform::openRegularFile(name, &why, &size);
  if (in < 0) {
    if (why.starts_with(name + ": ")) why.erase(0, name.size() + 2);
    std::fprintf(stderr, "%s: error: cannot read: %s\n", shown.c_str(), platform::printable(why).c_str());
    return false;
  }
  const std::string targetShown = platform::printable(tools::utf8FromPath(target));
  convert::OutputFile out(target);
  if (!out.ok()) {
    platform::closeFile(in);
    std::fprintf(stderr, "%s: error: cannot write %s: %s\n", shown.c_str(), targetShown.c_str(),
                 platform::printable(out.why()).c_str());
    return false;
  }
  convert::SourceConverter converter(name, stderr);
  std::vector<char> buffer(kReadBytes);
  uint64_t total = 0;
  while (out.ok()) {
    const int64_t n = platform::readFromFile(in, buffer.data(), buffer.size(), &why);
    if (n <= 0) break;
    // Counted as read, not as the file claims: a file in /proc has no size and no end.
    total += static_cast<uint64_t>(n);
    if (total > kMaxSourceBytes) {
      why = "larger than " + platform::describeBytes(kMaxSourceBytes) + "; is this a scenario source?";
      break;
    }
    converter.feed(std::string_view(buffer.data(), static_cast<size_t>(n)));
    if (!converter.failed()) out.write(converter.take());
  }
  platform::closeFile(in);
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
                 platform::printable(out.why()).c_str());
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
    const std::string shown = platform::printable(tools::utf8FromPath(source));
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
std::optional<int> parseArguments(const std::vector<std::string>& args, std::vector<fs::path>* sources,
                                  std::optional<fs::path>* outDir) {
  const size_t argc = args.size();
  for (size_t i = 1; i < argc; ++i) {
    const std::string_view a = args[i];
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
      *outDir = tools::pathFromUtf8(args[++i]);
    } else if (a.size() > 1 && a[0] == '-') {
      std::fprintf(stderr, "lanternfall-convert: unknown option %s\n%s", platform::printable(a).c_str(),
                   kUsage);
      return 2;
    } else {
      sources->push_back(tools::pathFromUtf8(a));
    }
  }
  if (sources->empty() || !*outDir) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return std::nullopt;
}

}  // namespace

int toolMain(const std::vector<std::string>& args) {
  std::vector<fs::path> sources;
  std::optional<fs::path> outDir;
  if (const std::optional<int> status = parseArguments(args, &sources, &outDir)) return *status;
  // The folder is made when missing; when it cannot be, the reason is the making's, not what is left.
  std::error_code made, ec;
  fs::create_directories(*outDir, made);
  if (!fs::is_directory(*outDir, ec)) {
    std::fprintf(stderr, "lanternfall-convert: cannot write into %s: %s\n",
                 platform::printable(tools::utf8FromPath(*outDir)).c_str(),
                 made ? made.message().c_str() : "not a folder");
    return 2;
  }
  std::vector<fs::path> files;
  bool failed = !listSources(sources, &files);
  std::map<std::string, fs::path> written;  // output name -> its source, to catch two sources for one file
  int converted = 0;
  for (const fs::path& file : files) {
    const std::string name = tools::utf8FromPath(file.stem()) + ".dat";
    if (auto other = written.find(name); other != written.end()) {
      std::fprintf(stderr, "%s: error: %s would overwrite the %s converted from %s\n",
                   platform::printable(tools::utf8FromPath(file)).c_str(), platform::printable(name).c_str(),
                   platform::printable(name).c_str(),
                   platform::printable(tools::utf8FromPath(other->second)).c_str());
      failed = true;
      continue;
    }
    if (!convertFile(file, *outDir / tools::pathFromUtf8(name))) {
      failed = true;
      continue;
    }
    written.emplace(name, file);
    ++converted;
  }
  std::printf("converted %d of %zu scenario(s) into %s\n", converted, files.size(),
              platform::printable(tools::utf8FromPath(*outDir)).c_str());
  return failed ? 1 : 0;
}
