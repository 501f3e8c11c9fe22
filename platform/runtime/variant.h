// The old runtime's Variant in the three forms a program may put in it: empty, a whole number, or text
// (a number kept as text until something converts it).
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace platform {

class Variant {
 public:
  Variant() = default;
  Variant(int64_t n) : v_(n) {}             // NOLINT: assignment from numbers, as in the old language
  Variant(const std::string& s) : v_(s) {}  // NOLINT
  bool isEmpty() const { return std::holds_alternative<std::monostate>(v_); }
  bool isNumber() const { return std::holds_alternative<int64_t>(v_); }
  bool isText() const { return std::holds_alternative<std::string>(v_); }
  int64_t number() const { return isNumber() ? std::get<int64_t>(v_) : 0; }
  const std::string& text() const;

 private:
  std::variant<std::monostate, int64_t, std::string> v_;
};

}  // namespace platform
