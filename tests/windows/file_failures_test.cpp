// Troubles a Windows user can meet with the chosen files. Each must end the run
// with one clear message, leave the old output as it was with no temporary file
// beside it, and leave the engine ready to run again once the trouble is gone.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "sievra/windows_errors.h"
#include "windows_test_support.h"

namespace sievra::wintest {
namespace {

constexpr const char* kInput = "a\r\nb\r\na\r\n";
constexpr const char* kDistinct = "a\r\nb\r\n";
constexpr const char* kOldOutput = "old output\r\n";

struct Scene {
  ScratchFolder folder{L"trouble ü"};
  std::wstring input = folder.Child(L"in é.txt");
  std::wstring output = folder.Child(L"out é.txt");
};

enum class Culprit { Input, Output };

struct Trouble {
  const char* name;
  Culprit culprit;
  // Causes the trouble (it may point the scene's paths elsewhere); returns what ends it.
  std::function<std::function<void()>(Scene&)> cause;
  // The reason the message must give, when it is the input's: the system's own
  // words, not the C runtime's "Permission denied" for everything.
  std::function<std::string()> reason = {};
};

std::function<std::string()> SystemSays(DWORD code) {
  return [code] { return WindowsErrorMessage(code); };
}

void PrintTo(const Trouble& row, std::ostream* out) { *out << row.name; }

// Opens a file the way a program that locks it would: no sharing at all.
std::function<void()> HoldOpenUnshared(const std::wstring& path) {
  HANDLE held = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(held, INVALID_HANDLE_VALUE);
  return [held] { CloseHandle(held); };
}

const Trouble kTroubles[] = {
    {"OutputFolderMissing", Culprit::Output,
     [](Scene& scene) -> std::function<void()> {
       const std::wstring missing = scene.folder.Child(L"gone ü");
       scene.output = missing + L"\\out.txt";
       return [missing] { CreateDirectoryW(missing.c_str(), nullptr); };
     }},
    {"OutputReadOnly", Culprit::Output,
     [](Scene& scene) -> std::function<void()> {
       SetFileAttributesW(scene.output.c_str(), FILE_ATTRIBUTE_READONLY);
       return [path = scene.output] { SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL); };
     }},
    {"OutputHeldOpenByAnotherProgram", Culprit::Output,
     [](Scene& scene) { return HoldOpenUnshared(scene.output); }},
    {"OutputIsAFolder", Culprit::Output,
     [](Scene& scene) -> std::function<void()> {
       scene.output = scene.folder.Child(L"a folder");
       CreateDirectoryW(scene.output.c_str(), nullptr);
       return [path = scene.output] { RemoveDirectoryW(path.c_str()); };
     }},
    {"InputMissing", Culprit::Input,
     [](Scene& scene) -> std::function<void()> {
       DeleteFileW(scene.input.c_str());
       return [path = scene.input] { WriteBytes(path, kInput); };
     },
     SystemSays(ERROR_FILE_NOT_FOUND)},
    {"InputFolderMissing", Culprit::Input,
     [](Scene& scene) -> std::function<void()> {
       const std::wstring missing = scene.folder.Child(L"gone ü");
       scene.input = missing + L"\\in.txt";
       return [missing, path = scene.input] {
         CreateDirectoryW(missing.c_str(), nullptr);
         WriteBytes(path, kInput);
       };
     },
     SystemSays(ERROR_PATH_NOT_FOUND)},
    {"InputHeldOpenByAnotherProgram", Culprit::Input,
     [](Scene& scene) { return HoldOpenUnshared(scene.input); },
     SystemSays(ERROR_SHARING_VIOLATION)},
    // Windows refuses a folder as "Access denied", which would send the user
    // to its permissions.
    {"InputIsAFolder", Culprit::Input,
     [](Scene& scene) -> std::function<void()> {
       scene.input = scene.folder.Child(L"a folder");
       CreateDirectoryW(scene.input.c_str(), nullptr);
       return [path = scene.input] {
         RemoveDirectoryW(path.c_str());
         WriteBytes(path, kInput);
       };
     },
     [] { return std::make_error_code(std::errc::is_a_directory).message(); }},
};

class FileFailuresTest : public ::testing::TestWithParam<Trouble> {};

TEST_P(FileFailuresTest, ClearMessageOldOutputKeptAndNextRunWorks) {
  Scene scene;
  ASSERT_TRUE(WriteBytes(scene.input, kInput));
  ASSERT_TRUE(WriteBytes(scene.output, kOldOutput));
  const std::wstring oldOutput = scene.output;
  const std::function<void()> endTrouble = GetParam().cause(scene);
  const std::vector<std::wstring> entriesBefore = scene.folder.Entries();

  testing::EngineRig run(scene.input, scene.output);
  EXPECT_EQ(run.RunText(), RunOutcome::Failed);
  const std::string& message = MessageOf(run.result);
  const bool input = GetParam().culprit == Culprit::Input;
  EXPECT_EQ(message.rfind(input ? "Cannot read the input file" : "Cannot write the output file", 0),
            0u)
      << message;
  EXPECT_NE(message.find(input ? run.settings.inputPath : run.settings.outputPath),
            std::string::npos)
      << message;
  EXPECT_EQ(message.find_first_of("\r\n"), std::string::npos) << message;
  if (GetParam().reason) {
    EXPECT_NE(message.find(": " + GetParam().reason() + "."), std::string::npos) << message;
  }
  EXPECT_EQ(scene.folder.Entries(), entriesBefore) << "a file was left behind or removed";

  endTrouble();
  EXPECT_EQ(ReadBytes(oldOutput), std::string(kOldOutput));
  EXPECT_EQ(run.RunText(), RunOutcome::Completed) << MessageOf(run.result);
  EXPECT_EQ(ReadBytes(scene.output), std::string(kDistinct));
}

INSTANTIATE_TEST_SUITE_P(Windows, FileFailuresTest, ::testing::ValuesIn(kTroubles),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace sievra::wintest
