#pragma once

#include <string>
#include <string_view>

#include "sievra/engine.h"

namespace sievra {

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
