#include "platform/file_system.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#ifdef _WIN32
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace platform {

std::string ToNativeSeparators(std::string_view path) {
  std::string result(path);
#ifndef _WIN32
  for (char& c : result) {
    if (c == '\\') c = '/';
  }
#endif
  return result;
}

void AppendSeparator(std::string& path) {
  if (path.empty() || path.back() != kSeparator) path.push_back(kSeparator);
}

bool MakeDirectory(const std::string& path, bool* made) {
#ifdef _WIN32
  const bool created = CreateDirectoryA(path.c_str(), nullptr) != 0;
  if (made != nullptr) *made = created;
  return created || GetLastError() != ERROR_PATH_NOT_FOUND;
#else
  const bool created = mkdir(path.c_str(), 0777) == 0;
  if (made != nullptr) *made = created;
  // A parent that is a regular file is what Windows reports as "path not found".
  return created || (errno != ENOENT && errno != ENOTDIR);
#endif
}

namespace {

// Where the directories EnsurePath may create begin: after the root, which is
// never created. On Windows the root is a drive ("C:\\" or "C:"), a share
// ("\\\\server\\share\\") or a lone separator; a relative path has none.
size_t FirstCreatable(std::string_view path) {
#ifdef _WIN32
  if (path.size() >= 2 && path[1] == ':') {
    return path.size() >= 3 && (path[2] == '\\' || path[2] == '/') ? 3 : 2;
  }
  if (path.size() >= 2 && path[0] == kSeparator && path[1] == kSeparator) {
    size_t server_end = path.find(kSeparator, 2);
    if (server_end == std::string_view::npos) return path.size();
    size_t share_end = path.find(kSeparator, server_end + 1);
    return share_end == std::string_view::npos ? path.size() : share_end + 1;
  }
#else
  (void)path;
#endif
  return 1;  // past a leading separator (the root), or past a name's first character
}

}  // namespace

bool EnsurePath(std::string_view path, bool* made_last) {
  bool made = false;
  for (size_t i = FirstCreatable(path); i < path.size(); ++i) {
    if (path[i] != kSeparator) continue;
    if (!MakeDirectory(std::string(path.substr(0, i)), &made)) return false;
  }
  if (made_last != nullptr) *made_last = made;
  return true;
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
  std::FILE* file = std::fopen(path.c_str(), mode);
  if (file == nullptr) return nullptr;
  // Opening a directory for writing fails by itself (EISDIR); only a file
  // opened just for reading needs a look at what it is.
  const std::string_view how(mode);
  if (how.find_first_of("wa+") != std::string_view::npos) return file;
  struct stat info;
  if (fstat(fileno(file), &info) == 0 && (info.st_mode & S_IFMT) == S_IFDIR) {
    std::fclose(file);
    errno = EISDIR;
    return nullptr;
  }
  return file;
}

#ifndef _WIN32
namespace {

// A descriptor of path opened for reading without blocking, -1 unless it
// names a regular file; *size (where given) its length.
int OpenRegularDescriptor(const std::string& path, std::uint64_t* size = nullptr) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    errno = EINVAL;
    return -1;
  }
  if (size != nullptr) *size = info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
  return fd;
}

}  // namespace

std::FILE* OpenRegularFile(const std::string& path) {
  const int fd = OpenRegularDescriptor(path);
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, "rb");
  if (file == nullptr) close(fd);
  return file;
}
#else
std::FILE* OpenRegularFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return nullptr;
  struct stat info;
  if (fstat(fileno(file), &info) != 0 || (info.st_mode & S_IFMT) != S_IFREG) {
    std::fclose(file);
    errno = EINVAL;
    return nullptr;
  }
  return file;
}
#endif

#ifndef _WIN32
namespace {

// The descriptor of path created anew for writing (CreateNewFile's rule). The
// exclusive create is tried first: a name already taken (a leftover file, a
// link, which O_NOFOLLOW never follows) is removed and the create tried once
// more, so the common case of a free name costs one call.
int CreateNewDescriptor(const std::string& path) {
  constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  int fd = open(path.c_str(), kFlags, 0666);
  if (fd >= 0 || errno != EEXIST) return fd;
  struct stat info;
  if (lstat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode) && unlink(path.c_str()) != 0) {
    return -1;
  }
  return open(path.c_str(), kFlags, 0666);
}

}  // namespace

std::FILE* CreateNewFile(const std::string& path, bool /*text*/) {
  const int fd = CreateNewDescriptor(path);
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) close(fd);
  return file;
}

NewFileWrite WriteNewFile(const std::string& path, std::string_view bytes) {
  const int fd = CreateNewDescriptor(path);
  if (fd < 0) return NewFileWrite::kNotCreated;
  size_t at = 0;
  bool written = true;
  while (written && at < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + at, bytes.size() - at);
    if (n < 0 && errno == EINTR) continue;
    written = n > 0;
    if (written) at += static_cast<size_t>(n);
  }
  const bool closed = close(fd) == 0;
  return written && closed ? NewFileWrite::kWritten : NewFileWrite::kNotWritten;
}

