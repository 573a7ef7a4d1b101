// ScriptedHost: the person at the host, for tests and the simulator. Over
// any host it answers dialogs from a script (queued answers, or a responder
// asked first), records every dialog, captures the console and watches a
// book's status line and redisplays. Every other call goes to the host
// below unchanged, so that reading text costs what it costs there.
#ifndef TAGSMITH_MEMHOST_SCRIPTED_HOST_H
#define TAGSMITH_MEMHOST_SCRIPTED_HOST_H

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "client/host_wrapper.h"

namespace memhost {

struct DialogRecord {
  enum Kind { ALERT, SCROLL_BOX } kind;
  int32_t alertType;               // ALERT only
  std::string text;                // message or title
  std::vector<std::string> items;  // SCROLL_BOX only
  int32_t defaultIndex;
  int32_t answer;  // alert answer, or chosen index (-1 cancelled)
};

class ScriptedHost : public HostWrapper {
 public:
  // Over `target`, which must outlive it.
  explicit ScriptedHost(HostApi* target) : HostWrapper(target) {}

  // Answers for the next questions and notices (HostAlert), in order. When
  // none is queued a question is answered by `defaultAlertAnswer`, a notice
  // by 0.
  std::deque<int32_t> alertAnswers;
  int32_t defaultAlertAnswer = 0;
  // Chosen indexes for the next scroll boxes (-1 cancels). When none is
  // queued the default index is taken; an index outside the items cancels.
  std::deque<int32_t> choices;
  // When set, asked first for every dialog; returns false to fall back to the
  // queues. It fills in record.answer.
  std::function<bool(DialogRecord&)> responder;
  // Every dialog shown, with its answer, in order.
  std::vector<DialogRecord> dialogs;
  // Everything printed to the console (the host below prints it too).
  std::string console;
  // Called with the status line of a book whenever it is set.
  std::function<void(const std::string&)> statusObserver;
  // Redisplays that succeeded.
  int32_t redisplayCount = 0;

  int32_t Alert(const char* message, int32_t type) override;
  int32_t ScrollBox(int32_t* chosen, const char* title, const HostStrings* items,
                    int32_t defaultIndex) override;
  int32_t PrintConsole(const char* text) override;
  void SetString(ObjHandle doc, ObjHandle obj, int32_t prop, const char* value) override;
  int32_t Redisplay(ObjHandle doc) override;
  // The script leaves text as it is: the look below is the look here.
  bool PeekTextPropVal(ObjHandle doc, TextLoc at, int32_t prop, PropVal* view,
                       size_t* length) override {
    return target()->PeekTextPropVal(doc, at, prop, view, length);
  }
};

}  // namespace memhost

#endif
