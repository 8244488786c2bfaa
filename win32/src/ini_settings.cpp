#include "ini_settings.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform.h"

namespace sievra::win32 {

namespace {
constexpr std::string_view kSection = "[General]";

std::string Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(" \t\r") - first + 1));
}

std::vector<std::string> ReadLines(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

// Whether `line` sets `key`, and then its value as written.
bool IsKeyLine(const std::string& line, std::string_view key, std::string* value) {
  const auto equals = line.find('=');
  if (equals == std::string::npos || Trimmed(std::string_view(line).substr(0, equals)) != key)
    return false;
  if (value) *value = line.substr(equals + 1);
  return true;
}
}  // namespace

std::string IniEscaped(std::string_view value) {
  bool quoted = !value.empty() && (value.front() == ' ' || value.back() == ' ');
  // A leading '@' marks QSettings' typed values (@ByteArray, @Variant): a text's is doubled.
  std::string written = value.starts_with('@') ? "@" : "";
  for (char c : value) {
    switch (c) {
      case '\\':
        written += "\\\\";
        break;
      case '"':
        written += "\\\"";
        break;
      case '\t':
        written += "\\t";
        break;
      case '\n':
        written += "\\n";
        break;
      case '\r':
        written += "\\r";
        break;
      case ',':
      case ';':
      case '=':
        quoted = true;
        written += c;
        break;
      default:
        written += c;
    }
  }
  return quoted ? '"' + written + '"' : written;
}

std::string IniUnescaped(std::string_view written) {
  const std::string text = Trimmed(written);
  std::string value;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') continue;  // quotes only keep spaces and separators as they are
    if (c != '\\' || i + 1 == text.size()) {
      value += c;
      continue;
    }
    switch (const char next = text[++i]) {
      case 't':
        value += '\t';
        break;
      case 'n':
        value += '\n';
        break;
      case 'r':
        value += '\r';
        break;
      default:
        value += next;  // \\ and \" and anything unknown: the character itself
    }
  }
  if (value.starts_with("@@")) value.erase(0, 1);
  return value;
}

IniSettingsStore::IniSettingsStore(std::wstring iniPath) : path_(std::move(iniPath)) {
  if (path_.empty()) {
    const std::wstring appData = ApplicationDataFolder();
    if (!appData.empty()) path_ = appData + L"\\Sievra\\Sievra.ini";
  }
}

std::string IniSettingsStore::Value(std::string_view key) const {
  bool inGeneral = false;
  std::string value;
  for (const std::string& line : ReadLines(path_)) {
    const std::string trimmed = Trimmed(line);
    if (!trimmed.empty() && trimmed.front() == '[')
      inGeneral = trimmed == kSection;
    else if (inGeneral && IsKeyLine(trimmed, key, &value))
      return IniUnescaped(value);
  }
  return {};
}

void IniSettingsStore::SetValue(std::string_view key, const std::string& value) {
  if (path_.empty()) return;
  std::vector<std::string> lines = ReadLines(path_);
  const std::string setting = std::string(key) + "=" + IniEscaped(value);
  bool inGeneral = false;
  bool written = false;
  std::vector<std::string> updated;
  for (const std::string& line : lines) {
    const std::string trimmed = Trimmed(line);
    const bool header = !trimmed.empty() && trimmed.front() == '[';
    if (header && inGeneral && !written) {
      updated.push_back(setting);  // the key was missing from [General]
      written = true;
    }
    if (header) inGeneral = trimmed == kSection;
    if (inGeneral && IsKeyLine(trimmed, key, nullptr)) {
      if (!written) updated.push_back(setting);
      written = true;
      continue;
    }
    updated.push_back(line);
  }
  if (!written && !inGeneral) {
    // [General] leads the file, as QSettings writes it.
    updated.insert(updated.begin(), {std::string(kSection), setting});
    if (updated.size() > 2) updated.insert(updated.begin() + 2, std::string());
  } else if (!written) {
    updated.push_back(setting);
  }
  const std::wstring folderOfFile = path_.substr(0, path_.find_last_of(L'\\'));
  CreateDirectoryW(folderOfFile.c_str(), nullptr);
  std::ostringstream text;
  for (const std::string& line : updated) text << line << "\r\n";
  std::ofstream(std::filesystem::path(path_), std::ios::binary | std::ios::trunc) << text.str();
}

}  // namespace sievra::win32
