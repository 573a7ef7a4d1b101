// Client-call strings from other clients, as arbitrary bytes, against a small
// document, a book of two files and a document holding both kinds of list.
// The dialogs the commands show are answered from the input too, so a string
// that names a command runs it down any of its paths. Whatever comes, every
// call returns, nothing leaks, and a format that text uses survives, except
// where an earlier string of the same input made the keep-list that leaves it
// out.
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "plugin/entry.h"
#include "client/host_lists.h"
#include "commands/client_calls.h"
#include "commands/menus.h"
#include "memhost/doc_builder.h"
#include "memhost/mem_host.h"
#include "memhost/scripted_host.h"
#include "memhost/tag_audit.h"
#include "support/encoding.h"
#include "support/format.h"
#include "support/strings.h"

namespace {

using memhost::BookBuilder;
using memhost::DialogRecord;
using memhost::DocBuilder;
using memhost::Obj;
using R = memhost::Run;

// More dialogs than any command shows for this world: a command that keeps
// asking is stuck.
constexpr size_t kDialogLimit = 200;
constexpr size_t kMaxCalls = 4;

int32_t ToHostConsole(const char* text) { return HostPrintConsole(text); }

void BuildChapter(memhost::DocStore& host, const std::string& path) {
  DocBuilder b(host, path);
  b.CharFormat("Emphasis").Set(PROP_FONT_ANGLE, 1);
  b.CharFormat("Strong").Set(PROP_FONT_WEIGHT, 1);
  b.CharFormat("Code").Set(PROP_FONT_FAMILY, 2);
  b.CharFormat("Spare");
  b.Para(
      {R("Plain "), R("stressed", "Emphasis"), R(" and "), R("bold", "", {{PROP_FONT_WEIGHT, 1}})});
  ObjHandle p = b.Para({R("strong", "Strong"), R(" text")});
  b.Footnote(p, {R("see "), R("code", "Code")});
  b.Table({{"Head"}, {"cell"}}, 1, {"Title"});
  ObjHandle master = b.NewFlow(true);
  b.ParaIn(b.Kid(master, 0), {R("master "), R("x", "", {{PROP_FONT_ANGLE, 1}})});
  memhost::Value insertion;
  insertion.type = VT_TEXTRANGE;
  insertion.range() = TextRange{{b.firstPgf, 0}, {b.firstPgf, 0}};
  host.SetProp(b.doc, PROP_TEXT_SELECTION, insertion);
}

struct World {
  memhost::DocStore model;
  memhost::MemHost mem{&model};
  memhost::ScriptedHost host{&mem};
  World() {
    HostInstall(&host);
    SetConsoleSink(ToHostConsole);
    // None of the host's converters is here: in UTF-8 the paths of book
    // files reach the host's save as they are, so changed files are saved.
    SetClientEncoding("UTF-8");
    InitializeHandler(1);
    BookBuilder book(model, "C:\\book\\Manual.book");
    for (const char* file : {"C:\\book\\ch1.fm", "C:\\book\\ch2.fm"}) {
      BuildChapter(model, file);
      DocBuilder::SaveAndCloseActive(model, file);
      book.File(file);
    }
    DocBuilder lists(model, "C:\\lists.fm");
    lists.Table({{"Tags to Keep"}, {"Emphasis"}, {"Strong"}, {"Code"}});
    lists.Table({{"Source Tag", "Destination Tag"}, {"Emphasis", "Strong"}, {"Code", ""}});
    BuildChapter(model, "C:\\doc\\guide.fm");
  }
  ~World() {
    SetClientEncoding("FrameRoman");
    SetConsoleSink(nullptr);
    HostInstall(nullptr);
  }
  World(const World&) = delete;
  World& operator=(const World&) = delete;
};

// The notification each string comes with: mostly the client call, else
// one the handler must leave alone.
const int32_t kNotes[] = {NOTE_CLIENT_CALL,
                          NOTE_CLIENT_CALL,
                          NOTE_CLIENT_CALL,
                          NOTE_CLIENT_CALL,
                          NOTE_CLIENT_CALL,
                          kNotePackedFields,
                          0,
                          14};

}  // namespace

// Input: a flag byte (low three bits: the notification), then up to four
// strings separated by zero bytes; whatever follows the last zero answers
// the dialogs, one byte each: an alert gets the byte as its answer (0
// confirms), a list the item at the byte modulo its length, or none for
// 0xFF. When the answers run out, every dialog is cancelled.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int32_t note = kNotes[data[0] & 7];
  std::vector<std::string> parts(1);
  for (size_t i = 1; i < size; ++i) {
    if (data[i] == 0) {
      parts.emplace_back();
    } else {
      parts.back().push_back(static_cast<char>(data[i]));
    }
  }
  std::string answers;
  if (parts.size() > 1) {
    answers = parts.back();
    parts.pop_back();
  }
  if (parts.size() > kMaxCalls) parts.resize(kMaxCalls);

  auto world = std::make_unique<World>();
  memhost::ScriptedHost& host = world->host;
  memhost::DocStore& model = world->model;
  size_t next = 0;
  size_t shown = 0;
  host.responder = [&](DialogRecord& r) {
    if (++shown > kDialogLimit) __builtin_trap();
    if (next >= answers.size()) {
      r.answer = r.kind == DialogRecord::ALERT ? 1 : -1;
      return true;
    }
    uint8_t b = static_cast<uint8_t>(answers[next++]);
    if (r.kind == DialogRecord::ALERT) {
      r.answer = b;
    } else {
      r.answer = b == 0xFF || r.items.empty() ? -1 : static_cast<int32_t>(b % r.items.size());
    }
    return true;
  };

  bool listMade = false;
  for (const std::string& s : parts) {
    auto before = memhost::UsedDefinedTags(model);
    if (note == kNotePackedFields) {
      // This notification never carries a string: the handler gets the
      // unpacked record.
      PackedFields fields;
      PackedFieldsUnpack(s.c_str(), &fields);
      NotifyHandler(note, model.activeDoc, reinterpret_cast<const char*>(&fields), 0);
      PackedFieldsFree(&fields);
    } else {
      NotifyHandler(note, model.activeDoc, s.c_str(), 0);
    }
    bool pruning = note == NOTE_CLIENT_CALL && StrStartsWith(s.c_str(), "RemoveNonlistChars") != 0;
    if (!(pruning && listMade) && !memhost::DeletedUsedTags(model, before).empty())
      __builtin_trap();
    if (note == NOTE_CLIENT_CALL && StrStartsWith(s.c_str(), "CreateCharList") != 0)
      listMade = true;
  }
  return 0;
}