std::FILE* OpenWithoutFollowing(const std::string& path, const char* mode) {
  if (mode[0] != 'a') return CreateNewFile(path);
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, "ab");
  if (file == nullptr) close(fd);
  return file;
}
#else
// The exclusive create is tried first: a name already taken by a file is
// removed and the create tried once more, so a free name costs one call.
std::FILE* CreateNewFile(const std::string& path, bool text) {
  const int flags = _O_WRONLY | _O_CREAT | _O_EXCL | (text ? _O_TEXT : _O_BINARY);
  int fd = _open(path.c_str(), flags, 0666);
  if (fd < 0 && errno == EEXIST) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
        !DeleteFileA(path.c_str())) {
      return nullptr;
    }
    fd = _open(path.c_str(), flags, 0666);
  }
  if (fd < 0) return nullptr;
  std::FILE* file = _fdopen(fd, text ? "w" : "wb");
  if (file == nullptr) _close(fd);
  return file;
}

NewFileWrite WriteNewFile(const std::string& path, std::string_view bytes) {
  std::FILE* file = CreateNewFile(path);
  if (file == nullptr) return NewFileWrite::kNotCreated;
  std::setvbuf(file, nullptr, _IONBF, 0);
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  return written && closed ? NewFileWrite::kWritten : NewFileWrite::kNotWritten;
}

std::FILE* OpenWithoutFollowing(const std::string& path, const char* mode) {
  if (mode[0] != 'a') return CreateNewFile(path);
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return nullptr;
  }
  return OpenFile(path, "ab");
}
#endif

bool IsDirectory(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == S_IFDIR;
}

bool IsRegularFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == S_IFREG;
}

std::uint64_t RegularFileSize(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || (info.st_mode & S_IFMT) != S_IFREG) return 0;
  return static_cast<std::uint64_t>(info.st_size);
}

bool RemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

bool IsOwnDirectory(const std::string& path) {
#ifdef _WIN32
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
#else
  struct stat info;
  return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
#endif
}

bool Exists(const std::string& path) {
#ifdef _WIN32
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
#endif
}

bool RemoveEmptyDirectory(const std::string& path) {
#ifdef _WIN32
  return RemoveDirectoryA(path.c_str()) != 0;
#else
  return rmdir(path.c_str()) == 0;
#endif
}

