// The client's entry: F_ApiClientInit, the state it sets up, and what the
// callbacks hand to the command layer.
#ifndef TAGSMITH_CLIENT_ENTRY_H
#define TAGSMITH_CLIENT_ENTRY_H

#include "plugin/com_types.h"
#include "client/host_types.h"

#ifdef _WIN32
#define TAGSMITH_ENTRY_EXPORT __declspec(dllexport)
#else
#define TAGSMITH_ENTRY_EXPORT __attribute__((visibility("default")))
#endif

class FrameMakerNotificationsC;

// The host's call into the library: module handle, host object, optional
// companion object, optional description (null: read from the module's
// version resource). 0 on success, -1 on failure.
extern "C" TAGSMITH_ENTRY_EXPORT int32_t F_ApiClientInit(void* module, IUnknown* host,
                                                         IUnknown* companion,
                                                         PropVals* description);

// One per process; set up by F_ApiClientInit, cleared by the tear-down.
struct ClientState {
  void* module;
  FrameMakerNotificationsC* callback;
  IUnknown* companion;
};
extern ClientState ClientRuntime;

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
