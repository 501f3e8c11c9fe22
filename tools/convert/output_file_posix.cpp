// Converted files on Linux: mkstemp beside the target, then rename(2) over it.
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/convert/output_file.h"

namespace convert {

struct OutputFile::Handle {
  std::vector<char> name;
  int fd = -1;
  bool done = false;
};

OutputFile::OutputFile(const std::filesystem::path& target) : target_(target), handle_(new Handle) {
  const std::string tmpl = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
  handle_->name.assign(tmpl.begin(), tmpl.end());
  handle_->name.push_back('\0');
  handle_->fd = ::mkstemp(handle_->name.data());
  if (handle_->fd < 0) {
    why_ = std::strerror(errno);
    handle_->name.clear();
  }
}

OutputFile::~OutputFile() {
  if (handle_->fd >= 0) ::close(handle_->fd);
  if (!handle_->name.empty() && !handle_->done) ::unlink(handle_->name.data());
}

void OutputFile::write(std::string_view bytes) {
  while (ok() && !bytes.empty()) {
    const ssize_t n = ::write(handle_->fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) why_ = std::strerror(errno);
    if (n > 0) bytes.remove_prefix(static_cast<size_t>(n));
  }
}

// The file gets the usual permissions of a file the author made, not mkstemp's private ones.
bool OutputFile::commit() {
  if (handle_->fd < 0) return false;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (ok() && ::fchmod(handle_->fd, 0666 & ~mask) != 0) why_ = std::strerror(errno);
  if (::close(handle_->fd) != 0 && ok()) why_ = std::strerror(errno);
  handle_->fd = -1;
  if (ok() && std::rename(handle_->name.data(), target_.c_str()) != 0) why_ = std::strerror(errno);
  handle_->done = ok();
  return handle_->done;
}

}  // namespace convert
