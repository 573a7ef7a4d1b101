// Random documents and books, and every command that deletes, converts or
// removes overrides run on them, with and without host calls failing at
// random. After each run: every tag that text applies is still defined
// (unless the user's own list left it out) and still carried by the same
// text, text is unchanged, tags changed only where the command says,
// and nothing at all changed when the command was cancelled or declined.
// Without failures the result is exactly the one expected. Turning
// overrides into formats runs on documents rich in overrides of every kind,
// and must keep every character's look while it takes the overrides away.
//
// Seeded and reproducible. CI runs a brief sample; by hand
// TAGSMITH_PROPERTY_WORLDS=n runs n worlds per command, and
// TAGSMITH_PROPERTY_SEED=s starts from another seed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "commands/command_handler.h"
#include "commands/command_table.h"
#include "commands/menus.h"
#include "commands/override_formats.h"
#include "memhost/doc_builder.h"
#include "memhost/host_stack.h"
#include "support/encoding.h"
#include "support/format.h"
#include "tests/test_support.h"

namespace {

using memhost::BookBuilder;
using memhost::CharProps;
using memhost::DocBuilder;
using memhost::Obj;
using R = memhost::Run;
using Rng = std::mt19937;
using Names = std::set<std::string>;

const char kDefaultParagraphFormat[] = "Default Paragraph Format";

// Format names, with case variants; the last ones stand for the host's own
// settings when a property names them.
const std::vector<std::string> kNames = {"Emphasis", "emphasis", "EMPHASIS", "Strong",     "Code",
                                         "code",     "Note",     "NOTE",     "Term",       "Sup",
                                         "Old",      "Spare",    "Default",  "DefaultBold"};
// Tags that text carries without the document defining them.
const std::vector<std::string> kGhosts = {"Ghost", "Lost"};

int64_t EnvNumber(const char* name, int64_t fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0' ? std::strtoll(v, nullptr, 10) : fallback;
}

int Below(Rng& rng, int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); }
bool OneIn(Rng& rng, int n) { return Below(rng, n) == 0; }

