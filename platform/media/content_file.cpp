// Content files: regular files only, opened without blocking, and read whole only below a cap.
#include "platform/media/content_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <new>

namespace platform {

namespace {

std::string kindOf(mode_t mode) {
  if (S_ISREG(mode)) return {};
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

}  // namespace

std::string nonRegularKind(const std::string& utf8Path) {
  struct stat st {};
  if (::stat(utf8Path.c_str(), &st) != 0) return {};
  return kindOf(st.st_mode);
}

int openRegularFile(const std::string& utf8Path, std::string* error, uint64_t* sizeBytes) {
  auto fail = [&](const std::string& why) {
    if (error) *error = utf8Path + ": " + why;
    return -1;
  };
  // Looked at before opening: opening a FIFO for reading waits for a writer, forever.
  struct stat st {};
  if (::stat(utf8Path.c_str(), &st) != 0) return fail(std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return fail("is " + kindOf(st.st_mode) + ", not a file");
  // O_NONBLOCK as well, for the path that was swapped for a FIFO between the look and the open.
  const int fd = ::open(utf8Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return fail(std::strerror(errno));
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return fail("is " + kindOf(st.st_mode) + ", not a file");
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (sizeBytes) *sizeBytes = static_cast<uint64_t>(st.st_size);
  return fd;
}

int64_t readFromFile(int fd, char* into, size_t most, std::string* why) {
  for (;;) {
    const ssize_t n = ::read(fd, into, most);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    if (why) *why = std::strerror(errno);
    return -1;
  }
}

void closeFile(int fd) { ::close(fd); }

std::string fileIdentity(const std::string& utf8Path) {
  struct stat st {};
  if (::stat(utf8Path.c_str(), &st) != 0) return {};
  return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) +
         ":" + std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
}

}  // namespace platform
