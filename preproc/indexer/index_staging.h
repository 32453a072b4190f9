// IndexStaging: where an index run writes before it replaces the live set.
//
// Everything a run writes into the index path (the file mapping log, the
// fold record, the one- and two-letter files and the extras file) goes first
// below the staging directory, index path + kStagingName: a name that begins
// with "." and so is no index file's. Only when every file has been written does Replace rename
// each staged file over its live name (or, where the live set has no letter
// directory yet, move the staged one whole). A run that fails or is killed
// before that leaves the live set as it was; the next run removes the staging
// directory it left.
//
// The staging directory holds only what a run writes there. Removing it
// (Begin, Discard) removes only those names, the letter directories among them
// when they are empty, and then the directory itself: anything else found
// there is left in place and the directory stays, and Begin then fails. A
// file or link of the staging name is never removed.
#ifndef KPX_PREPROC_INDEXER_INDEX_STAGING_H_
#define KPX_PREPROC_INDEXER_INDEX_STAGING_H_

#include <string>
#include <vector>

namespace preproc {

inline constexpr char kStagingName[] = ".kpxsindx-staging";

class IndexStaging {
 public:
  // index_path ends in the separator.
  explicit IndexStaging(std::string index_path);

  // The staging directory, with its final separator.
  const std::string& path() const { return path_; }

  // Removes a staging directory that an earlier run left, then creates it
  // afresh. False when it cannot be removed or created.
  bool Begin();

  // Removes the staging directory with what was staged; nothing happens when
  // Begin has not succeeded. Safe to call more than once.
  void Discard();

  // The files (relative names) whose live names cannot take a file: a
  // directory of that name, or of the letter directory's name a non-directory.
  // Nothing is changed.
  std::vector<std::string> Obstacles(const std::vector<std::string>& files) const;

  // Renames each staged file over its live name, in the given order, creating
  // letter directories as needed; returns the files that could not be
  // renamed (they stay staged). A letter directory the live set lacks is
  // moved whole instead, in one rename: files must name every file staged in
  // it, as they name every file the run wrote.
  std::vector<std::string> Replace(const std::vector<std::string>& files) const;

 private:
  bool RemoveStaged() const;
  bool MoveLetterDirectory(const std::string& letter) const;

  std::string index_path_;
  std::string path_;
  bool begun_ = false;
};

}  // namespace preproc

#endif  // KPX_PREPROC_INDEXER_INDEX_STAGING_H_
