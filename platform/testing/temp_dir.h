// TempDir: a fresh directory for one test, removed with everything in it when
// the test ends. Test-only.
#ifndef KPX_PLATFORM_TESTING_TEMP_DIR_H_
#define KPX_PLATFORM_TESTING_TEMP_DIR_H_

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace platform::testing {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kpxtest-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory, without a final separator.
  const std::string& path() const { return path_; }
  // path() + "/" + relative.
  std::string Join(std::string_view relative) const { return path_ + "/" + std::string(relative); }

  // Writes bytes to a file below the directory, creating its parents.
  std::string Write(std::string_view relative, std::string_view bytes) const {
    std::filesystem::path file = Join(relative);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file.string();
  }

  // The bytes of a file below the directory ("" when missing).
  std::string Read(std::string_view relative) const {
    std::ifstream in(Join(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  bool Exists(std::string_view relative) const { return std::filesystem::exists(Join(relative)); }

 private:
  std::string path_;
};

}  // namespace platform::testing

#endif  // KPX_PLATFORM_TESTING_TEMP_DIR_H_
