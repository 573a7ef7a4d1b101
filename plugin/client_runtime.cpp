#include "plugin/client_runtime.h"

#include <cstring>

#include "client/host_lists.h"
#include "commands/client_calls.h"
#include "commands/command_handler.h"
#include "commands/menus.h"
#include "plugin/com_bridge.h"
#include "support/memory.h"

ClientState ClientRuntime = {nullptr, nullptr, nullptr};

namespace {

constexpr ClientHandlers kCommandLayer = {InitializeHandler, CommandHandler, NotifyHandler};
ClientHandlers g_handlers = kCommandLayer;

constexpr char kFieldSeparator = '\x1E';

}  // namespace

ClientHandlers ClientUseHandlers(ClientHandlers handlers) {
  ClientHandlers previous = g_handlers;
  g_handlers.initialize = handlers.initialize ? handlers.initialize : kCommandLayer.initialize;
  g_handlers.command = handlers.command ? handlers.command : kCommandLayer.command;
  g_handlers.notify = handlers.notify ? handlers.notify : kCommandLayer.notify;
  return previous;
}

const ClientHandlers& ClientCurrentHandlers() { return g_handlers; }

int32_t PackedFieldsUnpack(const char* s, PackedFields* out) {
  *out = PackedFields{};
  if (s == nullptr) return 0;
  // The pieces beyond the first six go into one array made to measure, so
  // that a long string costs one allocation for them, not one per piece.
  uint32_t pieces = 1;
  for (const char* c = s; *c != '\0'; ++c) pieces += *c == kFieldSeparator ? 1 : 0;
  if (pieces > static_cast<uint32_t>(kPackedFieldCount)) {
    uint32_t extra = pieces - static_cast<uint32_t>(kPackedFieldCount);
    if (extra > UINT32_MAX / sizeof(char*)) return -1;
    out->more.val = static_cast<char**>(MemAllocateZeroed(extra, sizeof(char*), 0));
    if (out->more.val == nullptr) return -1;
  }
  int index = 0;
  const char* start = s;
  for (;;) {
    const char* end = start;
    while (*end != '\0' && *end != kFieldSeparator) ++end;
    size_t length = static_cast<size_t>(end - start);
    char* piece = static_cast<char*>(MemAllocate(static_cast<uint32_t>(length + 1), 0));
    if (piece == nullptr) return -1;
    std::memcpy(piece, start, length);
    piece[length] = '\0';
    if (index < kPackedFieldCount) {
      out->fields[index++] = piece;
    } else {
      out->more.val[out->more.len++] = piece;
    }
    if (*end == '\0') return 0;
    start = end + 1;
  }
}

void PackedFieldsFree(PackedFields* fields) {
  for (char*& field : fields->fields) StrReleaseAndClear(&field);
  HostStringsFree(&fields->more);
}

void ClientRuntimeTearDown(const FrameMakerNotificationsC* callback) {
  if (ClientRuntime.callback == callback) ClientRuntime.callback = nullptr;
  ComHostInterfaces().Release();
  ComBridgeDropReturnLists();
  ComHostKeepsResults = 0;
  HostExitFlag = 1;
  if (ClientRuntime.companion != nullptr) {
    IUnknown* companion = ClientRuntime.companion;
    ClientRuntime.companion = nullptr;
    companion->Release();
  }
}
