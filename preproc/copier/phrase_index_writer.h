// The phrase accelerator's writer (indexformat/phrase_pairs.h): reads the
// phrase search files of a copy path as they are at the end of a copy run and
// writes the file kPhrasePairsName beside them.
//
// The copy run calls RemovePhraseIndex just before it changes the first copy
// (a run that changes none keeps the accelerator it finds, when that one is
// sound and made for the same listing, fold and copies), and WritePhraseIndex
// once every copy is written, handing it, once a copy has changed, the
// PhraseIndexBuilder that has collected the copies meanwhile; the
// file is built in memory, written under kPhrasePairsTempName and renamed over
// the final name only when it is whole, so a failed or killed run leaves no
// accelerator that disagrees with the copies. A file of either name that does not read as an
// accelerator (no magic) is the author's: it is never removed or replaced.
//
// Where the copies are large, their collecting is shared out between two
// threads (each collects a run of articles, the later run's words are then
// numbered in the earlier's table), and so, once the copies are all in, are
// the ordering of the words and pairs and the writing of the leaves; the
// file is the same whichever threads run and wherever the runs are cut.
//
// The words are folded with the table the index run folds with (the set's
// fold record); the stamp is that of the file mapping log the index run
// writes for the same listing (indexformat::LogStamp), so the search uses the
// accelerator only beside the index set it belongs to.
#ifndef KPX_PREPROC_COPIER_PHRASE_INDEX_WRITER_H_
#define KPX_PREPROC_COPIER_PHRASE_INDEX_WRITER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "indexformat/phrase_pairs.h"
#include "platform/code_page.h"
#include "platform/large_allocator.h"
#include "preproc/run/run_services.h"

namespace preproc {

enum class PhraseIndexOutcome {
  kWritten,
  kKept,        // the accelerator found describes the copies already: left as it is
  kForeign,     // a file of the accelerator's name is not one: left alone, nothing written
  kNotWritten,  // creating, writing or renaming failed (file names which)
  kTooLarge,    // more distinct words than the format numbers
};

struct PhraseIndexResult {
  PhraseIndexOutcome outcome = PhraseIndexOutcome::kWritten;
  std::string file;  // the file concerned
  indexformat::PairHeader header;
  std::uint64_t file_bytes = 0;
};

// Whether the file at path begins with the accelerator's magic.
bool ReadsAsPhraseIndex(const std::string& path);

// Removes the accelerator and its temporary file from copy_path (which ends
// in a separator) where they read as accelerators. False, with *file the one
// that could not be removed, when one of them stays; a foreign file of either
// name is left and reported through *foreign (no failure).
bool RemovePhraseIndex(const std::string& copy_path, std::string* file, bool* foreign);

// The stamp of the file mapping log the index run writes for names (those
// past its limit of articles left out), and the number of its article lines.
void StampOfListing(const std::vector<std::string>& names, std::uint64_t* stamp,
                    std::uint32_t* lines);

// What a run knows of the copies it leaves, by article: where copied[n - 1],
// the copy path holds the copy of article n, of bytes[n - 1] bytes, as the
// run made it or found it. Any other copy is read from the copy path.
struct KnownCopies {
  std::vector<bool> copied;
  std::vector<std::uint64_t> bytes;
};

// Collects the accelerator's pairs on a second thread while a run copies, so
// the build overlaps the copying. The run hands it the covered copies in
// article order, from article 1 on, each once it is in place: its bytes, or
// word that it is to be read from the copy path (absent when it cannot be).
// A thread the system cannot start leaves the work to the calls themselves.
// Destroying the builder ends and joins the thread, whatever its state,
// without taking in the copies still queued.
class PhraseIndexBuilder {
 public:
  PhraseIndexBuilder(std::string copy_path, const platform::UpperCaseTable& fold);
  ~PhraseIndexBuilder();
  PhraseIndexBuilder(const PhraseIndexBuilder&) = delete;
  PhraseIndexBuilder& operator=(const PhraseIndexBuilder&) = delete;

  void Add(int article, std::string text);
  void AddFromCopyPath(int article);
  // A text buffer the builder is done with (emptied, its room kept), or an
  // empty string: the run copies the next article into it, so the copies'
  // bytes do not take fresh memory, and fresh page faults, article after
  // article.
  std::string SpareText();
  // Takes in copies still queued on this thread, from the last back, while
  // the builder's thread takes in the rest from the first on, and gives the
  // accelerator's bytes, as BuildPhraseIndex does; empty when there are too
  // many words. Throws what either thread threw (std::bad_alloc). Called
  // once, last.
  platform::LargeString Finish(std::uint64_t log_stamp, std::uint32_t log_lines);

 private:
  struct Shared;
  void Put(int article, bool read, std::string text);
  // Ends the thread once it has taken in every copy queued, or at once
  // where drop, and joins it.
  void Close(bool drop);

  std::unique_ptr<Shared> shared_;
  std::thread thread_;  // last: starts once shared_ is ready
};

// Builds the accelerator of the copies of articles 1..articles in copy_path
// (those of articles beyond the search's limit are not read) and writes it;
// with a builder, that one has collected them already. With may_keep (no copy
// changed since it was written), an accelerator found whose header block is
// sound, whose size is the one it gives and whose fields are the ones the
// copies give (stamp, fold, articles, bytes of the copies, absent copies) is
// kept instead (kKept); the copies the run knows are not read for that.
PhraseIndexResult WritePhraseIndex(const std::string& copy_path, int articles,
                                   const std::vector<std::string>& names,
                                   const platform::UpperCaseTable& fold,
                                   const KnownCopies& known = {}, bool may_keep = false,
                                   PhraseIndexBuilder* builder = nullptr);

// The accelerator's bytes for copies given in memory (copies[n - 1] of article
// n, absent[n - 1] when it could not be read), as WritePhraseIndex writes
// them; empty when there are too many words. For the tests and the fuzzer.
std::string BuildPhraseIndex(const std::vector<std::string_view>& copies,
                             const std::vector<bool>& absent, std::uint64_t log_stamp,
                             std::uint32_t log_lines, const platform::UpperCaseTable& fold);

// The copy run's two steps. DropPhraseIndex gives the error message when an
// accelerator could not be removed (the run must then change no copy), else
// nothing. AddPhraseIndex narrates through services and is false when it
// reported an error; a foreign file in the way is a warning.
std::string DropPhraseIndex(const std::string& copy_path);
bool AddPhraseIndex(const std::string& copy_path, int articles,
                    const std::vector<std::string>& names, const platform::UpperCaseTable& fold,
                    const KnownCopies& known, bool may_keep, PhraseIndexBuilder* builder,
                    RunServices& services);

}  // namespace preproc

#endif  // KPX_PREPROC_COPIER_PHRASE_INDEX_WRITER_H_
