// The file-system layer: the few file and directory operations the runs and the
// search engine need, with the platform's path separator.
//
// Paths are joined with kSeparator ("/" on POSIX, "\" on Windows). A "\" typed by
// a user or written in a listing is read as a separator on POSIX too, so listings
// and paths written on Windows work unchanged (ToNativeSeparators).
//
// Something that must be opened as a file but is a directory counts as "cannot be
// opened" (POSIX fopen opens directories; OpenFile refuses them).
//
// No function here throws; failures are return values.
#ifndef KPX_PLATFORM_FILE_SYSTEM_H_
#define KPX_PLATFORM_FILE_SYSTEM_H_

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

// Returns path with every "\" turned into "/" on POSIX; unchanged on Windows.
std::string ToNativeSeparators(std::string_view path);

// Appends kSeparator unless path already ends in one (an empty path stays empty
// only if keep_empty; the runs check for empty paths before appending).
void AppendSeparator(std::string& path);

// Creates one directory. Fails only when the system reports that the path was
// not found (a missing parent, or a parent that is not a directory); success,
// an existing directory and every other refusal count as success. made, when
// given, tells whether this call created it (so it is empty).
bool MakeDirectory(const std::string& path, bool* made = nullptr);

// Creates every directory named by the characters before each separator of
// path, past its root: the root ("/" on POSIX; a drive "C:\\", a share
// "\\\\server\\share\\" or "\\" on Windows) is never created, and a relative
// path ("cp\\a1\\") is created from its first directory on. A last component
// not followed by a separator is not created. Stops with false at the first
// failure. made_last, when given, tells whether the last directory was created
// by this call (so it is empty).
bool EnsurePath(std::string_view path, bool* made_last = nullptr);

// fopen that refuses directories: returns nullptr when path names a directory
// (a mode that writes fails on one by itself, so costs no further look).
std::FILE* OpenFile(const std::string& path, const char* mode);

// Opens a regular file for reading in binary mode; nullptr for anything else
// (a FIFO, a device, a directory) and for what cannot be opened. The open
// never blocks: a FIFO with no writer is refused, not waited for.
std::FILE* OpenRegularFile(const std::string& path);

// Creates path anew for writing in binary mode: whatever entry has that name
// (a file left over, a symbolic link) is removed first, never written
// through, and the file is then created exclusively (O_CREAT | O_EXCL |
// O_NOFOLLOW on POSIX; CREATE_NEW semantics on Windows), so nothing the name
// pointed at is touched. text opens it in text mode (CR LF line ends on
// Windows). nullptr when the entry cannot be removed or the file cannot be
// created.
std::FILE* CreateNewFile(const std::string& path, bool text = false);

// Creates path anew as CreateNewFile does and writes bytes to it, unbuffered,
// in binary mode. kNotCreated when it cannot be created; kNotWritten when a
// write or the close fails (the file is then left for the caller to remove).
enum class NewFileWrite { kWritten, kNotCreated, kNotWritten };
NewFileWrite WriteNewFile(const std::string& path, std::string_view bytes);

// For a writer's own files: mode "wb" creates path anew (CreateNewFile);
// "ab" appends to it, creating it when missing, but never through a symbolic
// link of that name (O_NOFOLLOW; on Windows, a reparse point is refused).
std::FILE* OpenWithoutFollowing(const std::string& path, const char* mode);

bool IsDirectory(const std::string& path);
bool IsRegularFile(const std::string& path);
// The length of a regular file in bytes; 0 for anything else or nothing.
std::uint64_t RegularFileSize(const std::string& path);

// Removes a regular file; true when it is gone.
bool RemoveFile(const std::string& path);

// True when path itself is a directory: a symbolic link to one is not.
bool IsOwnDirectory(const std::string& path);
// True when anything (a file, a directory, a link) has the name path.
bool Exists(const std::string& path);

// Removes an empty directory; true when it is gone.
bool RemoveEmptyDirectory(const std::string& path);

// Renames from to to, replacing a file of that name in one step (rename on
// POSIX; MoveFileEx with MOVEFILE_REPLACE_EXISTING on Windows). Both names
// lie on one volume. True when to now holds what from held.
bool RenameOver(const std::string& from, const std::string& to);

// True when a and b are both regular files holding the same bytes: their
// lengths first, then their contents, read side by side in blocks. False when
// either cannot be opened or read.
bool SameFileContents(const std::string& a, const std::string& b);

// True when path is a regular file holding exactly bytes: its length first
// (one open and one look, so a missing or longer file costs no read), then its
// contents, read in blocks of buffer_size into buffer and compared. False when
// it cannot be opened or read.
bool FileHoldsBytes(const std::string& path, std::string_view bytes, char* buffer,
                    size_t buffer_size);

// Makes what was written to file durable (fflush, then fsync; _commit on
// Windows). False when either fails.
bool SyncFile(std::FILE* file);

// Makes the names a directory holds durable, so a rename in it outlives a
// crash (fsync of the directory on POSIX; nothing on Windows, whose renames
// are journaled with the file system). False when it cannot be done.
bool SyncDirectory(const std::string& path);

// The names of what a directory holds, "." and ".." left out, in the order
// the system gives them (not sorted). False when it cannot be read; *names
// then holds what was read before the failure.
bool ListDirectory(const std::string& path, std::vector<std::string>* names);

// Reads a whole regular file as bytes into *contents; false when it cannot be
// opened or read (only a regular file is opened, as by OpenRegularFile). Where
// opened is given, it tells the two apart: false when the file was not opened.
bool ReadWholeFile(const std::string& path, std::string* contents, bool* opened = nullptr);

}  // namespace platform

#endif  // KPX_PLATFORM_FILE_SYSTEM_H_
