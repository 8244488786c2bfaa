#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A deliberately plain model of the compare rules, written from the rules
// rather than from the engine: code points decoded one by one, UTF-8 checked by
// encoding each code point back, spacing by splitting into words. The fold of
// one code point comes from the caller (the engine's table is checked against
// the Unicode data file on its own). The tests and the fuzz target compare
// ComparableKey with it.
namespace sievra::reference {

using Fold = char32_t (*)(char32_t);

inline std::string EncodeUtf8(char32_t cp) {
  const auto byte = [](char32_t bits) { return static_cast<char>(bits); };
  if (cp < 0x80) return {byte(cp)};
  if (cp < 0x800) return {byte(0xC0 | (cp >> 6)), byte(0x80 | (cp & 0x3F))};
  if (cp < 0x10000) {
    return {byte(0xE0 | (cp >> 12)), byte(0x80 | ((cp >> 6) & 0x3F)), byte(0x80 | (cp & 0x3F))};
  }
  return {byte(0xF0 | (cp >> 18)), byte(0x80 | ((cp >> 12) & 0x3F)),
          byte(0x80 | ((cp >> 6) & 0x3F)), byte(0x80 | (cp & 0x3F))};
}

// The code points of `bytes`, or false when they are not valid UTF-8: each lead
// byte announces a length, and the code point its bits make must be a scalar
// value whose shortest encoding is exactly those bytes.
inline bool DecodeUtf8(std::string_view bytes, std::vector<char32_t>& cps) {
  cps.clear();
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const std::size_t length = lead < 0x80         ? 1
                               : lead >> 5 == 0x6  ? 2
                               : lead >> 4 == 0xE  ? 3
                               : lead >> 3 == 0x1E ? 4
                                                   : 0;
    if (length == 0 || i + length > bytes.size()) return false;
    auto cp = static_cast<char32_t>(length == 1 ? lead : lead & (0x7F >> length));
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (next & 0x3F);
    }
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return false;
    if (EncodeUtf8(cp) != bytes.substr(i, length)) return false;
    cps.push_back(cp);
    i += length;
  }
  return true;
}

inline std::string ComparableKey(std::string_view key, bool ignoreCase, bool ignoreSpacing,
                                 Fold fold) {
  std::vector<char32_t> cps;
  const bool utf8 = DecodeUtf8(key, cps);  // the key as it is decides
  std::string form;
  if (ignoreSpacing) {
    // The words between runs of spaces and tabs, one space apart.
    std::string word;
    for (const char c : std::string(key) + ' ') {
      if (c != ' ' && c != '\t') {
        word += c;
      } else if (!word.empty()) {
        form += (form.empty() ? "" : " ") + word;
        word.clear();
      }
    }
  } else {
    form = key;
  }
  if (!ignoreCase) return form;
  if (utf8) {
    DecodeUtf8(form, cps);
    form.clear();
    for (const char32_t cp : cps) form += EncodeUtf8(fold(cp));
  } else {
    for (char& c : form) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return form;
}

}  // namespace sievra::reference
