#include "preproc/copier/copy_look_ahead.h"

#include <system_error>
#include <utility>

#include "preproc/copier/article_copier.h"
#include "preproc/copier/phrase_search_file.h"
#include "preproc/run/run_services.h"

namespace preproc {

CopyLookAhead::CopyLookAhead(const TransformRules& rules, std::string article_path,
                             std::string copy_path, const std::vector<std::string>& names,
                             int first, int last)
    : rules_(rules),
      article_path_(std::move(article_path)),
      copy_path_(std::move(copy_path)),
      names_(names),
      first_(first),
      states_(first <= last && last <= static_cast<int>(names.size())
                  ? static_cast<size_t>(last - first + 1)
                  : 0,
              State::kFree),
      bytes_(states_.size(), 0) {
  if (states_.empty()) return;
  try {
    thread_ = std::thread([this] { Work(); });
  } catch (const std::system_error&) {  // no thread: the run copies every article itself
  }
}

CopyLookAhead::~CopyLookAhead() {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  thread_.join();
}

bool CopyLookAhead::Current(int n, size_t* bytes) {
  if (n < first_ || n - first_ >= static_cast<int>(states_.size())) return false;
  const auto i = static_cast<size_t>(n - first_);
  std::unique_lock<std::mutex> lock(mutex_);
  if (states_[i] == State::kFree) {
    states_[i] = State::kRunOwn;  // the look-ahead ends when it comes down to it
    return false;
  }
  looked_.wait(lock, [&] { return states_[i] != State::kLooking; });
  if (states_[i] != State::kCurrent) return false;
  *bytes = bytes_[i];
  return true;
}

void CopyLookAhead::Work() {
  // The copier's own services: HoldsCurrentCopy never reports.
  RunServices silent;
  ArticleCopier copier(rules_, silent);
  for (size_t i = states_.size(); i > 0; --i) {
    const int n = first_ + static_cast<int>(i) - 1;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (stop_ || states_[i - 1] != State::kFree) return;
      states_[i - 1] = State::kLooking;
    }
    size_t bytes = 0;
    bool current = false;
    try {
      current = copier.HoldsCurrentCopy(
          ArticleSourceName(article_path_, names_[static_cast<size_t>(n - 1)]),
          PhraseSearchFileName(copy_path_, n), &bytes);
    } catch (...) {  // no memory, say: the run copies it, and meets that, itself
    }
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      states_[i - 1] = current ? State::kCurrent : State::kOther;
      bytes_[i - 1] = bytes;
    }
    looked_.notify_all();
  }
}

}  // namespace preproc
