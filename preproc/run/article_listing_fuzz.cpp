// libFuzzer target: the article listing reader over arbitrary bytes, against
// a plain model of the listing's rules. Built with -DKPX_FUZZ=ON.
//
// The bytes are written to a file and read with ArticleListing: the names
// must be the lines (ended by LF or CR LF; a last line without one counts)
// that do not begin with "|", numbered 1, 2, 3 ... When the first byte is
// 0xF0 or above, the same bytes are read a second time behind a filler of
// about 64 KB, so that the reader's buffer boundary falls at one of their
// first 16 bytes. The filler's fixed part
// stays in its file from one input to the next; only the rest is rewritten.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "preproc/run/article_listing.h"

namespace {

constexpr size_t kReaderBuffer = 65536;  // platform::LineReader's
constexpr size_t kFixedFiller = kReaderBuffer - 16;

struct Scratch {
  std::string path;
  int fd = -1;
};

Scratch& ScratchFile(int which) {
  static Scratch files[2];
  Scratch& file = files[which];
  if (file.fd < 0) {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    file.path =
        std::string(dir) + "/kpxlisting-" + std::to_string(getpid()) + "-" + std::to_string(which);
    file.fd = open(file.path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (file.fd < 0) std::abort();
    unlink(file.path.c_str());  // gone when the process ends
    file.path = "/proc/self/fd/" + std::to_string(file.fd);
  }
  return file;
}

std::vector<std::string> ModelNames(const std::string& bytes) {
  std::vector<std::string> names;
  size_t begin = 0;
  while (begin < bytes.size()) {
    size_t lf = bytes.find('\n', begin);
    std::string line =
        bytes.substr(begin, lf == std::string::npos ? std::string::npos : lf - begin);
    if (lf != std::string::npos && !line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] != '|') names.push_back(line);
    if (lf == std::string::npos) break;
    begin = lf + 1;
  }
  return names;
}

// The file holds kept bytes of earlier inputs up to offset; writes the rest.
void Check(const Scratch& file, const std::string& bytes, size_t offset) {
  const std::string rest = bytes.substr(offset);
  if (pwrite(file.fd, rest.data(), rest.size(), static_cast<off_t>(offset)) !=
          static_cast<ssize_t>(rest.size()) ||
      ftruncate(file.fd, static_cast<off_t>(bytes.size())) != 0) {
    std::abort();
  }
  const std::vector<std::string> expected = ModelNames(bytes);
  preproc::ArticleListing listing;
  if (!listing.Open(file.path)) std::abort();
  std::string name;
  size_t n = 0;
  while (listing.Next(&name)) {
    if (n >= expected.size() || name != expected[n]) std::abort();
    if (listing.number() != static_cast<int>(++n)) std::abort();
  }
  if (n != expected.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  Check(ScratchFile(0), bytes, 0);
  if (size > 0 && data[0] >= 0xF0) {  // one input in sixteen: 64 KB is costly
    static const std::string fixed = std::string(kFixedFiller - 1, 'f') + "\n";
    static bool written = false;
    const std::string filler = fixed + std::string(16 - data[0] % 16, 'g');
    Check(ScratchFile(1), filler + bytes, written ? kFixedFiller : 0);
    written = true;
  }
  return 0;
}
