// Windows implementation of the platform layer.
//
// Every byte goes through ReadFile and WriteFile on the raw handles, so the
// C library's text mode never turns CR LF into LF or stops at Ctrl-Z: the
// program sees and writes exactly the bytes the POSIX build does.
//
// Names (file names and pause commands) are byte strings. Command-line
// arguments are handed over in UTF-8. A name that is valid UTF-8 is taken
// as UTF-8; any other name in the console's input code page (the ANSI code
// page without a console). The wide form then goes to the file system, so
// `péak.dat` in redirected UTF-8 input opens that file whatever the code
// page. Device names (NUL, CON, COM1...) keep the meaning Windows gives them.
#include "runtime/platform.h"

#include <windows.h>

#include <string>
#include <vector>

// The C runtime's wide form of the command line.
extern "C" int __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** env, int expand_wildcards, void* start_info);

namespace zel::platform {
namespace {

std::vector<std::string> g_arguments;  // program name excluded
EndHook g_end_hook = nullptr;
volatile LONG g_end_hook_ran = 0;

// Handles from OpenExisting are indexes into this table, from 3 up, so they
// can never be mistaken for a standard handle.
constexpr int kFirstFile = kStderr + 1;
constexpr int kMaxFiles = 16;
HANDLE g_files[kMaxFiles] = {};

// The console writes of older Windows versions refuse large buffers.
constexpr DWORD kWriteChunk = 32 * 1024;

DWORD StandardHandleId(int handle) {
  switch (handle) {
    case kStdin: return STD_INPUT_HANDLE;
    case kStdout: return STD_OUTPUT_HANDLE;
    default: return STD_ERROR_HANDLE;
  }
}

HANDLE SystemHandle(int handle) {
  if (handle >= kStdin && handle <= kStderr) return GetStdHandle(StandardHandleId(handle));
  if (handle >= kFirstFile && handle < kFirstFile + kMaxFiles && g_files[handle - kFirstFile] != nullptr) {
    return g_files[handle - kFirstFile];
  }
  return INVALID_HANDLE_VALUE;
}

// The wide form of a name: UTF-8 when the bytes are valid UTF-8, the
// console's input code page otherwise. False when no conversion accepts
// the bytes.
bool WideName(const std::string& bytes, std::wstring& wide) {
  wide.clear();
  if (bytes.empty()) return true;
  const int size = static_cast<int>(bytes.size());
  const UINT console = GetConsoleCP();
  for (UINT code_page : {static_cast<UINT>(CP_UTF8), console != 0 ? console : static_cast<UINT>(CP_ACP)}) {
    const DWORD flags = code_page == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    const int count = MultiByteToWideChar(code_page, flags, bytes.data(), size, nullptr, 0);
    if (count <= 0) continue;
    wide.resize(static_cast<std::size_t>(count));
    if (MultiByteToWideChar(code_page, flags, bytes.data(), size, wide.data(), count) == count) return true;
  }
  wide.clear();
  return false;
}

OpenStatus StatusFromError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return OpenStatus::kNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return OpenStatus::kAccessDenied;
    case ERROR_TOO_MANY_OPEN_FILES:
      return OpenStatus::kTooManyFiles;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
    case ERROR_INVALID_PARAMETER:
      return OpenStatus::kInvalidName;
    default:
      return OpenStatus::kOther;
  }
}

// Only a refusal of the access mode is worth another try. A device such as
// CON refuses reading and writing together as an invalid parameter.
bool RefusesAccessMode(DWORD error) {
  return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_WRITE_PROTECT ||
         error == ERROR_INVALID_PARAMETER;
}

}  // namespace

bool IsTerminal(int handle) {
  DWORD mode = 0;
  return GetConsoleMode(SystemHandle(handle), &mode) != 0;
}

