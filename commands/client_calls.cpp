#include "commands/client_calls.h"

#include "commands/command_handler.h"
#include "commands/command_table.h"
#include "support/strings.h"

namespace {

// "SetDocId <n>" and "SetBookId <n>" name the document or book a caller has
// in mind. Every command works on the host's active document or book, so
// they are taken and nothing is done with them.
bool NamesTarget(const char* s) {
  return StrStartsWith(s, "SetDocId ") != 0 || StrStartsWith(s, "SetBookId ") != 0;
}

}  // namespace

void NotifyHandler(int32_t note, ObjHandle, const char* s, int32_t) {
  // Only the client call carries a string; other notifications may pass
  // something else in its place, so nothing is read for them.
  if (note != NOTE_CLIENT_CALL) return;
  if (NamesTarget(s)) return;
  const CommandRow* row = CommandRowOfCall(s);
  if (row != nullptr) CommandHandler(row->number);
}
