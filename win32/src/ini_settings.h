#pragma once

#include <string>
#include <string_view>

#include "sievra/presentation/main_window_model.h"

namespace sievra::win32 {

// What is remembered, in the INI file the Qt window keeps too (QSettings,
// IniFormat, UserScope, "Sievra"/"Sievra"): each key in section [General], its
// value written the way QSettings writes it, so both windows read what the
// other wrote. Other keys and sections are kept.
class IniSettingsStore : public SettingsStore {
 public:
  // `iniPath` empty: %APPDATA%\Sievra\Sievra.ini.
  explicit IniSettingsStore(std::wstring iniPath = {});
  std::string Value(std::string_view key) const override;
  void SetValue(std::string_view key, const std::string& value) override;
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
};

// A value as QSettings writes it in an INI file (UTF-8), and back.
std::string IniEscaped(std::string_view value);
std::string IniUnescaped(std::string_view written);

}  // namespace sievra::win32
