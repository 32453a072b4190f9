// CopyLookAhead: shares a rerun over unchanged articles between two threads.
//
// A copy run goes through its articles in order, one at a time. Once it has
// found a copy that needs no change, it starts a look-ahead, which goes
// through the later articles from the last one back on a thread of its own
// and finds, for each, whether its copy is already the one the run would
// write (ArticleCopier::HoldsCurrentCopy: the article read and transformed,
// the copy compared). The run asks it about each article as it comes to it:
// an article the look-ahead found current needs nothing more from the run;
// any other (not current, failed, or not looked at yet) the run copies
// itself, as it would without a look-ahead, with its own messages. Where the
// two meet, the run takes every article the look-ahead has not begun, and the
// look-ahead ends there.
//
// The look-ahead only reads: it writes, creates, removes and reports nothing,
// so what the run writes, logs and counts is what it would be without one.
// An article it finds not current (changed, or its source or copy missing)
// is left to the run and it goes on with the one before. The run drops it at
// the first copy it changes: what it found may no longer hold once copies
// change, and the accelerator's builder then has the second thread. A thread
// the system cannot start leaves every article to the run. Destroying the
// look-ahead stops its thread after the article it is on and joins it.
#ifndef KPX_PREPROC_COPIER_COPY_LOOK_AHEAD_H_
#define KPX_PREPROC_COPIER_COPY_LOOK_AHEAD_H_

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "preproc/copier/phrase_transform.h"

namespace preproc {

class CopyLookAhead {
 public:
  // Looks at articles first..last (numbered from 1 in names' order, which
  // holds last names at least), their sources under article_path and their
  // copies under copy_path (both ending in a separator), transformed by rules.
  CopyLookAhead(const TransformRules& rules, std::string article_path, std::string copy_path,
                const std::vector<std::string>& names, int first, int last);
  ~CopyLookAhead();
  CopyLookAhead(const CopyLookAhead&) = delete;
  CopyLookAhead& operator=(const CopyLookAhead&) = delete;

  // True when the copy of article n is known to be current, *bytes then its
  // length; waits for the look-ahead where it is looking at n now. False
  // otherwise: n, and every article before it, is then the run's own. The
  // run asks in ascending order.
  bool Current(int n, size_t* bytes);

 private:
  enum class State : unsigned char { kFree, kLooking, kCurrent, kOther, kRunOwn };

  void Work();

  const TransformRules& rules_;
  const std::string article_path_;
  const std::string copy_path_;
  const std::vector<std::string>& names_;
  const int first_;
  std::mutex mutex_;  // guards states_, bytes_ and stop_
  std::condition_variable looked_;
  std::vector<State> states_;  // of article first_ + i
  std::vector<size_t> bytes_;
  bool stop_ = false;
  std::thread thread_;  // last: starts once the rest is ready
};

}  // namespace preproc

#endif  // KPX_PREPROC_COPIER_COPY_LOOK_AHEAD_H_
