// Isolated runs on Windows, which has no fork: each run is this program
// started again as "PROGRAM --isolated-run HANDLE HEX", where HANDLE is the
// inherited write end of its result channel and HEX the argument's bytes in
// hexadecimal (no quoting rule of the command line can alter them). Its
// standard input is the null device and its standard output and error are
// pipes; a few worker threads each start one run at a time and read its
// three pipes, and the calling thread reports the runs as they end.
#include "runtime/isolate.h"

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "runtime/platform.h"

namespace zel::platform {
namespace {

constexpr std::string_view kOption = "--isolated-run";
HANDLE g_result = INVALID_HANDLE_VALUE;  // in a run: its result channel

std::wstring Wide(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  for (UINT code_page : {static_cast<UINT>(CP_UTF8), static_cast<UINT>(CP_ACP)}) {
    const DWORD flags = code_page == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    const int count = MultiByteToWideChar(code_page, flags, bytes.data(), size, nullptr, 0);
    if (count <= 0) continue;
    std::wstring wide(static_cast<std::size_t>(count), L'\0');
    if (MultiByteToWideChar(code_page, flags, bytes.data(), size, wide.data(), count) == count) return wide;
  }
  return {};
}

std::wstring ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) return path.substr(0, length);
    path.resize(path.size() * 2);
  }
}

void ReadToEnd(HANDLE pipe, std::string& sink) {
  char buffer[65536];
  DWORD count = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &count, nullptr) && count > 0) sink.append(buffer, count);
  CloseHandle(pipe);
}

// Only one run is started at a time: its pipe ends are inheritable just
// while CreateProcess runs and are closed in this process right after, so
// no other run inherits them (its pipes would then never report their end).
std::mutex g_start;

IsolatedRun RunOne(const std::wstring& program, std::string_view argument) {
  IsolatedRun run;
  HANDLE read_end[3] = {}, write_end[3] = {};
  HANDLE null_device = INVALID_HANDLE_VALUE;
  PROCESS_INFORMATION process{};
  {
    std::lock_guard<std::mutex> lock(g_start);
    bool ok = true;
    for (int i = 0; i < 3; ++i) ok = ok && CreatePipe(&read_end[i], &write_end[i], nullptr, 0);
    null_device = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ok = ok && null_device != INVALID_HANDLE_VALUE;
    if (ok) {
      for (HANDLE h : {write_end[0], write_end[1], write_end[2], null_device}) {
        SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
      }
      static const char kHex[] = "0123456789abcdef";
      std::wstring line = L"\"" + program + L"\" " + std::wstring(kOption.begin(), kOption.end()) + L" " +
                          std::to_wstring(reinterpret_cast<std::uintptr_t>(write_end[2])) + L" x";
      for (unsigned char byte : argument) {
        line += static_cast<wchar_t>(kHex[byte >> 4]);
        line += static_cast<wchar_t>(kHex[byte & 15]);
      }
      STARTUPINFOW startup{};
      startup.cb = sizeof startup;
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdInput = null_device;
      startup.hStdOutput = write_end[0];
      startup.hStdError = write_end[1];
      ok = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                          &startup, &process) != 0;
    }
    for (HANDLE h : {write_end[0], write_end[1], write_end[2], null_device}) {
      if (h != nullptr && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    if (!ok) {
      for (HANDLE h : read_end) {
        if (h != nullptr) CloseHandle(h);
      }
      run.started = false;
      return run;
    }
  }
  std::thread err([&] { ReadToEnd(read_end[1], run.err); });
  std::thread result([&] { ReadToEnd(read_end[2], run.result); });
  ReadToEnd(read_end[0], run.out);
  err.join();
  result.join();
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // An exception that ended the process leaves its status code (0xC...).
  run.exited = code < 0xC0000000u;
  run.status = static_cast<int>(code);
  return run;
}

}  // namespace

void RunIsolated(const std::vector<std::string>& arguments, int parallel, IsolatedBody,
                 const std::function<void(std::size_t, IsolatedRun&&)>& done) {
  const std::wstring program = ProgramPath();
  std::vector<IsolatedRun> runs(arguments.size());
  std::vector<bool> finished(arguments.size(), false);
  std::size_t next = 0;
  std::mutex mutex;
  std::condition_variable changed;
  auto work = [&] {
    for (;;) {
      std::size_t index;
      {
        std::lock_guard<std::mutex> lock(mutex);
        if (next == arguments.size()) return;
        index = next++;
      }
      IsolatedRun run = RunOne(program, arguments[index]);
      std::lock_guard<std::mutex> lock(mutex);
      runs[index] = std::move(run);
      finished[index] = true;
      changed.notify_one();
    }
  };
  std::vector<std::thread> workers;
  const std::size_t count = std::min<std::size_t>(parallel < 1 ? 1 : static_cast<std::size_t>(parallel), arguments.size());
  for (std::size_t i = 0; i < count; ++i) workers.emplace_back(work);
  // The calling thread alone reports, in the order the runs end.
  std::vector<bool> reported(arguments.size(), false);
  for (std::size_t left = arguments.size(); left > 0;) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] {
      for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (finished[i] && !reported[i]) return true;
      }
      return false;
    });
    for (std::size_t i = 0; i < arguments.size(); ++i) {
      if (!finished[i] || reported[i]) continue;
      reported[i] = true;
      --left;
      IsolatedRun run = std::move(runs[i]);
      lock.unlock();
      done(i, std::move(run));
      lock.lock();
    }
  }
  for (std::thread& worker : workers) worker.join();
}

void SendIsolatedResult(std::string_view bytes) {
  while (!bytes.empty() && g_result != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    if (!WriteFile(g_result, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written == 0) return;
    bytes.remove_prefix(written);
  }
}

bool IsolatedRunRequested() { return ArgumentCount() == 3 && Argument(1) == kOption; }

void RunAsIsolated(IsolatedBody body) {
  std::uintptr_t handle = 0;
  for (char digit : Argument(2)) handle = handle * 10 + static_cast<std::uintptr_t>(digit - '0');
  g_result = reinterpret_cast<HANDLE>(handle);
  std::string argument;
  const std::string_view hex = Argument(3).substr(1);  // after the "x" that keeps an empty argument present
  auto value = [](char digit) { return digit <= '9' ? digit - '0' : digit - 'a' + 10; };
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    argument += static_cast<char>(value(hex[i]) * 16 + value(hex[i + 1]));
  }
  body(argument);
  Exit(0);
}

int ProcessorCount() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors < 1 ? 1 : static_cast<int>(info.dwNumberOfProcessors);
}

bool SameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION info[2] = {};
  const std::string* paths[2] = {&a, &b};
  for (int i = 0; i < 2; ++i) {
    const std::wstring name = Wide(*paths[i]);
    if (name.empty()) return false;
    const HANDLE h = CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(h, &info[i]) != 0;
    CloseHandle(h);
    if (!ok) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

std::string WriteWholeFile(const std::string& path, std::string_view bytes) {
  const std::wstring name = Wide(path);
  const HANDLE h = name.empty() ? INVALID_HANDLE_VALUE
                                : CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "cannot create the file (error " + std::to_string(GetLastError()) + ")";
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written == 0) {
      const std::string why = "cannot write the file (error " + std::to_string(GetLastError()) + ")";
      CloseHandle(h);
      return why;
    }
    bytes.remove_prefix(written);
  }
  CloseHandle(h);
  return {};
}

}  // namespace zel::platform
