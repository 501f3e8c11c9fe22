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
#include <string_view>
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
// Encode UTF-8 to CP932 bytes. A character CP932 lacks, or a broken UTF-8 sequence, becomes '?' (lenient,
// for commands and tests) or is left out (strict, for the converter, which refuses to write such a line);
// either way its byte offset in `utf8` goes to *unmapped when that is given. Linear in the text.
enum class Cp932Strictness { Lenient, Strict };
std::string encodeCp932(std::string_view utf8, Cp932Strictness strictness = Cp932Strictness::Lenient,
                        std::vector<size_t>* unmapped = nullptr);

}  // namespace platform
