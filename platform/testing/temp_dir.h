// TempDir: a fresh directory for one test, removed with everything in it when
// the test ends (platform::TempDir, with the test's conveniences for writing
// and reading files below it). Test-only.
#ifndef KPX_PLATFORM_TESTING_TEMP_DIR_H_
#define KPX_PLATFORM_TESTING_TEMP_DIR_H_

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/temp_dir.h"

namespace platform::testing {

class TempDir {
 public:
  TempDir() : TempDir(platform::TemporaryDirectory()) {}
  // A fresh directory below parent, for a test that wants its files on a
  // particular file system (many small files in memory, say).
  explicit TempDir(const std::string& parent) {
    if (!dir_.Create("kpxtest-", parent)) std::fprintf(stderr, "TempDir: cannot make a directory\n");
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory, without a final separator.
  const std::string& path() const { return dir_.path(); }
  // path(), the platform's separator and relative, whose "/" are read as
  // separators too (so on Windows every "/" becomes "\\").
  std::string Join(std::string_view relative) const {
#ifdef _WIN32
    std::string native(relative);
    for (char& c : native) {
      if (c == '/') c = '\\';
    }
    return path() + "\\" + native;
#else
    return path() + "/" + std::string(relative);
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
  platform::TempDir dir_;
};

}  // namespace platform::testing

#endif  // KPX_PLATFORM_TESTING_TEMP_DIR_H_
