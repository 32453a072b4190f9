// TempDir: a fresh directory for one test, removed with everything in it when
// the test ends. Test-only.
#ifndef KPX_PLATFORM_TESTING_TEMP_DIR_H_
#define KPX_PLATFORM_TESTING_TEMP_DIR_H_

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <process.h>
#endif

namespace platform::testing {

class TempDir {
 public:
  TempDir() : TempDir(std::filesystem::temp_directory_path()) {}
  // A fresh directory below parent, for a test that wants its files on a
  // particular file system (many small files in memory, say).
  explicit TempDir(const std::filesystem::path& parent) {
#ifdef _WIN32
    // No mkdtemp: the first name of this process's series that is still free.
    static unsigned serial = 0;
    std::error_code error;
    for (int attempt = 0; attempt < 1000 && path_.empty(); ++attempt) {
      std::filesystem::path candidate =
          parent / ("kpxtest-" + std::to_string(_getpid()) + "-" + std::to_string(serial++));
      if (std::filesystem::create_directory(candidate, error)) path_ = candidate.string();
    }
#else
    std::string pattern = (parent / "kpxtest-XXXXXX").string();
    if (const char* made = mkdtemp(pattern.data())) path_ = made;
#endif
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory, without a final separator.
  const std::string& path() const { return path_; }
  // path(), the platform's separator and relative, whose "/" are read as
  // separators too (so on Windows every "/" becomes "\\").
  std::string Join(std::string_view relative) const {
#ifdef _WIN32
    std::string native(relative);
    for (char& c : native) {
      if (c == '/') c = '\\';
    }
    return path_ + "\\" + native;
#else
    return path_ + "/" + std::string(relative);
#endif
  }

  // Writes bytes to a file below the directory, creating its parents.
  std::string Write(std::string_view relative, std::string_view bytes) const {
    std::filesystem::path file = Join(relative);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file.string();
  }

  // The bytes of a file below the directory ("" when missing).
  std::string Read(std::string_view relative) const {
    std::ifstream in(Join(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // A text file below the directory, read in text mode: the CR LF line ends
  // that Windows writes read as LF ("" when missing).
  std::string ReadText(std::string_view relative) const {
    std::ifstream in(Join(relative));
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  bool Exists(std::string_view relative) const { return std::filesystem::exists(Join(relative)); }

 private:
  std::string path_;
};

}  // namespace platform::testing

#endif  // KPX_PLATFORM_TESTING_TEMP_DIR_H_
