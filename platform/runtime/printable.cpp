// Escaping control characters for printing.
#include "platform/runtime/printable.h"

#include <cstdio>

#include "platform/runtime/utf8.h"

namespace platform {

namespace {

void appendEscaped(std::string& out, std::string_view bytes) {
  for (unsigned char c : bytes) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\x%02X", c);
    out += buf;
  }
}

}  // namespace

std::string printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (c >= 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
      ++at;
      continue;
    }
    size_t length = 1;
    const char32_t cp = decodeUtf8(text, at, &length);
    const bool invalid = cp == kReplacementChar && length == 1;
    const std::string_view bytes = text.substr(at, length);
    if (invalid || cp < 0x20 || (cp >= 0x7F && cp <= 0x9F)) {
      appendEscaped(out, bytes);
    } else {
      out += bytes;
    }
    at += length;
  }
  return out;
}

}  // namespace platform
