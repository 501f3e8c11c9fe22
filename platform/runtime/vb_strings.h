// String functions of the old language over UTF-8 text, counting characters, not bytes.
// Positions are 1-based as in the old language. Cost is proportional to the characters visited, so
// Left(line, 4) of a 10 MB line is cheap.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

std::string Left(std::string_view s, size_t chars);
std::string Mid(std::string_view s, size_t start);  // from character `start` (1-based) to the end
size_t Len(std::string_view s);                     // characters
bool startsWithChars(std::string_view s, std::string_view word);  // first Len(word) chars equal word
std::string UCase(std::string_view s);                            // ASCII upper case

}  // namespace platform
