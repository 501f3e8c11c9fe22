// String functions of the old language over UTF-8 text, counting characters, not bytes. Cost is
// proportional to the characters visited, so Left(line, 4) of a 10 MB line is cheap.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The first `chars` characters (all of s when it is shorter). A byte that begins no valid UTF-8 sequence
// is one character, as the text layout draws it.
std::string Left(std::string_view s, size_t chars);
std::string UCase(std::string_view s);  // ASCII upper case

}  // namespace platform
