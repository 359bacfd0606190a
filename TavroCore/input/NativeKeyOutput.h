// What one physical key types in the native (Devanagari) script, without and
// with Shift, as the host reads it from the active Devanagari input source;
// and whether that output continues a prompt typed directly in Devanagari.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavro {

struct NativeKeyOutput {
  std::string normal;   // output without Shift
  std::string shifted;  // output with Shift

  // True when the key's output (shifted when `shift` is set) is not empty and
  // `typed` followed by it, in normalization form C, begins some candidate
  // byte for byte, so a half-typed Devanagari cluster counts.
  bool matches(const std::vector<std::string>& candidates, std::string_view typed, bool shift) const;

  friend bool operator==(const NativeKeyOutput&, const NativeKeyOutput&) = default;
};

}  // namespace tavro
