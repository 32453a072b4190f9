// RawFile: one file opened for reading raw bytes through the operating system's
// descriptor calls (open/pread/close on POSIX, _open/_read/... on Windows).
// The engine reads through this wrapper instead of the C library's buffered
// files because those allocate a FILE record and a buffer on every open, and
// the engine allocates no memory.
//
// Contract: a directory or anything else that is not a regular file counts as
// "cannot be opened". A read error reads as the end of the file. Open asks the
// file system for the file's status once; Read costs one call, Skip none on
// POSIX (one on Windows). The file is
// closed by Close or the destructor; a RawFile is not copyable. No exceptions.
//
// CanOpen answers whether Open would succeed without opening the file, for a
// search that only needs to know that a file is there: one call to the file
// system instead of an open, its status and a close.
#ifndef KPX_XTRA_ENGINE_RAW_FILE_H_
#define KPX_XTRA_ENGINE_RAW_FILE_H_

#include <cstddef>
#include <cstdint>

namespace engine {

// What tells one version of a file from another without reading it: its
// size, its modification and status change times in nanoseconds and (POSIX)
// its device and inode. A file replaced by another (a set rebuilt and renamed
// into place) or written since shows another identity. kFileIdentitySize
// bytes, little-endian, so it can be kept in a byte field.
inline constexpr size_t kFileIdentitySize = 40;

class RawFile {
 public:
  RawFile() = default;
  ~RawFile() { Close(); }
  RawFile(const RawFile&) = delete;
  RawFile& operator=(const RawFile&) = delete;

  // Opens path for reading; false when it cannot be opened or is no regular
  // file. A RawFile that is already open is closed first.
  bool Open(const char* path);
  void Close();

  // The file's size in bytes when it was opened.
  std::int64_t Size() const { return size_; }

  // Reads up to capacity bytes into buffer; returns how many were read, 0 at
  // the end of the file, on a read error or when the file is not open.
  size_t Read(char* buffer, size_t capacity);

  // Reads exactly size bytes from offset into buffer; false when the file
  // holds fewer there or a read fails. Where Read goes on from afterwards is
  // not said (POSIX reads at the offset without moving the read position).
  bool ReadAt(std::int64_t offset, char* buffer, size_t size);

  // Moves the read position forward by count bytes; false when it fails.
  bool Skip(std::int64_t count);

  // The open file's identity (below: what ReadFileIdentity tells of a path,
  // here of the file this descriptor reads) into out; false when the file is
  // not open or its status cannot be read (out untouched). POSIX: the status
  // Open took, no further call; Windows: one call on the handle.
  bool ReadIdentity(unsigned char (&out)[kFileIdentitySize]) const;

 private:
  int fd_ = -1;
  std::int64_t size_ = 0;
#ifndef _WIN32
  // POSIX reads at a position of the file's own (pread), so Skip costs no
  // call to the file system; the identity is the status Open took.
  std::int64_t position_ = 0;
  unsigned char identity_[kFileIdentitySize] = {};
#endif
};

// Whether RawFile::Open(path) would open path: a regular file that can be
// read; *size (when given) is then its size. POSIX: the file's status must
// show a regular file; one that its mode lets owner, group and others read is
// taken as readable (an access control list or security module that denies
// this process a world-readable file is not seen), any other is opened and
// closed again to find out. Windows: the path's attributes must exist and show
// neither a directory nor a device. Opens nothing in the common case and
// keeps nothing open.
bool CanOpen(const char* path, std::int64_t* size = nullptr);

// path's identity into out when it is a regular file whose status can be
// read; false otherwise (out untouched). One call to the file system.
bool ReadFileIdentity(const char* path, unsigned char (&out)[kFileIdentitySize]);

// The names in one directory, read in a few calls into the caller's buffer
// (Linux: getdents64), so that a search that must know which of a hundred
// files are there asks the file system once instead of a hundred times.
// Allocates nothing; the directory is open from Open until the end of the
// listing, Close or the destructor. Where the system offers no such reading
// (Windows, other POSIX systems) Open answers kUnreadable and the caller asks
// CanOpen of each file.
class DirectoryListing {
 public:
  enum class Opening {
    kOpened,
    kMissing,     // no directory of that name: none of its files can be opened
    kUnreadable,  // it may hold files, but cannot be listed
  };
  enum class Kind {
    kRegular,
    kLinkOrUnknown,  // the file system does not say: ask CanOpen
    kOther,          // a directory, device, pipe or socket: no file to open
  };

  DirectoryListing() = default;
  ~DirectoryListing() { Close(); }
  DirectoryListing(const DirectoryListing&) = delete;
  DirectoryListing& operator=(const DirectoryListing&) = delete;

  // buffer (capacity bytes, at least 512) holds the entries as they are read.
  Opening Open(const char* path, char* buffer, size_t capacity);
  void Close();

  // The next entry: its name (NUL-terminated, valid until the next call) and
  // kind. False at the end of the listing and when a read fails (Failed()).
  bool Next(const char** name, Kind* kind);
  bool Failed() const { return failed_; }

 private:
  bool Fill();

  int fd_ = -1;
  char* buffer_ = nullptr;
  size_t capacity_ = 0;
  size_t used_ = 0;  // bytes of entries in the buffer
  size_t at_ = 0;    // the next entry's offset
  bool failed_ = false;
};

}  // namespace engine

#endif  // KPX_XTRA_ENGINE_RAW_FILE_H_
