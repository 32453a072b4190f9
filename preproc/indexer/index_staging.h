// IndexStaging: where an index run writes before it replaces the live set.
//
// Everything a run writes into the index path (the file mapping log, the
// fold record, the one- and two-letter files and the extras file) goes first
// below the staging directory, index path + kStagingName: a name that begins
// with "." and so is no index file's. Only when every file has been written does Replace
// move the changed ones in, all or nothing:
//   1. it writes the journal (kJournalName: what it is about to move, one
//      line each) under a temporary name, syncs it and renames it into
//      place, so the journal is whole before anything is moved;
//   2. it sets each live file that a staged one replaces, and each stale
//      file, aside below the staging directory (kSetAsideName);
//   3. it renames each staged file over its live name (where the live set
//      has no letter directory yet, the staged one moves whole);
//   4. it renames the journal to kCommittedName: from here on the new set
//      stands, and what was set aside is removed.
// When a step fails, Replace puts back every file it moved, so the live set
// is the previous one byte for byte. A run killed between steps 1 and 4
// leaves the journal, and the next run's Recover puts the previous set back
// the same way before the run starts; one killed after step 4 leaves only
// files to remove. Each step finds from what exists what is left to undo, so
// an undo that is itself interrupted is taken up again.
//
// The staging directory holds only what a run writes there. Removing it
// (Begin, Discard) removes only those names, the letter directories among them
// when they are empty, and then the directory itself: anything else found
// there is left in place and the directory stays, and Begin then fails. A
// file or link of the staging name is never removed, and nothing is removed
// while a journal asks for the previous set to be put back.
#ifndef KPX_PREPROC_INDEXER_INDEX_STAGING_H_
#define KPX_PREPROC_INDEXER_INDEX_STAGING_H_

#include <functional>
#include <string>
#include <vector>

namespace preproc {

inline constexpr char kStagingName[] = ".kpxsindx-staging";
// Inside the staging directory.
inline constexpr char kJournalName[] = "journal";
inline constexpr char kCommittedName[] = "committed";
inline constexpr char kSetAsideName[] = "previous";

// One rename of a replacement; the default is platform::RenameOver. Tests
// pass their own to make a chosen rename fail, or to stop the process there.
using StagingRename = std::function<bool(const std::string& from, const std::string& to)>;

class IndexStaging {
 public:
  // index_path ends in the separator.
  explicit IndexStaging(std::string index_path, StagingRename rename = {});

  // The staging directory, with its final separator.
  const std::string& path() const { return path_; }

  enum class Recovery {
    kNothing,   // no replacement was left unfinished
    kRestored,  // a journal was found: the previous set is back in place
    kFinished,  // a committed replacement: what it had set aside is removed
    kFailed,    // a journal was found and a file could not be put back
  };
  // Takes up a replacement a killed run left. On kFailed, failed() names the
  // file that could not be put back (or the journal, when it cannot be
  // read), and the journal stays for the next attempt.
  Recovery Recover();

  // Removes a staging directory that an earlier run left, then creates it
  // afresh. False when it cannot be removed or created (a journal left
  // there among the reasons: Recover first).
  bool Begin();

  // Removes the staging directory with what was staged; nothing happens when
  // Begin has not succeeded. Safe to call more than once. A journal left by
  // a Replace that could not undo itself is taken up first (as Recover).
  void Discard();

  // The files (relative names) whose live names cannot take a file: a
  // directory of that name, or of the letter directory's name a non-directory.
  // Nothing is changed.
  std::vector<std::string> Obstacles(const std::vector<std::string>& files) const;

  // The live letter directories (full paths) of files that are symbolic
  // links to a directory (or other reparse points): the run writes through
  // none. A link to anything else is an obstacle.
  std::vector<std::string> LinkedLetterDirectories(const std::vector<std::string>& files) const;

  // files without those whose staged bytes equal the live file's: those need
  // no replacement. The order is kept.
  std::vector<std::string> Changed(const std::vector<std::string>& files) const;

  enum class Outcome {
    kReplaced,     // every file moved in, every stale file gone
    kKept,         // a step failed; the previous set is back, byte for byte
    kNotRestored,  // a step failed and a file could not be put back: the
                   // journal stays, and the next run restores the set
  };
  // Moves files (relative names, in the given order) in and removes stale,
  // all or nothing (see above). files must name every file staged in a letter
  // directory the live set lacks, as they name every file the run wrote; both
  // lists name letter files with the platform's separator. After a failure
  // failed() names the file whose step failed.
  Outcome Replace(const std::vector<std::string>& files, const std::vector<std::string>& stale);

  // The path a failed step was about; see Recover and Replace.
  const std::string& failed() const { return failed_; }
  // After kNotRestored: the first live name that could not be put back.
  const std::string& not_restored() const { return not_restored_; }

 private:
  // One line of the journal: what happens to one name of the live set.
  struct Move {
    char kind;  // 'R' replaced (set aside first), 'N' new, 'S' stale (set aside)
    std::string name;
  };

  bool RemoveStaged() const;
  bool Rename(const std::string& from, const std::string& to);
  bool WriteJournal(const std::vector<Move>& moves);
  bool ReadJournal(std::vector<Move>* moves);
  bool Undo(const std::vector<Move>& moves);

  std::string index_path_;
  std::string path_;
  StagingRename rename_;
  bool begun_ = false;
  std::string failed_;
  std::string not_restored_;
};

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_INDEX_STAGING_H_
