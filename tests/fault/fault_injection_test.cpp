// Every command, run again and again with one host call failing each time
// (the 1st, the 2nd, ... up to the last call the command makes), and with
// one allocation failing each time. Whatever fails, the run ends cleanly, no
// character format that text still uses is deleted, removing overrides
// leaves every character with its tag, and a question or list that could
// not be shown changes nothing.
//
// CI runs a sample of the failure points; TAGSMITH_FAULT_FULL=1 runs them
// all, with every failure value at every point.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "commands/command_handler.h"
#include "commands/command_table.h"
#include "commands/menus.h"
#include "memhost/doc_builder.h"
#include "memhost/host_stack.h"
#include "memhost/tag_audit.h"
#include "support/encoding.h"
#include "support/format.h"
#include "support/memory.h"
#include "tests/alloc_faults.h"
#include "tests/test_support.h"

namespace {

using memhost::BookBuilder;
using memhost::DocBuilder;
using memhost::Obj;
using R = memhost::Run;

int32_t ToHostConsole(const char* text) { return HostPrintConsole(text); }

bool FullRun() {
  const char* v = std::getenv("TAGSMITH_FAULT_FULL");
  return v != nullptr && v[0] == '1';
}

// A working document with everything the commands look at.
void BuildDocument(memhost::DocStore& host, const std::string& path, bool usesSpare = false) {
  DocBuilder b(host, path);
  b.CharFormat("Emphasis").Set(PROP_FONT_ANGLE, 1);
  b.CharFormat("Strong").Set(PROP_FONT_WEIGHT, 1);
  b.CharFormat("Code").Set(PROP_FONT_FAMILY, 2);
  b.CharFormat("Unused");
  b.CharFormat("Spare").Set(PROP_CHARSPREAD, 0x800);
  ObjHandle first = b.Para(
      {R("Plain "), R("stressed", "Emphasis"), R(" and "), R("bold", "", {{PROP_FONT_WEIGHT, 1}})});
  // Paragraph ends with tags of their own: apart from the last run, the last
  // run's own (an override on it too), and the only position of a paragraph.
  b.ParaEnd(first, R("", "Emphasis"));
  const std::vector<std::pair<int32_t, int32_t>> bold = {{PROP_FONT_WEIGHT, 1}};
  b.ParaEnd(b.Para({R("then "), R("leaning", "Emphasis", bold)}), R("", "Emphasis", bold));
  b.ParaEnd(b.Para(std::vector<R>{}), R("", "Emphasis"));
  ObjHandle p = b.Para({R("strong", "Strong"), R(" text with a note")});
  b.Footnote(p, {R("see "), R("code", "Code"), R(" and "),
                 R("slanted", "Code", {{PROP_FONT_ANGLE, 1}}), R(".")});
  b.Table({{"Head"}, {"cell"}}, 1, {"Title"});
  ObjHandle master = b.NewFlow(true);
  b.ParaIn(b.Kid(master, 0), {R("master ", ""), R("x", "", {{PROP_FONT_ANGLE, 1}})});
  b.FormatDefA("<Emphasis>Note:");
  // One file of a book alone uses Spare: a failure while that file is read
  // must not let the others' "unused" verdict delete it there.
  if (usesSpare) b.Para({R("spare", "Spare")});
  memhost::Value insertion;
  insertion.type = VT_TEXTRANGE;
  insertion.range() = TextRange{{b.firstPgf, 0}, {b.firstPgf, 0}};
  host.SetProp(b.doc, PROP_TEXT_SELECTION, insertion);
}

// A document holding a keep-list that lists every used tag, and a
// conversion table.
void BuildListDocument(memhost::DocStore& host) {
  DocBuilder lists(host, "C:\\lists.fm");
  lists.Table({{"Tags to Keep"}, {"Emphasis"}, {"Strong"}, {"Code"}, {"Spare"}});
  lists.Table({{"Source Tag", "Destination Tag"}, {"Emphasis", "Strong"}, {"Code", ""}});
}

struct Scenario {
  const char* name;
  int32_t command;
  bool book;
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

// Every command of the table, a book's in a world with a book.
std::vector<Scenario> Scenarios() {
  std::vector<Scenario> out;
  for (size_t i = 0; i < kCommandCount; ++i) {
    const CommandRow& row = kCommandTable[i];
    out.push_back(Scenario{row.tag, row.number, row.target == ON_BOOK});
  }
  return out;
}

struct World {
  std::unique_ptr<memhost::HostStack> host;
};

World Build(const Scenario& s) {
  World w;
  w.host = std::make_unique<memhost::HostStack>();
  memhost::DocStore& model = w.host->model;
  HostInstall(&w.host->faults);
  InitializeHandler(1);
  BuildListDocument(model);
  if (s.book) {
    BookBuilder book(model, "C:\\book\\Manual.book");
    for (const char* file : {"C:\\book\\ch1.fm", "C:\\book\\ch2.fm", "C:\\book\\ch3.fm"}) {
      BuildDocument(model, file, std::string(file) == "C:\\book\\ch2.fm");
      DocBuilder::SaveAndCloseActive(model, file);
      book.File(file);
    }
  } else {
    BuildDocument(model, "C:\\doc\\guide.fm");
  }
  // Every list choice takes "All Character Tags" (or the first format).
  w.host->script.responder = [](memhost::DialogRecord& r) {
    if (r.kind != memhost::DialogRecord::SCROLL_BOX) return false;
    r.answer = r.items.size() == 3 && r.text == "Choose a list type" ? 2 : 0;
    return true;
  };
  HostErrno = 0;
  return w;
}

// Everything a user could see of the documents: names, formats, text, tags.
std::string Fingerprint(const memhost::DocStore& host) {
  std::string out;
  host.ForEachObject([&](const Obj& o) {
    if (o.type == memhost::T_DOC) out += "doc " + host.StringProp(o.h, PROP_NAME) + "\n";
    if (o.type == memhost::T_CHAR_FMT) out += " fmt " + host.StringProp(o.h, PROP_NAME) + "\n";
    if (o.type == memhost::T_PGF) {
      out += " pgf " + o.text + " [";
      for (int32_t k = 0; k <= static_cast<int32_t>(o.text.size()); ++k) {
        const memhost::CharProps& cp = host.PropsAt(o, k);
        out += cp.tag + "/" + std::to_string(cp.ints[5]) + std::to_string(cp.ints[2]) + ",";
      }
      out += "]\n";
    }
  });
  return out;
}

// Document name -> the tags of the text of each of its copies, open or
// saved, paragraph ends included.
std::map<std::string, std::set<std::string>> PositionTags(const memhost::DocStore& host) {
  std::map<ObjHandle, std::string> byCopy;
  host.ForEachObject([&](const Obj& o) {
    if (o.type != memhost::T_PGF) return;
    std::string& tags = byCopy[o.doc];
    for (int32_t k = 0; k <= static_cast<int32_t>(o.text.size()); ++k)
      tags += host.PropsAt(o, k).tag + ",";
    tags += "|";
  });
  std::map<std::string, std::set<std::string>> out;
  for (const auto& kv : byCopy) out[host.StringProp(kv.first, PROP_NAME)].insert(kv.second);
  return out;
}

bool RemovesOverrides(const Scenario& s) {
  return s.command == CMD_REMOVE_CHAR_OVERRIDES || s.command == CMD_REMOVE_CHAR_OVERRIDES_BOOK;
}

struct Counts {
  int64_t calls;
  std::vector<std::string> log;
  int64_t allocations;
};

Counts Baseline(const Scenario& s) {
  World w = Build(s);
  w.host->faults.recordCalls = true;
  int64_t calls = w.host->faults.callCount;
  int64_t allocs = MemAllocationCount();
  CommandHandler(s.command);
  Counts c{w.host->faults.callCount - calls, {}, MemAllocationCount() - allocs};
  c.log.assign(w.host->faults.callLog.end() - c.calls, w.host->faults.callLog.end());
  HostInstall(nullptr);
  return c;
}

void CheckRun(const Scenario& s, const std::string& failing, World& w,
              const memhost::UsedTags& usedBefore, const std::string& before,
              const std::map<std::string, std::set<std::string>>& tagsBefore) {
  for (const auto& kv : usedBefore) {
    EXPECT_GT(memhost::CopiesOf(w.host->model, kv.first), 0u)
        << s.name << ": " << failing << " lost " << kv.first;
  }
  for (const std::string& lost : memhost::DeletedUsedTags(w.host->model, usedBefore)) {
    ADD_FAILURE() << s.name << ": " << failing << " deleted used tag of " << lost;
  }
  if (RemovesOverrides(s)) {
    for (const auto& kv : PositionTags(w.host->model)) {
      auto was = tagsBefore.find(kv.first);
      if (was == tagsBefore.end()) continue;  // made by the command
      for (const std::string& copy : kv.second) {
        EXPECT_EQ(1u, was->second.count(copy))
            << s.name << ": " << failing << " changed tags in " << kv.first << ": " << copy;
      }
    }
  }
  if (failing == "Alert1" || failing == "ScrollBox") {
    EXPECT_EQ(before, Fingerprint(w.host->model))
        << s.name << ": a failed " << failing << " changed documents";
  }
}

class FaultInjection : public ::testing::TestWithParam<Scenario> {
 protected:
  void TearDown() override {
    HostInstall(nullptr);
    MemFailNth(0);
  }

