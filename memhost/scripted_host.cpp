#include "memhost/scripted_host.h"

#include "memhost/model.h"

namespace memhost {

int32_t ScriptedHost::Alert(const char* message, int32_t type) {
  DialogRecord r{DialogRecord::ALERT, type, message != nullptr ? message : "", {}, -1, 0};
  if (!(responder && responder(r))) {
    if (!alertAnswers.empty()) {
      r.answer = alertAnswers.front();
      alertAnswers.pop_front();
    } else {
      r.answer = type == 1 ? defaultAlertAnswer : 0;
    }
  }
  dialogs.push_back(r);
  return r.answer;
}

int32_t ScriptedHost::ScrollBox(int32_t* chosen, const char* title, const HostStrings* items,
                                int32_t defaultIndex) {
  DialogRecord r{DialogRecord::SCROLL_BOX, 0, title != nullptr ? title : "", {}, defaultIndex, -1};
  uint32_t count = items != nullptr ? items->len : 0;
  for (uint32_t i = 0; i < count; ++i) {
    r.items.push_back(items->val[i] != nullptr ? items->val[i] : "");
  }
  if (!(responder && responder(r))) {
    if (!choices.empty()) {
      r.answer = choices.front();
      choices.pop_front();
    } else {
      r.answer = defaultIndex;
    }
  }
  if (r.answer < 0 || static_cast<uint32_t>(r.answer) >= count) r.answer = -1;
  dialogs.push_back(r);
  if (chosen != nullptr && r.answer >= 0) *chosen = r.answer;
  return r.answer >= 0 ? 0 : -1;
}

int32_t ScriptedHost::PrintConsole(const char* text) {
  int32_t status = HostWrapper::PrintConsole(text);
  if (status == 0) console += text != nullptr ? text : "";
  return status;
}

void ScriptedHost::SetString(ObjHandle doc, ObjHandle obj, int32_t prop, const char* value) {
  bool watched = prop == PROP_STATUS_LINE && statusObserver &&
                 static_cast<int32_t>(obj >> 24) == T_BOOK;
  if (!watched) {
    HostWrapper::SetString(doc, obj, prop, value);
    return;
  }
  // Only a line the host took is shown; the error number stays as the call
  // leaves it.
  int32_t before = HostErrno;
  HostErrno = 0;
  HostWrapper::SetString(doc, obj, prop, value);
  if (HostErrno != 0) return;
  HostErrno = before;
  statusObserver(value != nullptr ? value : "");
}

int32_t ScriptedHost::Redisplay(ObjHandle doc) {
  int32_t status = HostWrapper::Redisplay(doc);
  if (status == 0) ++redisplayCount;
  return status;
}

}  // namespace memhost
