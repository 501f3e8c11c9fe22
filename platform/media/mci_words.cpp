// Reading the words of a command string.
#include "platform/media/mci_words.h"

#include <cstring>

#include "platform/media/mci.h"

namespace platform {

namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

}  // namespace

bool sameMciWord(const std::string& a, const char* b) {
  const size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

uint32_t splitMciWords(const std::string& text, std::vector<MciWord>* out) {
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ' || text[i] == '\t') {
      ++i;
      continue;
    }
    MciWord w;
    if (text[i] == '"') {
      const size_t close = text.find('"', i + 1);
      if (close == std::string::npos) return kMciErrNoClosingQuote;
      w.text = text.substr(i + 1, close - i - 1);
      w.quoted = true;
      i = close + 1;
    } else {
      const size_t end = text.find_first_of(" \t", i);
      w.text = text.substr(i, end == std::string::npos ? std::string::npos : end - i);
      i = end == std::string::npos ? text.size() : end;
    }
    out->push_back(std::move(w));
  }
  return 0;
}

bool hasMidiExtension(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  const std::string ext = path.substr(dot + 1);
  return sameMciWord(ext, "mid") || sameMciWord(ext, "midi") || sameMciWord(ext, "rmi");
}

}  // namespace platform
