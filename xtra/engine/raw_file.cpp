#include "xtra/engine/raw_file.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>  // SEEK_CUR
#else
#include <fcntl.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <dirent.h>  // getdents64 and its record

#include <cstddef>  // offsetof
#endif

namespace engine {

namespace {

#ifdef _WIN32
int OpenForReading(const char* path) { return _open(path, _O_RDONLY | _O_BINARY); }
int CloseDescriptor(int fd) { return _close(fd); }
bool IsRegular(int fd, std::int64_t* size) {
  struct _stat64 info;
  if (_fstat64(fd, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) return false;
  *size = info.st_size;
  return true;
}
long ReadDescriptor(int fd, char* buffer, size_t capacity) {
  unsigned int chunk = capacity > 0x40000000u ? 0x40000000u : static_cast<unsigned int>(capacity);
  return _read(fd, buffer, chunk);
}
bool SkipDescriptor(int fd, std::int64_t count) { return _lseeki64(fd, count, SEEK_CUR) >= 0; }
// Reads at offset: a seek, then the read.
long ReadDescriptorAt(int fd, char* buffer, size_t capacity, std::int64_t offset) {
  return _lseeki64(fd, offset, SEEK_SET) >= 0 ? ReadDescriptor(fd, buffer, capacity) : -1;
}
#else
int OpenForReading(const char* path) { return open(path, O_RDONLY | O_CLOEXEC); }
int CloseDescriptor(int fd) { return close(fd); }
// Reads at offset in one call.
long ReadDescriptorAt(int fd, char* buffer, size_t capacity, std::int64_t offset) {
  ssize_t n;
  do {
    n = pread(fd, buffer, capacity, static_cast<off_t>(offset));
  } while (n < 0 && errno == EINTR);
  return static_cast<long>(n);
}
#endif

void StoreIdentityField(std::uint64_t value, unsigned char* at) {
  for (int i = 0; i < 8; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

#ifndef _WIN32
bool StoreStatusIdentity(const struct stat& info, unsigned char (&out)[kFileIdentitySize]) {
  if (!S_ISREG(info.st_mode)) return false;
  auto nanoseconds = [](const struct timespec& t) {
    return static_cast<std::uint64_t>(t.tv_sec) * 1000000000u +
           static_cast<std::uint64_t>(t.tv_nsec);
  };
  StoreIdentityField(static_cast<std::uint64_t>(info.st_size), out);
  StoreIdentityField(nanoseconds(info.st_mtim), out + 8);
  StoreIdentityField(nanoseconds(info.st_ctim), out + 16);
  StoreIdentityField(static_cast<std::uint64_t>(info.st_dev), out + 24);
  StoreIdentityField(static_cast<std::uint64_t>(info.st_ino), out + 32);
  return true;
}
#endif

}  // namespace

#ifdef _WIN32
bool RawFile::Open(const char* path) {
  Close();
  int fd = OpenForReading(path);
  if (fd < 0) return false;
  std::int64_t size = 0;
  if (!IsRegular(fd, &size)) {
    CloseDescriptor(fd);
    return false;
  }
  fd_ = fd;
  size_ = size;
  return true;
}

size_t RawFile::Read(char* buffer, size_t capacity) {
  if (fd_ < 0 || capacity == 0) return 0;
  long n = ReadDescriptor(fd_, buffer, capacity);
  return n > 0 ? static_cast<size_t>(n) : 0;
}

bool RawFile::Skip(std::int64_t count) { return fd_ >= 0 && SkipDescriptor(fd_, count); }
#else
bool RawFile::Open(const char* path) {
  Close();
  int fd = OpenForReading(path);
  if (fd < 0) return false;
  struct stat info;
  if (fstat(fd, &info) != 0 || !StoreStatusIdentity(info, identity_)) {
    CloseDescriptor(fd);
    return false;
  }
  fd_ = fd;
  size_ = static_cast<std::int64_t>(info.st_size);
  position_ = 0;
  return true;
}

size_t RawFile::Read(char* buffer, size_t capacity) {
  if (fd_ < 0 || capacity == 0) return 0;
  long n = ReadDescriptorAt(fd_, buffer, capacity, position_);
  if (n <= 0) return 0;
  position_ += n;
  return static_cast<size_t>(n);
}

bool RawFile::Skip(std::int64_t count) {
  if (fd_ < 0 || count < 0 || count > INT64_MAX - position_) return false;
  position_ += count;
  return true;
}
#endif

void RawFile::Close() {
  if (fd_ >= 0) CloseDescriptor(fd_);
  fd_ = -1;
  size_ = 0;
}

bool RawFile::ReadAt(std::int64_t offset, char* buffer, size_t size) {
  if (fd_ < 0 || offset < 0 || offset > size_ ||
      size > static_cast<std::uint64_t>(size_ - offset)) {
    return false;
  }
  size_t used = 0;
  while (used < size) {
    long n =
        ReadDescriptorAt(fd_, buffer + used, size - used, offset + static_cast<std::int64_t>(used));
    if (n <= 0) return false;
    used += static_cast<size_t>(n);
  }
  return true;
}

#ifdef _WIN32
bool CanOpen(const char* path, std::int64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
    return false;
  }
  if (size != nullptr) {
    *size = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                      data.nFileSizeLow);
  }
  return true;
}
#else
bool CanOpen(const char* path, std::int64_t* size) {
  struct stat info;
  if (stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  constexpr mode_t kReadableByAll = S_IRUSR | S_IRGRP | S_IROTH;
  if ((info.st_mode & kReadableByAll) == kReadableByAll) {
    if (size != nullptr) *size = static_cast<std::int64_t>(info.st_size);
    return true;
  }
  // Whether this process may read it depends on who it runs as.
  RawFile file;
  if (!file.Open(path)) return false;
  if (size != nullptr) *size = file.Size();
  return true;
}
#endif

#ifdef _WIN32
namespace {
// Size, write and creation times (100 ns units), then the volume and the
// file's index where the caller knows them (0 otherwise).
void StoreWindowsIdentity(DWORD sizeHigh, DWORD sizeLow, const FILETIME& written,
                          const FILETIME& created, std::uint64_t volume, std::uint64_t index,
                          unsigned char (&out)[kFileIdentitySize]) {
  auto join = [](DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | static_cast<std::uint64_t>(low);
  };
  StoreIdentityField(join(sizeHigh, sizeLow), out);
  StoreIdentityField(join(written.dwHighDateTime, written.dwLowDateTime), out + 8);
  StoreIdentityField(join(created.dwHighDateTime, created.dwLowDateTime), out + 16);
  StoreIdentityField(volume, out + 24);
  StoreIdentityField(index, out + 32);
}
}  // namespace

bool RawFile::ReadIdentity(unsigned char (&out)[kFileIdentitySize]) const {
  BY_HANDLE_FILE_INFORMATION info;
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd_));
  if (fd_ < 0 || handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) {
    return false;
  }
  StoreWindowsIdentity(info.nFileSizeHigh, info.nFileSizeLow, info.ftLastWriteTime,
                       info.ftCreationTime, info.dwVolumeSerialNumber,
                       (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
                       out);
  return true;
}

bool ReadFileIdentity(const char* path, unsigned char (&out)[kFileIdentitySize]) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
    return false;
  }
  StoreWindowsIdentity(data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime,
                       data.ftCreationTime, 0, 0, out);
  return true;
}
#else
bool RawFile::ReadIdentity(unsigned char (&out)[kFileIdentitySize]) const {
  if (fd_ < 0) return false;
  std::memcpy(out, identity_, sizeof identity_);
  return true;
}

