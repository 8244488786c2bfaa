#pragma once

#include <string>
#include <string_view>

namespace sievra::win32 {

// Text is UTF-8 inside the program and UTF-16 at the Windows API's edge.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// Bytes in the system's 8-bit (ANSI) code page, as files and the callsign hold them.
std::wstring WideFromAnsi(std::string_view bytes);
std::string AnsiFromWide(std::wstring_view wide);

}  // namespace sievra::win32
