// Watching the message boxes the plug-in shows, for the tests of xtra/host.
// Test-only.
//
// Elsewhere than Windows the plug-in's box is a line "caption: text" on
// standard error, which BoxWatch captures. On Windows it is a real modal
// MessageBoxA: BoxWatch hooks the creation of this thread's windows (WH_CBT),
// records each dialog box's caption and text when it is activated, and
// answers it with OK, so no box ever waits for a person. Where no box can be
// shown (Wine without a display returns from MessageBoxA at once), boxes are
// invisible: CanSeeBoxes() tells.
#ifndef KPX_XTRA_HOST_TESTING_BOX_WATCH_H_
#define KPX_XTRA_HOST_TESTING_BOX_WATCH_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace xtra::testing {

class BoxWatch {
 public:
#if defined(_WIN32)
  BoxWatch() {
    current_ = this;
    hook_ = SetWindowsHookExA(WH_CBT, &BoxWatch::Hook, nullptr, GetCurrentThreadId());
  }
  ~BoxWatch() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    current_ = nullptr;
  }
  // True when a box shown on this thread reaches the watch.
  static bool CanSeeBoxes() {
    static const bool seen = [] {
      BoxWatch probe;
      MessageBoxA(nullptr, "probe", "BoxWatch", MB_OK);
      return !probe.Take().empty();
    }();
    return seen;
  }
  // The boxes shown since the watch began or since the last Take, as
  // "caption: text".
  std::vector<std::string> Take() {
    std::vector<std::string> boxes;
    boxes.swap(boxes_);
    return boxes;
  }
#else
  BoxWatch() { ::testing::internal::CaptureStderr(); }
  ~BoxWatch() { ::testing::internal::GetCapturedStderr(); }
  static bool CanSeeBoxes() { return true; }
  std::vector<std::string> Take() {
    std::string shown = ::testing::internal::GetCapturedStderr();
    ::testing::internal::CaptureStderr();
    std::vector<std::string> boxes;
    std::size_t start = 0;
    for (std::size_t end; (end = shown.find('\n', start)) != std::string::npos; start = end + 1) {
      boxes.push_back(shown.substr(start, end - start));
    }
    return boxes;
  }
#endif
  BoxWatch(const BoxWatch&) = delete;
  BoxWatch& operator=(const BoxWatch&) = delete;

 private:
#if defined(_WIN32)
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && current_ != nullptr) {
      auto box = reinterpret_cast<HWND>(wParam);
      char className[16] = {};
      if (GetClassNameA(box, className, sizeof className) > 0 &&
          std::string(className) == "#32770" && GetPropA(box, kAnswered) == nullptr) {
        char caption[256] = {};
        char text[256] = {};
        GetWindowTextA(box, caption, sizeof caption);
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // a message box's text control
        current_->boxes_.push_back(std::string(caption) + ": " + text);
        SetPropA(box, kAnswered, reinterpret_cast<HANDLE>(1));  // one answer per box
        PostMessageA(box, WM_COMMAND, IDOK, 0);
      }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  static constexpr char kAnswered[] = "BoxWatchAnswered";
  static inline thread_local BoxWatch* current_ = nullptr;
  HHOOK hook_ = nullptr;
  std::vector<std::string> boxes_;
#endif
};

}  // namespace xtra::testing

#endif  // KPX_XTRA_HOST_TESTING_BOX_WATCH_H_
