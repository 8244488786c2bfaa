#pragma once

#ifdef _WIN32
#include <string>
#include <system_error>

namespace sievra {

// The system's text for a Windows error code in UTF-8, without the final
// period. Taken in UTF-16 and converted: the ANSI form that std::system_category
// gives garbles accented letters ("Acc\xe8s refus\xe9" shown as UTF-8).
// `languageId` 0 is the user's language.
std::string WindowsErrorMessage(unsigned long code, unsigned long languageId = 0);
// Windows error codes whose messages come from WindowsErrorMessage; they
// compare equal to the same codes of std::system_category.
const std::error_category& WindowsCategory();

}  // namespace sievra
#endif