bool WriteAll(int handle, const char* data, std::size_t size) {
  const HANDLE h = SystemHandle(handle);
  while (size > 0) {
    const DWORD chunk = size < kWriteChunk ? static_cast<DWORD>(size) : kWriteChunk;
    DWORD written = 0;
    if (!WriteFile(h, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

long Read(int handle, char* buffer, std::size_t size) {
  const DWORD wanted = size < (1u << 30) ? static_cast<DWORD>(size) : (1u << 30);
  DWORD count = 0;
  if (ReadFile(SystemHandle(handle), buffer, wanted, &count, nullptr)) return static_cast<long>(count);
  switch (GetLastError()) {
    case ERROR_MORE_DATA:  // part of a longer pipe message; the rest comes next
      return static_cast<long>(count);
    case ERROR_BROKEN_PIPE:  // the writer of a pipe has gone: the end of the input
    case ERROR_HANDLE_EOF:
      return 0;
    default:
      return -1;
  }
}

OpenResult OpenExisting(const std::string& path) {
  std::wstring name;
  if (path.find('\0') != std::string::npos || !WideName(path, name) || name.empty()) {
    return {-1, OpenStatus::kInvalidName};
  }
  int slot = 0;
  while (slot < kMaxFiles && g_files[slot] != nullptr) ++slot;
  if (slot == kMaxFiles) return {-1, OpenStatus::kTooManyFiles};

  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return {-1, OpenStatus::kAccessDenied};
  }
  // Other processes may read, write, rename and delete the file meanwhile;
  // a missing file is never created. CreateFileW does not wait for a busy
  // pipe, so no name makes the open itself hang.
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  DWORD last_error = ERROR_SUCCESS;
  for (DWORD access : {GENERIC_READ | GENERIC_WRITE, static_cast<DWORD>(GENERIC_READ), static_cast<DWORD>(GENERIC_WRITE)}) {
    const HANDLE h =
        CreateFileW(name.c_str(), access, kShare, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      g_files[slot] = h;
      return {kFirstFile + slot, OpenStatus::kOk};
    }
    last_error = GetLastError();
    if (!RefusesAccessMode(last_error)) break;
  }
  return {-1, StatusFromError(last_error)};
}

bool Rewind(int handle) {
  LARGE_INTEGER start{};
  return SetFilePointerEx(SystemHandle(handle), start, nullptr, FILE_BEGIN) != 0;
}

void Close(int handle) {
  if (handle < kFirstFile || handle >= kFirstFile + kMaxFiles) return;
  HANDLE& h = g_files[handle - kFirstFile];
  if (h != nullptr) CloseHandle(h);
  h = nullptr;
}

void PrepareProcess() {
  // A standard handle missing at start is put on the null device: reads
  // then see the end of input and writes go nowhere, as on POSIX.
  for (int handle : {kStdin, kStdout, kStderr}) {
    const HANDLE h = GetStdHandle(StandardHandleId(handle));
    bool missing = h == nullptr || h == INVALID_HANDLE_VALUE;
    if (!missing && GetFileType(h) == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR) missing = true;
    if (!missing) continue;
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE null_device = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           &inherited, OPEN_EXISTING, 0, nullptr);
    if (null_device != INVALID_HANDLE_VALUE) SetStdHandle(StandardHandleId(handle), null_device);
  }
  // No message box for a fault: the run ends with its report instead.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
}

void SetArguments(int argc, char** argv) {
  // The narrow arguments hold only what the ANSI code page can say; the
  // wide ones, in UTF-8, keep every character of a name.
  int count = 0;
  wchar_t** wide = nullptr;
  wchar_t** environment = nullptr;
  int start_info = 0;
  const bool have_wide = __wgetmainargs(&count, &wide, &environment, 0, &start_info) == 0 && wide != nullptr;
  g_arguments.clear();
  for (int i = 1; i < (have_wide ? count : argc); ++i) {
    if (!have_wide) {
      g_arguments.emplace_back(argv[i] != nullptr ? argv[i] : "");
      continue;
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string text(size > 0 ? static_cast<std::size_t>(size) : 1u, '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), size, nullptr, nullptr);
    text.pop_back();  // the terminating NUL
    g_arguments.push_back(std::move(text));
  }
}

int ArgumentCount() { return static_cast<int>(g_arguments.size()); }

std::string_view Argument(int index) {
  if (index < 1 || index > ArgumentCount()) return {};
  return g_arguments[static_cast<std::size_t>(index - 1)];
}

void RunCommand(const std::string& command_line) {
  // "%COMSPEC% /c LINE", the way the C library's system() runs a command;
  // cmd.exe, searched for on the path, when COMSPEC is not set.
  std::wstring interpreter(MAX_PATH, L'\0');
  DWORD length = GetEnvironmentVariableW(L"COMSPEC", interpreter.data(), MAX_PATH);
  if (length >= MAX_PATH) {
    interpreter.resize(length);
    length = GetEnvironmentVariableW(L"COMSPEC", interpreter.data(), length);
  }
  interpreter.resize(length < interpreter.size() ? length : 0);
  if (interpreter.empty()) interpreter = L"cmd.exe";

  std::wstring line;
  if (!WideName(command_line, line)) return;
  std::wstring full = L"\"" + interpreter + L"\" /c " + line;

  // The command shares the program's standard handles; the data file is
  // not inheritable and stays the program's own.
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
    SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  }
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, full.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) return;
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

void SetProcessEndHook(EndHook hook) {
  g_end_hook = hook;
  g_end_hook_ran = 0;
}

void RunProcessEndHook() {
  if (InterlockedExchange(&g_end_hook_ran, 1) != 0) return;
  if (g_end_hook != nullptr) g_end_hook();
}

void Exit(int status) {
  RunProcessEndHook();
  ExitProcess(static_cast<UINT>(status));
}

}  // namespace zel::platform
