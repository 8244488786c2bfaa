#pragma once

#include <string>
#include <string_view>

namespace sievra {

// How duplicates are judged. The duplicate test compares each line's key: the
// whole line in Text mode, the payload in Packet mode; the line end is never
// part of it. Ignore case: the letters A to Z equal a to z; in a key that is
// valid UTF-8, every character also equals its Unicode simple case folding, so
// Σ, σ and ς are one letter and so are ẞ and ß, but ß does not equal "ss", the
// Turkish dotless ı and dotted İ only equal themselves, and é does not equal e
// followed by a combining accent (nothing is normalised); in a key that is not
// valid UTF-8, only A to Z fold. Ignore spacing: spaces and tabs at the start and
// at the end of the key are left out, and each run of spaces and tabs inside it
// compares as one space; no other character counts as spacing.
struct CompareRules {
  bool ignoreCase = false;
  bool ignoreSpacing = false;
  bool Any() const { return ignoreCase || ignoreSpacing; }
};

// The form of `key` the duplicate test compares: two keys are duplicates when
// their forms are equal. That form is `key` itself, or a stretch of it, whenever
// the rules change nothing else (always with no rule), and costs no copy then;
// otherwise it is written into `scratch`, whose contents it replaces and whose
// capacity it reuses, so a caller that keeps one scratch per key it holds at a
// time allocates nothing once the buffers have grown. `key` must not lie in
// `scratch`.
std::string_view ComparableKey(std::string_view key, const CompareRules& rules,
                               std::string& scratch);

// Unicode simple case folding (the C and S entries of CaseFolding.txt) of one
// code point; code points without such an entry map to themselves.
char32_t SimpleCaseFold(char32_t codePoint);

// Whether `bytes` are well-formed UTF-8: no surrogates, no overlong forms,
// nothing above U+10FFFF, no sequence cut short or continuation byte astray.
bool IsValidUtf8(std::string_view bytes);

}  // namespace sievra
