// Windows only: CreateProcess with the arguments quoted as the C runtime takes them apart,
// and the output collected through files.
#include <windows.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "batch/Runner.h"

namespace batchtest {

namespace {

std::string Quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
    return arg;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    quoted += c;
    backslashes = 0;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

class Capture {
public:
  explicit Capture(const std::string& name) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    path_ = std::string(folder) + name + std::to_string(GetCurrentProcessId()) + ".txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    handle_ = CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE)
      throw std::runtime_error("cannot create " + path_);
  }
  ~Capture() {
    if (handle_ != INVALID_HANDLE_VALUE)
      CloseHandle(handle_);
    DeleteFileA(path_.c_str());
  }
  HANDLE handle() const { return handle_; }
  std::string Text() {
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

private:
  std::string path_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

} // namespace

Result RunProgram(const Launch& launch) {
  std::string line = "\"" + launch.program + "\"";
  for (const std::string& arg : launch.args)
    line += " " + Quote(arg);
  for (const auto& [name, value] : launch.environment)
    SetEnvironmentVariableA(name.c_str(), value.c_str());
  Capture out("batch-out-"), err("batch-err-");
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out.handle();
  startup.hStdError = err.handle();
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      launch.folder.c_str(), &startup, &process);
  for (const auto& [name, value] : launch.environment)
    SetEnvironmentVariableA(name.c_str(), nullptr);
  if (!started)
    throw std::runtime_error("cannot start " + line);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  Result result;
  result.exitCode = static_cast<int>(code);
  result.out = out.Text();
  result.err = err.Text();
  return result;
}

// Wine shows the Unix root as drive Z:.
std::string BuildPath(const std::string& path) {
  std::string native = !path.empty() && path[0] == '/' ? "Z:" + path : path;
  for (char& c : native)
    if (c == '/')
      c = '\\';
  return native;
}

bool CanLimitFileSize() { return false; }

bool CanRunShellScripts() { return false; }

} // namespace batchtest