bool ReadFileIdentity(const char* path, unsigned char (&out)[kFileIdentitySize]) {
  struct stat info;
  return stat(path, &info) == 0 && StoreStatusIdentity(info, out);
}
#endif

#ifdef __linux__
DirectoryListing::Opening DirectoryListing::Open(const char* path, char* buffer, size_t capacity) {
  Close();
  failed_ = false;
  int fd;
  do {
    fd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? Opening::kMissing : Opening::kUnreadable;
  fd_ = fd;
  buffer_ = buffer;
  capacity_ = capacity;
  used_ = at_ = 0;
  return Opening::kOpened;
}

bool DirectoryListing::Fill() {
  ssize_t n;
  do {
    n = getdents64(fd_, buffer_, capacity_);
  } while (n < 0 && errno == EINTR);
  if (n <= 0) {
    failed_ = n < 0;
    Close();
    return false;
  }
  used_ = static_cast<size_t>(n);
  at_ = 0;
  return true;
}

bool DirectoryListing::Next(const char** name, Kind* kind) {
  constexpr size_t kNameAt = offsetof(struct dirent64, d_name);
  for (;;) {
    if (fd_ < 0) return false;
    if (at_ >= used_ && !Fill()) return false;
    // The records are read field by field: the buffer need not be aligned.
    unsigned short length = 0;
    unsigned char type = 0;
    std::memcpy(&length, buffer_ + at_ + offsetof(struct dirent64, d_reclen), sizeof length);
    std::memcpy(&type, buffer_ + at_ + offsetof(struct dirent64, d_type), sizeof type);
    if (length <= kNameAt || length > used_ - at_) {  // not a record the kernel writes
      failed_ = true;
      Close();
      return false;
    }
    const char* entry = buffer_ + at_ + kNameAt;
    at_ += length;
    if (std::memchr(entry, '\0', length - kNameAt) == nullptr) continue;
    *name = entry;
    *kind = type == DT_REG                         ? Kind::kRegular
            : type == DT_LNK || type == DT_UNKNOWN ? Kind::kLinkOrUnknown
                                                   : Kind::kOther;
    return true;
  }
}

void DirectoryListing::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}
#else
DirectoryListing::Opening DirectoryListing::Open(const char*, char*, size_t) {
  return Opening::kUnreadable;
}
bool DirectoryListing::Fill() { return false; }
bool DirectoryListing::Next(const char**, Kind*) { return false; }
void DirectoryListing::Close() {}
#endif

}  // namespace engine
