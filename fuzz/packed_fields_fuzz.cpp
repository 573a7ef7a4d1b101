// Notification 75 as the host delivers it: arbitrary bytes through the
// callback object's Notify, which splits them at 0x1E and hands the handler
// a record. The record must hold exactly the pieces of the string, in order,
// also when memory runs out part way (then a leading part of them), and
// nothing may be left behind once Notify returns.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/com_callbacks.h"
#include "plugin/entry.h"
#include "commands/client_calls.h"
#include "support/memory.h"
#include "tests/alloc_faults.h"

namespace {

struct Expected {
  bool null;
  std::vector<std::string> pieces;
  bool outOfMemory;  // an allocation was set to fail: a leading part will do
};

const Expected* g_expected = nullptr;
int g_notified = 0;

void Check(int32_t note, ObjHandle doc, const char* s, int32_t n) {
  ++g_notified;
  if (note != kNotePackedFields) __builtin_trap();
  const PackedFields* f = reinterpret_cast<const PackedFields*>(s);
  std::vector<std::string> got;
  bool gap = false;
  for (const char* field : f->fields) {
    if (field == nullptr) {
      gap = true;
      continue;
    }
    if (gap) __builtin_trap();  // a field after an absent one
    got.emplace_back(field);
  }
  if (f->more.len != 0 && (gap || f->more.val == nullptr)) __builtin_trap();
  for (uint32_t i = 0; i < f->more.len; ++i) {
    if (f->more.val[i] == nullptr) __builtin_trap();
    got.emplace_back(f->more.val[i]);
  }
  const std::vector<std::string>& want = g_expected->pieces;
  if (g_expected->null) {
    if (!got.empty()) __builtin_trap();
  } else if (g_expected->outOfMemory) {
    if (got.size() > want.size()) __builtin_trap();
    for (size_t i = 0; i < got.size(); ++i) {
      if (got[i] != want[i]) __builtin_trap();
    }
  } else if (got != want) {
    __builtin_trap();
  }
  // The command layer's own handler sees the same record.
  NotifyHandler(note, doc, s, n);
}

std::vector<std::string> Split(const std::string& s) {
  std::vector<std::string> pieces(1);
  for (char c : s) {
    if (c == '\x1E') {
      pieces.emplace_back();
    } else {
      pieces.back().push_back(c);
    }
  }
  return pieces;
}

}  // namespace

// The first byte: bit 7 passes a null string; the low four bits, when not 0,
// make that allocation from the start of the call fail. The rest is the
// string, up to its first zero byte as the host's would be.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  text = text.c_str();
  Expected expected{(data[0] & 0x80) != 0, Split(text), (data[0] & 0x0F) != 0};
  g_expected = &expected;
  g_notified = 0;

  ClientHandlers previous = ClientUseHandlers(ClientHandlers{nullptr, nullptr, Check});
  auto* callback = new FrameMakerNotificationsC();
  void* part = nullptr;
  if (callback->QueryInterface(kIidFrameMakerNotifications0, &part) != S_OK) __builtin_trap();
  auto* notifications = static_cast<IFrameMakerNotifications0*>(part);

  MemFailNth(data[0] & 0x0F);
  HRESULT hr = notifications->Notify(kNotePackedFields, 0, expected.null ? nullptr : text.c_str(),
                                     static_cast<int32_t>(size));
  MemFailNth(0);
  if (hr != S_OK || g_notified != 1) __builtin_trap();

  notifications->Release();
  callback->Release();  // the host's last reference: the tear-down runs
  ClientUseHandlers(previous);
  g_expected = nullptr;
  return 0;
}
