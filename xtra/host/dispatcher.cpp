#include "xtra/host/dispatcher.h"

#include <cstring>
#include <memory>
#include <new>

#include "platform/message_box.h"
#include "xtra/engine/search_engine.h"
#include "xtra/host/interface_record.h"
#include "xtra/host/lingo_call.h"
#include "xtra/host/method_table.h"

namespace xtra {
namespace {

constexpr std::int16_t kLastUngatedVersionClass = 6;

// True when the method must not run on this host. CountMatches shows the
// message before the test, at every call.
bool VersionGateCloses(const XtraInstance& instance, Selector selector) {
  if (selector == Selector::kNew) return false;
  bool closed = instance.versionClass > kLastUngatedVersionClass;
  if (closed && selector == Selector::kCountMatches) {
    platform::ShowMessageBox(kVersionGateText, kVersionGateCaption,
                             platform::MessageIcon::kWarning);
  }
  return closed;
}

// KPXSearchCreateMatchesList: the engine folds a working copy, never
// the borrowed characters.
void CreateMatchesList(engine::SearchState& state, LingoCall& call) {
  BorrowedString text = call.String(0);
  std::size_t length = std::strlen(text.text());
  std::unique_ptr<char[]> copy(new (std::nothrow) char[length + 1]);
  char empty[1] = {'\0'};
  char* working = empty;
  if (copy != nullptr) {
    std::memcpy(copy.get(), text.text(), length + 1);
    working = copy.get();
  } else {
    length = 0;  // no room for a copy: the text reads as empty
  }
  static_assert(engine::kMatchListCapacity <= 32 * 1024, "the statement lives on the stack");
  char statement[engine::kMatchListCapacity];
  engine::KPXSearchCreateMatchesList(state, working, length, statement);
  call.SetString(statement);
}

std::int32_t RunStringMethod(engine::SearchState& state, Selector selector, LingoCall& call) {
  BorrowedString text = call.String(0);
  switch (selector) {
    case Selector::kSetIndexPath:
      return engine::KPXSearchSetIndexPath(state, text.text());
    case Selector::kSetArticlesPath:
      return engine::KPXSearchSetArticlesPath(state, text.text());
    case Selector::kAddWordPhrase:
      return engine::KPXSearchAddWordPhrase(state, text.text());
    case Selector::kDeleteWordPhrase:
      return engine::KPXSearchDeleteWordPhrase(state, text.text());
    case Selector::kDeleteKeyRange:
      return engine::KPXSearchDeleteKeyRange(state, text.text());
    default: {
      // KPXSearchAddKeyRange: the name first, then the two bounds, as given.
      std::int32_t lowerBound = call.Integer(1);
      std::int32_t upperBound = call.Integer(2);
      return engine::KPXSearchAddKeyRange(state, text.text(), lowerBound, upperBound);
    }
  }
}

void RunMethod(XtraInstance& instance, Selector selector, LingoCall& call) {
  engine::SearchState& state = instance.searchState;
  switch (selector) {
    case Selector::kNew:
      return call.SetInteger(engine::KPXSearchNew(state));
    case Selector::kCountMatches:
      return call.SetInteger(engine::KPXSearchCountMatches(state));
    case Selector::kGetMatch:
      return call.SetInteger(engine::KPXSearchGetMatch(state, call.Integer(0)));
    case Selector::kGetAt:
      return call.SetInteger(engine::KPXSearchGetAt(state, call.Integer(0)));
    case Selector::kAndOr:
      return call.SetInteger(engine::KPXSearchAndOr(state, call.Integer(0)));
    case Selector::kWholeWord:
      return call.SetInteger(engine::KPXSearchWholeWord(state, call.Integer(0)));
    case Selector::kCreateMatchesList:
      return CreateMatchesList(state, call);
    default:
      return call.SetInteger(RunStringMethod(state, selector, call));
  }
}

// Everything between obtaining and releasing the call context.
void RunSelected(XtraInstance& instance, MoaMmCallInfo& callInfo) {
  auto raw = static_cast<std::uint32_t>(callInfo.methodSelector);
  if (raw > kLastSelector) return;
  if (instance.valueService == nullptr) return;  // nothing can be read or answered
  LingoCall call(instance.valueService, callInfo);
  if (instance.callContextService == nullptr) return call.SetInteger(-1);
  auto selector = static_cast<Selector>(raw);
  if (VersionGateCloses(instance, selector)) return;
  RunMethod(instance, selector, call);
}

}  // namespace

XtraResult DispatchCall(XtraInstance& instance, MoaMmCallInfo& callInfo) noexcept {
  instance.callContext = nullptr;
  HostCallContextService* contexts = instance.callContextService;
  if (contexts != nullptr) {
    XtraResult code = contexts->ops->getCallContext(contexts, &instance.callContext);
    if (code != XTRA_OK) return code;
  }
  RunSelected(instance, callInfo);
  if (instance.callContext != nullptr) {
    instance.callContext->ops->release(instance.callContext);
    instance.callContext = nullptr;
  }
  return XTRA_OK;
}

XtraResult XTRA_CALL ScriptCall(IMoaMmXScript* self, MoaMmCallInfo* callInfo) noexcept {
  auto* object = OwnerOf<ScriptingObject>(self);
  return DispatchCall(object->instance, *callInfo);
}

}  // namespace xtra
