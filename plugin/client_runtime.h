// What the entry sets up and the callbacks run on: the per-process state,
// the handlers the callbacks forward to, its tear-down and the unpacking of
// packed-field notifications. Both the entry and the callback object use it,
// so that neither has to know the other.
#ifndef TAGSMITH_PLUGIN_CLIENT_RUNTIME_H
#define TAGSMITH_PLUGIN_CLIENT_RUNTIME_H

#include "client/host_types.h"
#include "plugin/com_types.h"

class FrameMakerNotificationsC;

// One per process; set up by F_ApiClientInit, cleared by the tear-down.
struct ClientState {
  void* module;
  FrameMakerNotificationsC* callback;
  IUnknown* companion;
};
extern ClientState ClientRuntime;

// Lets go of everything the entry took from the host when `callback`, the
// callback object, goes away: the host's interfaces, the bridge's lists and
// the companion object.
void ClientRuntimeTearDown(const FrameMakerNotificationsC* callback);

// What the callbacks forward to: the command layer's handlers unless a test
// put others in their place.
struct ClientHandlers {
  int32_t (*initialize)(int32_t code);
  int32_t (*command)(int32_t number);
  void (*notify)(int32_t note, ObjHandle doc, const char* s, int32_t n);
};
// Installs handlers (a null member keeps the command layer's) and returns
// the ones in place before.
ClientHandlers ClientUseHandlers(ClientHandlers handlers);
const ClientHandlers& ClientCurrentHandlers();

// Notification 75 carries fields separated by byte 0x1E. The handler gets a
// pointer to this record in place of the string.
constexpr int32_t kNotePackedFields = 75;
constexpr int kPackedFieldCount = 6;
struct PackedFields {
  char* fields[kPackedFieldCount];  // absent fields stay null
  HostStrings more;                 // the fields after the sixth, in order
};
// Unpacks s (null gives an empty record). 0, or -1 when memory ran out (the
// record then holds what was unpacked so far).
int32_t PackedFieldsUnpack(const char* s, PackedFields* out);
void PackedFieldsFree(PackedFields* fields);

#endif
