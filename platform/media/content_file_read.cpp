// Whole-file reads of content files, the same on every system over its own open, read and close.
#include <new>

#include "platform/media/content_file.h"

namespace platform {

bool readRegularFile(const std::string& utf8Path, uint64_t maxBytes, std::string* bytes, std::string* error) {
  uint64_t size = 0;
  const int fd = openRegularFile(utf8Path, error, &size);
  if (fd < 0) return false;
  auto fail = [&](const std::string& why) {
    closeFile(fd);
    if (error) *error = utf8Path + ": " + why;
    return false;
  };
  if (size > maxBytes) {
    return fail("is " + describeBytes(size) + ", more than the " + describeBytes(maxBytes) +
                " a file of its kind may have");
  }
  try {
    bytes->resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return fail("no memory for its " + describeBytes(size));
  }
  size_t got = 0;
  while (got < bytes->size()) {
    std::string why;
    const int64_t n = readFromFile(fd, bytes->data() + got, bytes->size() - got, &why);
    if (n < 0) return fail(why);
    if (n == 0) break;  // shrank while being read: take what is there
    got += static_cast<size_t>(n);
  }
  bytes->resize(got);
  closeFile(fd);
  return true;
}

}  // namespace platform
