// Numbered sequential text files, as the old runtime's Open ... For Input / Line Input / EOF / Close.
// Called by the scenario interpreter (one file at a time) and by shut-down (Close).
// Contract: a line ends at CR LF or at a CR alone; a LF alone does not end a line; the terminator is not
// part of the line. Bytes are decoded from code page 932 into UTF-8; an invalid sequence becomes U+FFFD
// and never fails the read. Files are streamed, never loaded whole; a line keeps at most its first 16 MiB
// (the rest is passed over, named once a file on stderr). Only regular files open: a FIFO, device or
// folder is refused by what it is, and a file larger than kMaxScenarioFileBytes by its size. A file whose
// size lies (procfs: size 0, endless bytes) is read up to that many bytes, no further: there the file ends,
// named once on stderr.
// Failures never throw: opening a missing file returns false; reading a number that is not open, or
// past the end, yields an empty line; closing a number that is not open is harmless.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// A scenario is some KiB of text; 64 MiB is far past anything an author writes. A larger file is refused
// from its size before a byte is read, and no file is read further than this, whatever its size claims.
// The content checker refuses files by the same figure.
inline constexpr uint64_t kMaxScenarioFileBytes = uint64_t{64} << 20;

int FreeFile();  // next free file number, from 1
bool OpenForInput(int fileNo, const std::string& utf8Path, std::string* error = nullptr);
bool IsOpen(int fileNo);
bool Eof(int fileNo);               // true also when not open
std::string LineInput(int fileNo);  // UTF-8 text of the next line
void Close(int fileNo);
void CloseAll();

// Decode CP932 bytes to UTF-8 (invalid sequences become U+FFFD). Shared with the content checker,
// which also wants to know where the invalid sequences were.
std::string decodeCp932(const std::string& bytes, int* invalidCount = nullptr);
// Encode UTF-8 to CP932 bytes; characters CP932 lacks become '?'.
std::string encodeCp932(const std::string& utf8);
// The same, for the converter that writes scenario files: the byte offset in `utf8` of every character
// CP932 lacks (or every broken UTF-8 sequence) goes to *unmapped, and the result is true only when there
// was none.
bool encodeCp932Strict(const std::string& utf8, std::string* out, std::vector<size_t>* unmapped);

}  // namespace platform
