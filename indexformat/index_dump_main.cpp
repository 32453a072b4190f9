// kpxdump: prints index files as text, one entry per line, so an author or a
// test can read what an index holds, and the set's fold record as the fold it
// names and the bytes it changes, and a copy path's phrase accelerator. Exit status 0, or 2 when a
// file cannot be read; a corrupt file is shown up to its damage and gives status 1.
#include <cstdio>
#include <string>

#include "indexformat/fold_record.h"
#include "indexformat/index_format.h"
#include "indexformat/phrase_pairs.h"
#include "indexformat/phrase_pairs_check.h"
#include "kpx_version.h"
#include "platform/file_system.h"

namespace {

// The fold record goes by its name; a file that begins with the record's
// magic is one too (no index file can: its first word would hold a space).
bool IsFoldRecord(const std::string& path, const std::string& bytes) {
  const size_t slash = path.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return name == indexformat::kFoldRecordName || bytes.rfind(indexformat::kFoldRecordMagic, 0) == 0;
}

// The phrase accelerator likewise, by its name or its magic.
bool IsPhrasePairs(const std::string& path, const std::string& bytes) {
  const size_t slash = path.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return name == indexformat::kPhrasePairsName ||
         bytes.rfind(indexformat::kPhrasePairsMagic, 0) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string first = argc > 1 ? argv[1] : "";
  if (first == "--version") {
    std::printf("kpxdump %s\n", kpx::kVersion);
    return 0;
  }
  if (argc < 2 || first == "--help") {
    // --help answers on standard output; a missing argument is a usage error.
    std::fprintf(argc < 2 ? stderr : stdout,
                 "Usage: kpxdump INDEX_FILE...\n"
                 "Prints each entry of the index files (the one-letter, two-letter and extras\n"
                 "files that tarvik index writes) as \"WORD count: article numbers\". The\n"
                 "set's fold record (the file \"fold\") is printed as \"fold NAME\" and the\n"
                 "bytes its table changes, \"a..z -> A..Z\" and \"\\xE9 -> \\xC9\" lines.\n"
                 "The phrase accelerator of a copy path (the file \"kpxpairs\" that tarvik\n"
                 "copy writes) is printed as its header and one \"FIRST SECOND count: article\n"
                 "numbers\" line per pair of adjacent words.\n\n"
                 "Options:\n"
                 "  --help     print this help and exit\n"
                 "  --version  print the kit's version and exit\n\n"
                 "Exit status: 0 every file was shown, 1 a file is corrupt (shown up to the\n"
                 "damage), 2 usage error or a file cannot be read.\n");
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
    const std::string text = IsFoldRecord(argv[i], bytes)    ? indexformat::DumpFoldRecord(bytes)
                             : IsPhrasePairs(argv[i], bytes) ? indexformat::DumpPhrasePairs(bytes)
                                                             : indexformat::DumpIndexFile(bytes);
    std::fputs(text.c_str(), stdout);
    if (text.rfind("corrupt", 0) == 0 || text.find("\ncorrupt") != std::string::npos) status = 1;
  }
  return status;
}