std::string Folded(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// What the generator knows of one file: the formats it defines and every
// name the usage scan must count as used there.
struct Plan {
  Names defined;
  Names uses;
};

struct Generator {
  Rng& rng;
  DocBuilder& b;
  Plan& plan;
  std::vector<std::string> tags;  // what text may carry
  // Overrides of every kind, and formats that set several properties;
  // otherwise text is only made bold by hand.
  bool rich = false;
  int32_t color = 0;
  // Text on master pages starts with '#', for the checks to know it.
  bool onMaster = false;

  std::pair<int32_t, int32_t> AnyOverride() {
    switch (Below(rng, 12)) {
      case 0: return {PROP_FONT_WEIGHT, 1 + Below(rng, 2)};
      case 1: return {PROP_FONT_ANGLE, 1};
      case 2: return {PROP_FONT_SIZE, (9 + Below(rng, 6)) << 16};
      case 3: return {PROP_UNDERLINING, 1 + Below(rng, 3)};
      case 4: return {PROP_STRIKETHROUGH, 1};
      case 5: return {PROP_COLOR, color};
      case 6: return {PROP_LANGUAGE, 2 + Below(rng, 3)};
      case 7: return {PROP_FONT_FAMILY, 1 + Below(rng, 3)};
      case 8: return {PROP_CHAR_INT_2287, 1 + Below(rng, 2)};
      case 9: return {PROP_CAPITALIZATION, 1 + Below(rng, 3)};
      case 10: return {PROP_POSITION, 1 + Below(rng, 2)};
      default: return {PROP_CHARSPREAD, 0x1000 * (1 + Below(rng, 3))};
    }
  }

  std::string AnyTag() {
    return tags.empty() ? "" : tags[static_cast<size_t>(Below(rng, static_cast<int>(tags.size())))];
  }
  // The tag of a footnote anchor, used there alone as often as not.
  std::string AnchorTag() {
    std::string tag = OneIn(rng, 2) ? "" : AnyTag();
    if (!tag.empty()) plan.uses.insert(tag);
    return tag;
  }

  std::vector<R> Runs() {
    std::vector<R> runs;
    int n = 1 + Below(rng, 4);
    for (int i = 0; i < n; ++i) {
      std::string text(static_cast<size_t>(1 + Below(rng, 5)),
                       static_cast<char>('a' + Below(rng, 26)));
      if (onMaster && i == 0) text[0] = '#';
      std::string tag = OneIn(rng, 3) ? "" : AnyTag();
      if (!tag.empty()) plan.uses.insert(tag);
      std::vector<std::pair<int32_t, int32_t>> overrides;
      if (rich) {
        for (int k = Below(rng, 3) + (OneIn(rng, 3) ? 0 : -1); k >= 0; --k)
          overrides.push_back(AnyOverride());
      } else if (OneIn(rng, 5)) {
        overrides.push_back({PROP_FONT_WEIGHT, 1});
      }
      runs.push_back(R(text, tag, overrides));
    }
    return runs;
  }
  // A paragraph of random runs in `container` (0: the main flow). Its end
  // carries, as in files the host saves, often the last run's properties
  // (the run goes on to it), sometimes a tag of its own; some paragraphs
  // have no text at all.
  ObjHandle NewParagraph(ObjHandle container) {
    std::vector<R> runs = OneIn(rng, 8) ? std::vector<R>{} : Runs();
    ObjHandle p = container == 0 ? b.Para(runs) : b.ParaIn(container, runs);
    End(p, runs);
    return p;
  }
  void End(ObjHandle p, const std::vector<R>& runs) {
    if (!runs.empty() && OneIn(rng, 2)) {
      b.ParaEnd(p, R("", runs.back().tag, runs.back().overrides));
    } else if (OneIn(rng, 3)) {
      std::string tag = AnyTag();
      if (!tag.empty()) plan.uses.insert(tag);
      b.ParaEnd(p, R("", tag));
    }
  }

  std::string AnyName() {
    return kNames[static_cast<size_t>(Below(rng, static_cast<int>(kNames.size())))];
  }
  // A building block of a name: counts when the document defines it.
  std::string Block() {
    std::string name = AnyName();
    if (plan.defined.count(name) != 0) plan.uses.insert(name);
    return "x <" + name + "> y";
  }
  std::string NamedTag() {
    std::string name = OneIn(rng, 4) ? "" : AnyName();
    if (!name.empty() && name.compare(0, 7, "Default") != 0) plan.uses.insert(name);
    return name;
  }

  void Build() {
    if (rich) color = static_cast<int32_t>(b.Color("Red"));
    for (const std::string& n : kNames) {
      if (!OneIn(rng, 2)) continue;
      plan.defined.insert(n);
      memhost::FormatRef f = b.CharFormat(n);
      if (rich) {
        // Some set nothing, some what an override sets, some more.
        for (int k = Below(rng, 3); k > 0; --k) {
          std::pair<int32_t, int32_t> v = AnyOverride();
          f.Set(v.first, v.second);
        }
      } else {
        f.Set(PROP_FONT_ANGLE, Below(rng, 2)).Set(PROP_FONT_SIZE, (8 + Below(rng, 8)) << 16);
      }
      tags.push_back(n);
    }
    if (OneIn(rng, 4)) tags.push_back(kGhosts[static_cast<size_t>(Below(rng, 2))]);
    std::vector<ObjHandle> paragraphs;
    int pgfs = 1 + Below(rng, 4);
    for (int i = 0; i < pgfs; ++i) {
      if (i > 0 && OneIn(rng, 4)) b.NewFrame();
      paragraphs.push_back(NewParagraph(0));
    }
    for (int t = Below(rng, 3); t > 0; --t) {
      int columns = 1 + Below(rng, 2);
      int rows = 1 + Below(rng, 3);
      std::vector<std::vector<std::string>> cells(
          static_cast<size_t>(rows + 1),
          std::vector<std::string>(static_cast<size_t>(columns), "c"));
      std::vector<std::string> titles;
      if (OneIn(rng, 2)) titles.push_back("Table");
      ObjHandle table = b.Table(cells, 1, titles);
      for (int r = 0; r <= rows; ++r) {
        for (int c = 0; c < columns; ++c) {
          if (OneIn(rng, 2))
            NewParagraph(b.Cell(table, static_cast<size_t>(r), static_cast<size_t>(c)));
        }
      }
      if (OneIn(rng, 2)) NewParagraph(table);                                      // a tagged title
      if (OneIn(rng, 3)) b.Footnote(b.CellPgf(table, 0, 0), Runs(), AnchorTag());  // in a heading
    }
    for (int f = Below(rng, 3); f > 0; --f) {
      std::vector<R> runs = Runs();
      ObjHandle fn = b.Footnote(
          paragraphs[static_cast<size_t>(Below(rng, static_cast<int>(paragraphs.size())))], runs,
          AnchorTag());
      End(b.Kid(fn, 0), runs);
    }
    if (OneIn(rng, 2)) {
      ObjHandle master = b.NewFlow(true);
      onMaster = true;
      NewParagraph(b.Kid(master, 0));
      onMaster = false;
    }
    if (OneIn(rng, 3)) b.FormatDefA(Block());
    if (OneIn(rng, 3)) b.FormatDefB(Block());
    if (OneIn(rng, 3)) b.FormatDefC(Block());
    if (OneIn(rng, 3)) b.FormatPage({Block()});
    if (OneIn(rng, 3)) b.TagRef(NamedTag());
    if (OneIn(rng, 3)) b.store.SetStringProp(b.doc, PROP_DOC_CHAR_TAG_339, NamedTag());
  }
};

// ---- What a document holds, to compare before and after ----

struct Paragraph {
  std::string text;
  std::vector<CharProps> props;
  bool converted;                // in a flow or a table, where conversion reaches
  std::vector<bool> overridden;  // by position
};

// Whether the text at k is an override as the host's users see one:
// untagged text that differs from its paragraph in anything, tagged text
// that differs from it where its format leaves a property as is. A tag no
// format defines gives nothing to differ from.
bool Overridden(memhost::DocStore& host, const std::map<std::string, ObjHandle>& formats,
                const Obj& pgf, int32_t k) {
  CharProps at = host.PropsAt(pgf, k);
  CharProps font = host.ParagraphFont(pgf.h);
  if (at.tag.empty()) {
    font.tag = at.tag;
    return !(at == font);
  }
  auto found = formats.find(at.tag);
  if (found == formats.end()) return false;
  ObjHandle format = found->second;
  for (int i = 0; i < memhost::kCharIntCount; ++i) {
    int32_t flag = memhost::CharUseFlagOf(memhost::kCharIntProps[i]);
    if (flag != 0 && host.IntProp(format, flag) == 0 && at.ints[i] != font.ints[i]) return true;
  }
  return false;
}

struct DocState {
  Names formats;
  std::vector<Paragraph> paragraphs;
};

// Every live object by handle, saved files' copies included (the host's own
// lookup leaves those out).
using Objects = std::map<ObjHandle, const Obj*>;

bool Converted(const Objects& all, const Obj& pgf) {
  for (auto it = all.find(pgf.parent); it != all.end(); it = all.find(it->second->parent)) {
    if (it->second->type == memhost::T_FOOTNOTE) return false;
    if (it->second->type == memhost::T_FLOW || it->second->type == memhost::T_TABLE) return true;
  }
  return false;
}

// A colour is an object of its document, with another handle in every copy
// of the file: it is compared by name.
CharProps WithColorByName(memhost::DocStore& host, CharProps props) {
  static std::map<std::string, int32_t> numbers;
  int32_t& color = props.ints[memhost::CharIntIndex(PROP_COLOR)];
  if (color != 0) {
    std::string name = host.StringProp(static_cast<ObjHandle>(color), PROP_NAME);
    color = numbers.emplace(name, static_cast<int32_t>(numbers.size()) + 1).first->second;
  }
  return props;
}

DocState StateOf(memhost::DocStore& host, const Objects& all, const Obj& doc) {
  DocState s;
  for (ObjHandle f : host.Chain(doc.h, PROP_FIRST_CHAR_FMT_IN_DOC)) {
    s.formats.insert(host.StringProp(f, PROP_NAME));
  }
  std::map<std::string, ObjHandle> formats;
  for (ObjHandle f : host.Chain(doc.h, PROP_FIRST_CHAR_FMT_IN_DOC))
    formats.emplace(host.StringProp(f, PROP_NAME), f);
  std::map<uint32_t, const Obj*> bySerial;
  for (const auto& kv : all) bySerial[kv.first & 0xFFFFFFu] = kv.second;
  for (uint32_t serial : host.Data(doc.h)->members) {
    auto it = bySerial.find(serial);
    if (it == bySerial.end()) continue;
    const Obj& o = *it->second;
    if (o.type != memhost::T_PGF || o.doc != doc.h) continue;
    Paragraph p{o.text, {}, Converted(all, o), {}};
    // Every position, anchors and the paragraph end included.
    for (int32_t k = 0; k <= static_cast<int32_t>(o.text.size()); ++k) {
      p.props.push_back(WithColorByName(host, host.PropsAt(o, k)));
      p.overridden.push_back(Overridden(host, formats, o, k));
    }
    s.paragraphs.push_back(p);
  }
  return s;
}

// Every named document, open or saved, by name; a file whose save failed
// has two copies.
std::map<std::string, std::vector<DocState>> States(memhost::DocStore& host) {
  Objects all;
  host.ForEachObject([&](const Obj& o) { all[o.h] = &o; });
  std::map<std::string, std::vector<DocState>> out;
  for (const auto& kv : all) {
    const Obj& o = *kv.second;
    std::string name = o.type == memhost::T_DOC ? host.StringProp(o.h, PROP_NAME) : "";
    if (!name.empty()) out[name].push_back(StateOf(host, all, o));
  }
  return out;
}

// ---- Worlds ----

struct World {
  std::unique_ptr<memhost::HostStack> host;
  ObjHandle doc = 0;  // the active document, for document commands
  std::map<std::string, Plan> plans;
};

int32_t ToHostConsole(const char* text) { return HostPrintConsole(text); }

World Build(uint32_t seed, bool book, bool rich = false) {
  Rng rng(seed);
  World w;
  w.host = std::make_unique<memhost::HostStack>();
  HostInstall(&w.host->faults);
  InitializeHandler(1);
  auto make = [&](const std::string& path) {
    DocBuilder b(w.host->model, path);
    Generator g{rng, b, w.plans[path], {}};
    g.rich = rich;
    g.Build();
    return b.doc;
  };
  if (!book) {
    w.doc = make("C:\\doc\\guide.fm");
    return w;
  }
  BookBuilder bb(w.host->model, "C:\\book\\Manual.book");
  ObjHandle folder = OneIn(rng, 2) ? bb.Component(64, "Part") : 0;
  int files = 2 + Below(rng, 3);
  for (int i = 0; i < files; ++i) {
    std::string path = "C:\\book\\ch" + std::to_string(i + 1) + ".fm";
    make(path);
    DocBuilder::SaveAndCloseActive(w.host->model, path);
    bb.File(path, i == 1 ? folder : 0);
  }
  return w;
}

// ---- Jobs ----

enum Kind { DELETE_UNUSED, REMOVE_NONLIST, CONVERT, REMOVE_OVERRIDES };

struct Job {
  Kind kind;
  int32_t listType;  // of the list or table made first
  bool book;
  bool failing;
};

struct Tally {
  int64_t runs = 0, failingRuns = 0, failedCalls = 0, confirmed = 0, declined = 0;
};

// The first-paragraph text of column `c` of every row of `table`, heading
// row included.
std::vector<std::string> ReadColumn(memhost::DocStore& host, ObjHandle table, size_t c) {
  std::vector<std::string> out;
  for (ObjHandle row : host.Find(table)->kids) {
    const Obj* r = host.Find(row);
    out.push_back(c < r->kids.size() ? host.Find(host.Find(r->kids[c])->kids[0])->text : "");
  }
  return out;
}

// The table a command has just made in an untitled output document.
ObjHandle LastTable(memhost::DocStore& host) {
  ObjHandle found = 0;
  for (ObjHandle d : host.openDocs) {
    if (!host.StringProp(d, PROP_NAME).empty()) continue;
    const auto& tables = host.Chain(d, PROP_FIRST_TBL_IN_DOC);
    if (!tables.empty()) found = tables.back();
  }
  return found;
}

class PropertyTest : public ::testing::Test {
 protected:
  void TearDown() override { HostInstall(nullptr); }

  testsupport::ScopedConsoleSink sink{ToHostConsole};
  testsupport::ScopedClientEncoding encoding{"UTF-8"};

  void Run(const Job& job, uint32_t seed, Tally* tally) {
    World w = Build(seed, job.book);
    memhost::HostStack& host = *w.host;
    Rng rng(seed ^ 0x9E3779B9u);
    std::string where = std::string(job.book ? "book" : "doc") + " seed " + std::to_string(seed) +
                        " kind " + std::to_string(job.kind) + " type " +
                        std::to_string(job.listType) + (job.failing ? " failing" : "");

    // The list or table the command works by, made without failures.
    Names listed;
    std::map<std::string, std::string> destinations;  // source -> destination, first row wins
    if (job.kind == REMOVE_NONLIST || job.kind == CONVERT) {
      host.script.choices = {job.listType};
      int32_t create =
          job.kind == REMOVE_NONLIST
              ? (job.book ? CMD_CREATE_CHAR_LIST_BOOK : CMD_CREATE_CHAR_LIST)
              : (job.book ? CMD_CREATE_CONVERSION_DOC_BOOK : CMD_CREATE_CONVERSION_DOC);
      CommandHandler(create);
      ObjHandle table = LastTable(host.model);
      ASSERT_NE(0u, table) << where;
      std::vector<std::string> sources = ReadColumn(host.model, table, 0);
      for (const std::string& s : sources) listed.insert(s);
      if (job.kind == CONVERT && job.listType != 0) {
        // Every source gets a destination: another format, the paragraph's
        // own font, a name defined nowhere, or none.
        const Obj* t = host.model.Find(table);
        for (size_t r = 1; r < t->kids.size(); ++r) {
          std::string d;
          switch (Below(rng, 4)) {
            case 0:
              d = kNames[static_cast<size_t>(Below(rng, static_cast<int>(kNames.size())))];
              break;
            case 1: d = kDefaultParagraphFormat; break;
            case 2: d = "Nowhere"; break;
            default: break;
          }
          ObjHandle cell = host.model.Find(t->kids[r])->kids[1];
          ObjHandle pgf = host.model.Find(cell)->kids[0];
          host.model.AppendText(pgf, d, host.model.ParagraphFont(pgf));
          if (destinations.count(sources[r]) == 0) destinations[sources[r]] = d;
        }
      }
      if (job.kind == REMOVE_NONLIST) CheckList(w, job, listed, where);
      if (w.doc != 0) host.model.Activate(w.doc);
    }

    auto before = States(host.model);
    size_t dialogs = host.script.dialogs.size();
    int64_t failedBefore = host.faults.failedCalls;
    bool failedSome = false;
    if (job.failing) {
      int chance = 20 << Below(rng, 5);  // one call in 20 up to one in 320
      uint32_t failSeed = static_cast<uint32_t>(rng());
      auto failRng = std::make_shared<Rng>(failSeed);
      host.faults.failWith = [failRng, chance](const char*) {
        const int32_t statuses[] = {ERR_CALL_FAILED, ERR_HOST_BUSY, 5};
        return OneIn(*failRng, chance) ? statuses[Below(*failRng, 3)] : 0;
      };
    }
    host.script.defaultAlertAnswer = OneIn(rng, 5) ? 1 : 0;
    int32_t command = 0;
    switch (job.kind) {
      case DELETE_UNUSED:
        command = job.book ? CMD_DELETE_UNUSED_CHARS_BOOK : CMD_DELETE_UNUSED_CHARS;
        break;
      case REMOVE_NONLIST:
        command = job.book ? CMD_REMOVE_NONLIST_CHARS_BOOK : CMD_REMOVE_NONLIST_CHARS;
        break;
      case CONVERT: command = job.book ? CMD_CONVERT_CHARS_BOOK : CMD_CONVERT_CHARS; break;
      case REMOVE_OVERRIDES:
        command = job.book ? CMD_REMOVE_CHAR_OVERRIDES_BOOK : CMD_REMOVE_CHAR_OVERRIDES;
        break;
    }
    CommandHandler(command);
    host.faults.failWith = nullptr;
    failedSome = host.faults.failedCalls > failedBefore;

    bool confirmed = false;
    for (size_t i = dialogs; i < host.script.dialogs.size(); ++i) {
      const auto& d = host.script.dialogs[i];
      if (d.kind == memhost::DialogRecord::ALERT && d.alertType == 1 && d.answer == 0)
        confirmed = true;
      if (d.kind == memhost::DialogRecord::ALERT && d.alertType == 3) ++tally->declined;
    }
    ++tally->runs;
    if (failedSome) ++tally->failingRuns;
    tally->failedCalls += host.faults.failedCalls - failedBefore;
    if (confirmed) ++tally->confirmed;
    EXPECT_TRUE(failedSome || host.script.defaultAlertAnswer != 0 || confirmed)
        << where << ": declined without a failure";

    auto after = States(host.model);
    // What the usage scan must count as used, over the whole book.
    Names usedFolded;
    for (const auto& kv : w.plans) {
      for (const std::string& u : kv.second.uses) usedFolded.insert(Folded(u));
    }
    for (const auto& kv : w.plans) {
      const std::string& name = kv.first;
      ASSERT_EQ(1u, before[name].size()) << where << " " << name;
      const DocState& old = before[name][0];
      ASSERT_FALSE(after[name].empty()) << where << ": lost " << name;
      for (const DocState& now : after[name]) {
        Compare(job, old, now, confirmed, failedSome, listed, destinations, usedFolded, kv.second,
                where + " " + name);
      }
    }
  }

  // Turns the overrides of a rich world into formats, agreeing to make new
  // ones or not, and checks every position of every paragraph.
  void ConvertToFormats(uint32_t seed, bool book, bool failing, bool agree, Tally* tally,
                        int64_t* overridesBefore) {
    World w = Build(seed, book, true);
    memhost::HostStack& host = *w.host;
    Rng rng(seed ^ 0x5BD1E995u);
    std::string where = std::string(book ? "book" : "doc") + " seed " + std::to_string(seed) +
                        (agree ? " agreeing" : " declining") + (failing ? " failing" : "");
    auto before = States(host.model);
    int64_t failedBefore = host.faults.failedCalls;
    if (failing) {
      int chance = 20 << Below(rng, 5);
      auto failRng = std::make_shared<Rng>(static_cast<uint32_t>(rng()));
      host.faults.failWith = [failRng, chance](const char*) {
        const int32_t statuses[] = {ERR_CALL_FAILED, ERR_HOST_BUSY, 5};
        return OneIn(*failRng, chance) ? statuses[Below(*failRng, 3)] : 0;
      };
    }
    host.script.alertAnswers = {0, agree ? 0 : 1};
    CommandHandler(book ? CMD_CONVERT_OVERRIDES_TO_FORMATS_BOOK : CMD_CONVERT_OVERRIDES_TO_FORMATS);
    host.faults.failWith = nullptr;
    bool failedSome = host.faults.failedCalls > failedBefore;
    ++tally->runs;
    if (failedSome) ++tally->failingRuns;
    tally->failedCalls += host.faults.failedCalls - failedBefore;

    auto after = States(host.model);
    for (const auto& kv : w.plans) {
      const std::string& name = kv.first;
      ASSERT_EQ(1u, before[name].size()) << where << " " << name;
      const DocState& old = before[name][0];
      ASSERT_FALSE(after[name].empty()) << where << ": lost " << name;
      for (const DocState& now : after[name]) {
        for (const std::string& f : old.formats)
          EXPECT_EQ(1u, now.formats.count(f)) << where << " " << name << ": deleted " << f;
        if (!agree) {
          EXPECT_EQ(old.formats, now.formats) << where << " " << name;
        }
        ASSERT_EQ(old.paragraphs.size(), now.paragraphs.size()) << where << " " << name;
        for (size_t i = 0; i < old.paragraphs.size(); ++i) {
          const Paragraph& a = old.paragraphs[i];
          const Paragraph& b = now.paragraphs[i];
          ASSERT_EQ(a.text, b.text) << where << " " << name << " paragraph " << i;
          // The paragraph end is judged with the run before it, and text
          // on master pages is not reached with the switch on. Footnotes
          // are walked from the document's first one in the order of the
          // text, which can pass over some: only their looks are held.
          bool reached = a.converted && !a.text.empty() && a.text[0] != '#';
          for (size_t k = 0; k < a.props.size(); ++k) {
            std::string at = where + " " + name + " paragraph " + std::to_string(i) + " offset " +
                             std::to_string(k);
            CharProps look = b.props[k];
            look.tag = a.props[k].tag;
            EXPECT_TRUE(look == a.props[k]) << at << ": the look changed";
            if (a.props[k].tag != b.props[k].tag) {
              EXPECT_EQ(1u, now.formats.count(b.props[k].tag)) << at << ": " << b.props[k].tag;
              EXPECT_TRUE(a.overridden[k] || k == a.text.size()) << at << ": not an override";
            }
            if (!reached || k == a.text.size()) continue;
            if (a.overridden[k]) ++*overridesBefore;
            if (agree && !failedSome) {
              EXPECT_FALSE(b.overridden[k]) << at << ": still an override";
            }
          }
        }
      }
    }
  }

  void CheckList(const World& w, const Job& job, const Names& listed, const std::string& where) {
    for (const auto& kv : w.plans) {
      for (const std::string& f : kv.second.defined) {
        bool used = kv.second.uses.count(f) != 0;
        if (job.listType == 2 || (job.listType == 1 && used)) {
          EXPECT_EQ(1u, listed.count(f)) << where << ": the list leaves out " << f;
        }
      }
    }
  }

  void Compare(const Job& job, const DocState& old, const DocState& now, bool confirmed,
               bool failing, const Names& listed,
               const std::map<std::string, std::string>& destinations, const Names& usedFolded,
               const Plan& plan, const std::string& where) {
    ASSERT_EQ(old.paragraphs.size(), now.paragraphs.size()) << where;
    for (const std::string& f : now.formats)
      EXPECT_EQ(1u, old.formats.count(f)) << where << ": new " << f;
    Names deleted;
    for (const std::string& f : old.formats) {
      if (now.formats.count(f) == 0) deleted.insert(f);
    }
    // A tag that text applies stays, unless the user's list leaves it out.
    bool listDecides = job.kind == REMOVE_NONLIST && job.listType == 0;
    for (const std::string& u : plan.uses) {
      if (!listDecides) {
        EXPECT_EQ(0u, deleted.count(u)) << where << ": deleted used " << u;
      }
    }
    if (!confirmed) {
      EXPECT_TRUE(deleted.empty()) << where << ": changed without consent";
    }
    Names expected;  // what a run without failures deletes
    if (confirmed && job.kind == DELETE_UNUSED) {
      for (const std::string& f : old.formats) {
        if (usedFolded.count(Folded(f)) == 0) expected.insert(f);
      }
    } else if (confirmed && job.kind == REMOVE_NONLIST) {
      for (const std::string& f : old.formats) {
        if (listed.count(f) == 0) expected.insert(f);
      }
    }
    for (const std::string& f : deleted)
      EXPECT_EQ(1u, expected.count(f)) << where << ": deleted " << f;
    if (!failing) {
      EXPECT_EQ(expected, deleted) << where;
    }

    for (size_t i = 0; i < old.paragraphs.size(); ++i) {
      const Paragraph& a = old.paragraphs[i];
      const Paragraph& b = now.paragraphs[i];
      ASSERT_EQ(a.text, b.text) << where << " paragraph " << i;
      for (size_t k = 0; k < a.props.size(); ++k) {
        std::string want = a.props[k].tag;
        bool converts = false;
        auto it = destinations.find(a.props[k].tag);
        if (confirmed && job.kind == CONVERT && a.converted && !a.props[k].tag.empty() &&
            it != destinations.end() && !it->second.empty() &&
            (it->second == kDefaultParagraphFormat || old.formats.count(it->second) != 0)) {
          converts = true;
          want = it->second == kDefaultParagraphFormat ? "" : it->second;
        }
        if (confirmed && job.kind == REMOVE_OVERRIDES) {
          // Overrides may go, or stay where a call failed; the tag never
          // does, the paragraph end's included.
          EXPECT_TRUE(a.props[k].tag == b.props[k].tag)
              << where << " paragraph " << i << " offset " << k << ": " << a.props[k].tag << " -> "
              << b.props[k].tag;
        } else if (!converts) {
          EXPECT_TRUE(a.props[k] == b.props[k])
              << where << " paragraph " << i << " offset " << k << ": " << a.props[k].tag << " -> "
              << b.props[k].tag;
        } else if (failing) {
          EXPECT_TRUE(a.props[k] == b.props[k] || b.props[k].tag == want)
              << where << " paragraph " << i << " offset " << k << ": " << a.props[k].tag << " -> "
              << b.props[k].tag;
        } else {
          EXPECT_EQ(want, b.props[k].tag) << where << " paragraph " << i << " offset " << k;
        }
      }
    }
  }
};

TEST_F(PropertyTest, DeletingAndConvertingCommandsKeepEveryUsedTag) {
  const int64_t worlds = EnvNumber("TAGSMITH_PROPERTY_WORLDS", 8);
  const uint32_t seed0 = static_cast<uint32_t>(EnvNumber("TAGSMITH_PROPERTY_SEED", 1));
  const std::vector<std::pair<Kind, int32_t>> kinds = {
      {DELETE_UNUSED, 0}, {REMOVE_NONLIST, 0}, {REMOVE_NONLIST, 1},  {REMOVE_NONLIST, 2},
      {CONVERT, 0},       {CONVERT, 2},        {REMOVE_OVERRIDES, 0}};
  Tally tally;
  for (int64_t i = 0; i < worlds && !HasFatalFailure(); ++i) {
    uint32_t seed = seed0 + static_cast<uint32_t>(i);
    for (const auto& k : kinds) {
      for (bool book : {false, true}) {
        for (bool failing : {false, true}) {
          Run(Job{k.first, k.second, book, failing}, seed, &tally);
          HostInstall(nullptr);
          if (HasFailure()) {
            ADD_FAILURE() << "reproduce with TAGSMITH_PROPERTY_SEED=" << seed
                          << " TAGSMITH_PROPERTY_WORLDS=1";
            return;
          }
        }
      }
    }
  }
  std::printf(
      "[ property ] %lld worlds, %lld runs, %lld with failing host calls (%lld calls failed), "
      "%lld confirmed, %lld declined with a warning\n",
      static_cast<long long>(worlds), static_cast<long long>(tally.runs),
      static_cast<long long>(tally.failingRuns), static_cast<long long>(tally.failedCalls),
      static_cast<long long>(tally.confirmed), static_cast<long long>(tally.declined));
}

TEST_F(PropertyTest, TurningOverridesIntoFormatsKeepsEveryLookAndLeavesNoOverride) {
  const int64_t worlds = EnvNumber("TAGSMITH_PROPERTY_WORLDS", 8);
  const uint32_t seed0 = static_cast<uint32_t>(EnvNumber("TAGSMITH_PROPERTY_SEED", 1));
  Tally tally;
  int64_t overrides = 0;
  for (int64_t i = 0; i < worlds && !HasFatalFailure(); ++i) {
    uint32_t seed = seed0 + static_cast<uint32_t>(i);
    for (bool book : {false, true}) {
      for (bool failing : {false, true}) {
        for (bool agree : {false, true}) {
          ConvertToFormats(seed, book, failing, agree, &tally, &overrides);
          HostInstall(nullptr);
          if (HasFailure()) {
            ADD_FAILURE() << "reproduce with TAGSMITH_PROPERTY_SEED=" << seed
                          << " TAGSMITH_PROPERTY_WORLDS=1";
            return;
          }
        }
      }
    }
  }
  // Worlds without overrides would prove nothing.
  EXPECT_GT(overrides, tally.runs);
  std::printf(
      "[ property ] %lld runs turning %lld overridden positions into formats, %lld with "
      "failing host calls (%lld calls failed)\n",
      static_cast<long long>(tally.runs), static_cast<long long>(overrides),
      static_cast<long long>(tally.failingRuns), static_cast<long long>(tally.failedCalls));
}

}  // namespace
