#include "cli_runner.h"

#include "test_support.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace sievra::testing {

namespace {

#ifdef _WIN32

std::wstring Wide(std::string_view utf8) {
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
  return out;
}

// Quotes one argument the way CommandLineToArgvW splits it back.
std::wstring Quoted(const std::wstring& arg) {
  std::wstring out = L"\"";
  std::size_t slashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
    slashes = 0;
    out += c;
  }
  out.append(slashes * 2, L'\\');
  return out + L"\"";
}

HANDLE Inheritable(const std::string& path, DWORD access, DWORD creation) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     creation, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The build tree's path as Wine sees it when the tests were cross-built on Linux.
std::wstring ProgramPath() {
  std::wstring path = Wide(SIEVRA_CLI_PATH);
  if (path.starts_with(L"/")) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    path = L"Z:" + path;
  }
  return path;
}

int Spawn(const std::vector<std::string>& args, const TempDir& io) {
  std::wstring command = CliCommandLine(args);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = Inheritable(io.File("stdin"), GENERIC_READ, OPEN_EXISTING);
  startup.hStdOutput = Inheritable(io.File("stdout"), GENERIC_WRITE, CREATE_ALWAYS);
  startup.hStdError = Inheritable(io.File("stderr"), GENERIC_WRITE, CREATE_ALWAYS);
  PROCESS_INFORMATION process{};
  DWORD status = 255;
  if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) CloseHandle(h);
  return static_cast<int>(status);
}

#else

int Spawn(const std::vector<std::string>& args, const TempDir& io) {
  std::vector<char*> argv{const_cast<char*>(SIEVRA_CLI_PATH)};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    const int in = open(io.File("stdin").c_str(), O_RDONLY);
    const int out = open(io.File("stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(io.File("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
      _exit(125);
    execv(argv[0], argv.data());
    _exit(126);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

#endif

}  // namespace

#ifdef _WIN32
std::wstring CliCommandLine(const std::vector<std::string>& args) {
  std::wstring command = Quoted(ProgramPath());
  for (const std::string& arg : args) command += L" " + Quoted(Wide(arg));
  return command;
}
#endif

CliRun RunCli(const std::vector<std::string>& args, std::string_view input) {
  TempDir io;
  WriteBytes(io.File("stdin"), input);
  CliRun run;
  run.status = Spawn(args, io);
  run.out = ReadBytes(io.File("stdout"));
  run.err = ReadBytes(io.File("stderr"));
  return run;
}

}  // namespace sievra::testing
