// The words of a media-control command string, as both systems' interfaces read them: blanks between
// words, a word in double quotes may hold blanks, and keywords compare without regard to case.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct MciWord {
  std::string text;
  bool quoted = false;
};

// 0, or kMciErrNoClosingQuote for a quote that is never closed.
uint32_t splitMciWords(const std::string& text, std::vector<MciWord>* out);
bool sameMciWord(const std::string& a, const char* b);
// .mid, .midi or .rmi: the files the sequencer opens without being told its type.
bool hasMidiExtension(const std::string& path);

}  // namespace platform
