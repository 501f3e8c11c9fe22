// Opening content files that strangers supply: only regular files are opened (a FIFO would block the
// open, a device or /dev/zero would never end), and whole-file reads are capped before any byte is read.
// Called by the picture decoder, the scenario reader, the sequencer and the content checker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// What a path names when it is not a regular file: "a FIFO", "a folder", "a character device", "a block
// device", "a socket"; empty for a regular file or a path that cannot be looked at.
std::string nonRegularKind(const std::string& utf8Path);

// Open a regular file for reading without ever blocking: a FIFO, device, socket or folder is refused
// (the error says which) before it is opened. Returns a file descriptor, or -1 with "<path>: <reason>"
// (strerror for the system's own failures) in *error. The descriptor is blocking once it is returned.
int openRegularFile(const std::string& utf8Path, std::string* error, uint64_t* sizeBytes = nullptr);

// One read from a descriptor openRegularFile gave: the bytes read, 0 at the end, or -1 with the reason in
// *why. And its close.
int64_t readFromFile(int fd, char* into, size_t most, std::string* why);
void closeFile(int fd);

// Read a whole regular file of at most maxBytes into *bytes. A larger file is refused from its size
// before anything is read; the error names the size and the limit.
bool readRegularFile(const std::string& utf8Path, uint64_t maxBytes, std::string* bytes, std::string* error);

// Device, inode, size and modification time (to the nanosecond), as text: what tells one file from another
// and an edited file from itself. Empty when the path names nothing.
std::string fileIdentity(const std::string& utf8Path);

// A size in bytes for messages: "100 GiB", "12 MiB", "640 KiB", "93 bytes".
std::string describeBytes(uint64_t bytes);

}  // namespace platform
