// ComparableKey and IsValidUtf8 on any bytes: the form is the plain model's,
// costs no copy when nothing changes, is its own form, does not depend on the
// order the rules apply in, and has the shape each rule promises.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compare_rules.h"
#include "compare_rules_reference.h"
#include "fuzz_check.h"

namespace {

using sievra::CompareRules;
using sievra::fuzz::Require;

constexpr CompareRules kCase{true, false};
constexpr CompareRules kSpacing{false, true};
constexpr CompareRules kBoth{true, true};

std::string Form(std::string_view key, const CompareRules& rules) {
  std::string scratch;
  return std::string(sievra::ComparableKey(key, rules, scratch));
}

bool Within(std::string_view inner, std::string_view outer) {
  return inner.data() >= outer.data() && inner.data() + inner.size() <= outer.data() + outer.size();
}

void CheckRules(std::string_view key, const CompareRules& rules) {
  std::string scratch;
  const std::string_view form = sievra::ComparableKey(key, rules, scratch);
  Require(form == sievra::reference::ComparableKey(key, rules.ignoreCase, rules.ignoreSpacing,
                                                   sievra::SimpleCaseFold),
          "the form is the plain model's");
  Require(Within(form, key) || form.data() == scratch.data(),
          "the form is a stretch of the key or the scratch");
  Require(Form(form, rules) == form, "a form is its own form");
  if (rules.ignoreSpacing) {
    Require(form.empty() || (form.front() != ' ' && form.back() != ' '), "no blank at either end");
    Require(form.find('\t') == std::string_view::npos, "no tab");
    Require(form.find("  ") == std::string_view::npos, "no two spaces in a row");
  }
  if (rules.ignoreCase) {
    for (const char c : form) Require(c < 'A' || c > 'Z', "no ASCII capital");
    Require(sievra::IsValidUtf8(form) == sievra::IsValidUtf8(key),
            "folding keeps UTF-8 valid or invalid");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view key = sievra::fuzz::AsText(data, size);
  std::vector<char32_t> codePoints;
  Require(sievra::IsValidUtf8(key) == sievra::reference::DecodeUtf8(key, codePoints),
          "IsValidUtf8 agrees with decoding and encoding back");

  std::string scratch;
  const std::string_view none = sievra::ComparableKey(key, CompareRules{}, scratch);
  Require(none.data() == key.data() && none.size() == key.size(), "no rule: the key itself");

  CheckRules(key, kCase);
  CheckRules(key, kSpacing);
  CheckRules(key, kBoth);
  const std::string both = Form(key, kBoth);
  Require(Form(Form(key, kCase), kSpacing) == both && Form(Form(key, kSpacing), kCase) == both,
          "the rules apply in either order");
  return 0;
}
