// kpxdump: prints index files as text, one entry per line, so an author or a
// test can read what an index holds. Exit status 0, or 2 when a file cannot be
// read; a corrupt file is shown up to its damage and gives status 1.
#include <cstdio>
#include <string>

#include "indexformat/index_format.h"
#include "platform/file_system.h"

int main(int argc, char** argv) {
  if (argc < 2 || std::string(argv[1]) == "--help") {
    std::fprintf(stderr,
                 "usage: kpxdump INDEX_FILE...\nPrints each entry of the index files as "
                 "\"WORD count: article numbers\".\n");
    return argc < 2 ? 2 : 0;
  }
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    std::string bytes;
    if (!platform::ReadWholeFile(argv[i], &bytes)) {
      std::fprintf(stderr, "kpxdump: cannot read '%s'\n", argv[i]);
      return 2;
    }
    if (argc > 2) std::printf("== %s\n", argv[i]);
    std::string text = indexformat::DumpIndexFile(bytes);
    std::fputs(text.c_str(), stdout);
    if (text.find("corrupt at offset") != std::string::npos) status = 1;
  }
  return status;
}
