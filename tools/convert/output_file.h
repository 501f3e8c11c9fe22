// A converted file in the making: written beside its target under a temporary name and put in the
// target's place only when whole, so that a reader (or the game) never meets half a file and a failed
// conversion leaves the old file as it was. One backend per system (output_file_posix.cpp,
// output_file_win.cpp). Failures are kept in why(), in the system's words; the first one stops writing.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace convert {

class OutputFile {
 public:
  explicit OutputFile(const std::filesystem::path& target);
  ~OutputFile();  // removes the temporary file unless commit() put it in place
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool ok() const { return why_.empty(); }
  const std::string& why() const { return why_; }

  void write(std::string_view bytes);
  // Closes the file and puts it in the target's place, replacing what was there.
  bool commit();

 private:
  struct Handle;
  std::filesystem::path target_;
  std::unique_ptr<Handle> handle_;
  std::string why_;
};

}  // namespace convert