bool RenameOver(const std::string& from, const std::string& to) {
#ifdef _WIN32
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

#ifndef _WIN32
namespace {

// Reads up to size bytes into to, fewer only at the file's end; -1 when a
// read fails.
ssize_t ReadUpTo(int fd, char* to, size_t size) {
  size_t total = 0;
  while (total < size) {
    const ssize_t n = read(fd, to + total, size - total);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    total += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(total);
}

}  // namespace

// On descriptors: the sizes come with the regular-file check, and the blocks
// are read straight into memory that is never cleared first.
bool SameFileContents(const std::string& a, const std::string& b) {
  std::uint64_t first_size = 0, second_size = 0;
  const int first = OpenRegularDescriptor(a, &first_size);
  if (first < 0) return false;
  const int second = OpenRegularDescriptor(b, &second_size);
  if (second < 0) {
    close(first);
    return false;
  }
  bool same = first_size == second_size;
  constexpr size_t kBlock = 64 * 1024;
  std::unique_ptr<char[]> blocks(same ? new char[2 * kBlock] : nullptr);
  while (same) {
    const ssize_t read = ReadUpTo(first, blocks.get(), kBlock);
    const ssize_t other = ReadUpTo(second, blocks.get() + kBlock, kBlock);
    if (read < 0 || read != other ||
        std::memcmp(blocks.get(), blocks.get() + kBlock, static_cast<size_t>(read)) != 0) {
      same = false;
    } else if (static_cast<size_t>(read) < kBlock) {
      break;
    }
  }
  close(first);
  close(second);
  return same;
}
#else
bool SameFileContents(const std::string& a, const std::string& b) {
  std::FILE* first = OpenRegularFile(a);
  if (first == nullptr) return false;
  std::FILE* second = OpenRegularFile(b);
  if (second == nullptr) {
    std::fclose(first);
    return false;
  }
  struct stat first_info, second_info;
  bool same = fstat(fileno(first), &first_info) == 0 && fstat(fileno(second), &second_info) == 0 &&
              first_info.st_size == second_info.st_size;
  // Unbuffered: each read fills one of the two blocks straight from the file.
  std::setvbuf(first, nullptr, _IONBF, 0);
  std::setvbuf(second, nullptr, _IONBF, 0);
  constexpr size_t kBlock = 64 * 1024;
  std::vector<char> blocks(2 * kBlock);
  while (same) {
    const size_t read = std::fread(blocks.data(), 1, kBlock, first);
    const size_t other = std::fread(blocks.data() + kBlock, 1, kBlock, second);
    if (read != other || std::memcmp(blocks.data(), blocks.data() + kBlock, read) != 0) {
      same = false;
    } else if (read < kBlock) {
      same = !std::ferror(first) && !std::ferror(second);
      break;
    }
  }
  std::fclose(first);
  std::fclose(second);
  return same;
}
#endif

#ifndef _WIN32
bool FileHoldsBytes(const std::string& path, std::string_view bytes, char* buffer,
                    size_t buffer_size) {
  std::uint64_t size = 0;
  const int fd = OpenRegularDescriptor(path, &size);
  if (fd < 0) return false;
  bool same = size == bytes.size();
  size_t at = 0;
  while (same && at < bytes.size()) {
    const ssize_t n = read(fd, buffer, std::min(buffer_size, bytes.size() - at));
    if (n < 0 && errno == EINTR) continue;
    same = n > 0 && std::memcmp(buffer, bytes.data() + at, static_cast<size_t>(n)) == 0;
    if (same) at += static_cast<size_t>(n);
  }
  close(fd);
  return same;
}
#else
bool FileHoldsBytes(const std::string& path, std::string_view bytes, char* buffer,
                    size_t buffer_size) {
  std::FILE* file = OpenRegularFile(path);
  if (file == nullptr) return false;
  struct stat info;
  bool same =
      fstat(fileno(file), &info) == 0 && static_cast<std::uint64_t>(info.st_size) == bytes.size();
  std::setvbuf(file, nullptr, _IONBF, 0);
  size_t at = 0;
  while (same && at < bytes.size()) {
    const size_t n = std::fread(buffer, 1, std::min(buffer_size, bytes.size() - at), file);
    same = n > 0 && std::memcmp(buffer, bytes.data() + at, n) == 0;
    at += n;
  }
  std::fclose(file);
  return same;
}
#endif

bool SyncFile(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
#ifdef _WIN32
  return _commit(_fileno(file)) == 0;
#else
  return fsync(fileno(file)) == 0;
#endif
}

bool SyncDirectory(const std::string& path) {
#ifdef _WIN32
  (void)path;
  return true;
#else
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0;
  close(fd);
  return synced;
#endif
}

namespace {

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

}  // namespace

#ifdef _WIN32
bool ListDirectory(const std::string& path, std::vector<std::string>* names) {
  names->clear();
  std::string pattern = path;
  if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  do {
    if (!IsDotOrDotDot(found.cFileName)) names->emplace_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  const bool ok = GetLastError() == ERROR_NO_MORE_FILES;
  FindClose(search);
  return ok;
}
#else
bool ListDirectory(const std::string& path, std::vector<std::string>* names) {
  names->clear();
  DIR* directory = opendir(path.c_str());
  if (directory == nullptr) return false;
  for (;;) {
    errno = 0;
    const struct dirent* entry = readdir(directory);
    if (entry == nullptr) break;
    if (!IsDotOrDotDot(entry->d_name)) names->emplace_back(entry->d_name);
  }
  const bool ok = errno == 0;
  closedir(directory);
  return ok;
}
#endif

#ifndef _WIN32
// One open, one fstat and, for a file that does not change meanwhile, one read
// of its whole length straight into the string: the index run reads thousands
// of articles, and each system call counts.
bool ReadWholeFile(const std::string& path, std::string* contents, bool* opened) {
  std::uint64_t size = 0;
  int fd = OpenRegularDescriptor(path, &size);
  if (opened != nullptr) *opened = fd >= 0;
  if (fd < 0) return false;
  size_t expected = static_cast<size_t>(size);
  contents->resize(expected + 1);
  size_t total = 0;
  bool ok = true;
  for (;;) {
    ssize_t n = read(fd, contents->data() + total, contents->size() - total);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    total += static_cast<size_t>(n);
    if (total == expected) break;  // the whole length, as fstat gave it
    if (total == contents->size()) contents->resize(contents->size() * 2);
  }
  close(fd);
  contents->resize(total);
  return ok;
}
#else
bool ReadWholeFile(const std::string& path, std::string* contents, bool* opened) {
  std::FILE* file = OpenRegularFile(path);
  if (opened != nullptr) *opened = file != nullptr;
  if (file == nullptr) return false;
  contents->clear();
  struct stat info;
  size_t expected =
      fstat(fileno(file), &info) == 0 && info.st_size > 0 ? static_cast<size_t>(info.st_size) : 0;
  contents->resize(expected + 1);
  size_t total = 0;
  for (;;) {
    size_t n = std::fread(contents->data() + total, 1, contents->size() - total, file);
    total += n;
    if (total < contents->size()) break;
    contents->resize(contents->size() * 2);
  }
  bool ok = !std::ferror(file);
  std::fclose(file);
  contents->resize(total);
  return ok;
}
#endif

}  // namespace platform
