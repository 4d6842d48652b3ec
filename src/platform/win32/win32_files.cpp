#include "platform/win32/win32_files.h"

#include "platform/win32/win32_system.h"

namespace {

constexpr DWORD kLongest = 64 * 1024;

std::string Failure(const std::filesystem::path& file) { return Narrow(file.native()) + ": " + SystemMessage(GetLastError()); }

// Writes `text` into a new file beside `file`, under a name no other process uses; the draft's
// name, or nothing (`why` says why).
std::optional<std::filesystem::path> Draft(const std::filesystem::path& file, std::string_view text, std::string& why) {
  const std::filesystem::path folder = file.parent_path();
  if (!folder.empty() && !CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    why = Failure(folder);
    return std::nullopt;
  }
  std::filesystem::path draft = file;
  draft += L".new" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64());
  const HANDLE out = CreateFileW(draft.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    why = Failure(draft);
    return std::nullopt;
  }
  bool written = true;
  while (written && !text.empty()) {
    DWORD n = 0;
    written = WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &n, nullptr) && n > 0;
    text.remove_prefix(n);
  }
  // On the disk before it takes the old file's place: after a crash, the old text or the new.
  written = written && FlushFileBuffers(out);
  if (!written) why = Failure(draft);
  CloseHandle(out);
  if (written) return draft;
  DeleteFileW(draft.c_str());
  return std::nullopt;
}

WholeFiles::Put Move(const std::filesystem::path& file, std::string_view text, std::string& why, DWORD how) {
  const std::optional<std::filesystem::path> draft = Draft(file, text, why);
  if (!draft) return WholeFiles::Put::Failed;
  if (MoveFileExW(draft->c_str(), file.c_str(), how | MOVEFILE_WRITE_THROUGH)) return WholeFiles::Put::Done;
  const bool there = GetLastError() == ERROR_ALREADY_EXISTS;
  if (!there) why = Failure(file);
  DeleteFileW(draft->c_str());
  return there ? WholeFiles::Put::AlreadyThere : WholeFiles::Put::Failed;
}

}  // namespace

WholeFiles::Put Win32Files::replace(const std::filesystem::path& file, std::string_view text, std::string& why) {
  return Move(file, text, why, MOVEFILE_REPLACE_EXISTING);
}

// A move that may not replace fails when the name is taken, with no moment in between for
// another process to take it.
WholeFiles::Put Win32Files::create(const std::filesystem::path& file, std::string_view text, std::string& why) {
  return Move(file, text, why, 0);
}

std::optional<std::string> Win32Files::read(const std::filesystem::path& file) {
  const HANDLE in = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  if (in == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<std::string> text;
  if (GetFileType(in) == FILE_TYPE_DISK) {
    text.emplace();
    char buffer[4096];
    DWORD n = 0;
    while (text->size() < kLongest && ReadFile(in, buffer, sizeof buffer, &n, nullptr) && n > 0) text->append(buffer, n);
  }
  CloseHandle(in);
  if (text && text->size() > kLongest) text->resize(kLongest);
  return text;
}