  testsupport::ScopedConsoleSink sink{ToHostConsole};
  // File names reach the host's save in UTF-8; with the client's own text in
  // UTF-8 no converter is needed for that, so the change passes really save.
  testsupport::ScopedClientEncoding encoding{"UTF-8"};
};

TEST_P(FaultInjection, EveryFailingHostCallEndsCleanly) {
  const Scenario s = GetParam();
  Counts base = Baseline(s);
  ASSERT_GT(base.calls, 0);
  const int32_t statuses[] = {ERR_CALL_FAILED, 5, ERR_HOST_BUSY};
  int64_t step = FullRun() ? 1 : std::max<int64_t>(1, base.calls / 60);
  int64_t runs = 0;
  for (int64_t n = 1; n <= base.calls; n += step) {
    for (int si = 0; si < 3; ++si) {
      if (!FullRun() && si != n % 3) continue;
      World w = Build(s);
      auto used = memhost::UsedDefinedTags(w.host->model);
      std::string before = Fingerprint(w.host->model);
      auto tags = PositionTags(w.host->model);
      w.host->faults.FailNthCall(n, statuses[si]);
      CommandHandler(s.command);
      ++runs;
      EXPECT_EQ(1, w.host->faults.failedCalls) << s.name << " call " << n;
      CheckRun(s, base.log[static_cast<size_t>(n - 1)], w, used, before, tags);
      HostInstall(nullptr);
      if (HasFailure()) return;
    }
  }
  std::printf("[ fault    ] %-22s %6lld host calls, %4lld failing runs\n", s.name,
              static_cast<long long>(base.calls), static_cast<long long>(runs));
}

TEST_P(FaultInjection, EveryFailingAllocationEndsCleanly) {
  const Scenario s = GetParam();
  Counts base = Baseline(s);
  if (base.allocations == 0) return;
  int64_t step = FullRun() ? 1 : std::max<int64_t>(1, base.allocations / 40);
  for (int64_t n = 1; n <= base.allocations; n += step) {
    World w = Build(s);
    auto used = memhost::UsedDefinedTags(w.host->model);
    auto tags = PositionTags(w.host->model);
    MemFailNth(n);
    CommandHandler(s.command);
    MemFailNth(0);
    CheckRun(s, "allocation", w, used, "", tags);
    HostInstall(nullptr);
    if (HasFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Commands, FaultInjection, ::testing::ValuesIn(Scenarios()),
                         [](const ::testing::TestParamInfo<Scenario>& i) {
                           return std::string(i.param.name);
                         });

}  // namespace
