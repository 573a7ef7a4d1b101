// Whether a document changed decides whether anything is written for it, so
// every call that changes what saving keeps must say so, and no other.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "client/host_lists.h"
#include "memhost/doc_builder.h"
#include "memhost/host_stack.h"

namespace {

using memhost::DocBuilder;

struct Fixture {
  memhost::HostStack host;
  DocBuilder b{host.model, "C:\\a.fm"};
  ObjHandle emphasis = b.CharFormat("Emphasis").h;
  ObjHandle kept = b.CharFormat("Kept").h;
  ObjHandle pgf = b.Para({memhost::Run("plain "), memhost::Run("stressed", "Emphasis")});
  ObjHandle table = b.Table({{"a", "b"}, {"c", "d"}});
  Fixture() {
    host.model.SetIntProp(kept, memhost::MEM_PROP_FORMAT_IN_USE, 1);
    host.model.Data(b.doc)->dirty = false;
  }
  TextRange Word() const { return TextRange{{pgf, 0}, {pgf, 5}}; }
};

// A call on a fresh document; returns the document to look at afterwards.
struct Case {
  const char* name;
  std::function<ObjHandle(Fixture&)> call;
};

void Check(const std::vector<Case>& cases, bool changes) {
  for (const Case& c : cases) {
    Fixture f;
    ObjHandle doc = c.call(f);
    ASSERT_NE(nullptr, f.host.model.Data(doc)) << c.name;
    EXPECT_EQ(changes, f.host.model.Data(doc)->dirty) << c.name;
  }
}

PropVals OneInt(int32_t prop, int32_t value) {
  TypedVal v{};
  v.valType = VT_INT;
  v.u.ival = value;
  PropVals list{0, nullptr};
  PropValsSet(&list, prop, &v);
  return list;
}

// Left as laid out by hand: a changing call a line.
// clang-format off
TEST(MemHostChangeRecord, EveryChangingCallMarksTheDocument) {
  Check({{"SetInt", [](Fixture& f) { f.host.faults.SetInt(f.b.doc, f.emphasis, PROP_FONT_SIZE, 9 << 16); return f.b.doc; }},
         {"SetId", [](Fixture& f) { f.host.faults.SetId(f.b.doc, f.emphasis, PROP_COLOR, f.b.Color("Red")); return f.b.doc; }},
         {"SetString", [](Fixture& f) { f.host.faults.SetString(f.b.doc, f.emphasis, PROP_NAME, "Strong"); return f.b.doc; }},
         {"SetMetrics", [](Fixture& f) {
            MetricList widths{0, nullptr};
            f.host.faults.SetMetrics(f.b.doc, f.table, PROP_TBL_COL_WIDTHS, &widths);
            return f.b.doc;
          }},
         {"SetProps", [](Fixture& f) {
            PropVals v = OneInt(PROP_FONT_WEIGHT, 1);
            f.host.faults.SetProps(f.b.doc, f.emphasis, &v);
            PropValsFree(&v);
            return f.b.doc;
          }},
         {"SetTextProps", [](Fixture& f) {
            PropVals v = OneInt(PROP_FONT_WEIGHT, 1);
            f.host.faults.SetTextProps(f.b.doc, f.Word(), &v);
            PropValsFree(&v);
            return f.b.doc;
          }},
         {"AddText", [](Fixture& f) { f.host.faults.AddText(f.b.doc, TextLoc{f.pgf, 0}, "x"); return f.b.doc; }},
         {"NewTable", [](Fixture& f) { f.host.faults.NewTable(f.b.doc, "Format A", 1, 1, 0, 0, TextLoc{f.pgf, 0}); return f.b.doc; }},
         {"NewNamedObject", [](Fixture& f) { f.host.faults.NewNamedObject(f.b.doc, OBJ_CHAR_FMT, "New"); return f.b.doc; }},
         {"DeleteObject format", [](Fixture& f) { f.host.faults.DeleteObject(f.b.doc, f.emphasis); return f.b.doc; }},
         {"DeleteObject table", [](Fixture& f) { f.host.faults.DeleteObject(f.b.doc, f.table); return f.b.doc; }},
         {"ExecuteCodes", [](Fixture& f) {
            f.host.faults.SetTextRange(0, f.b.doc, PROP_TEXT_SELECTION, f.Word());
            const int32_t code = CODE_DEFAULT_PGF_FONT;
            f.host.faults.ExecuteCodes(1, &code);
            return f.b.doc;
          }},
         {"SaveDocument as another", [](Fixture& f) { f.host.faults.SaveDocument(f.b.doc, "C:\\b.fm", nullptr, nullptr); return f.b.doc; }},
         {"opened from a changed save", [](Fixture& f) {
            f.host.faults.AddText(f.b.doc, TextLoc{f.pgf, 0}, "x");
            f.host.faults.SaveDocument(f.b.doc, "C:\\a.fm", nullptr, nullptr);
            f.host.faults.CloseDocument(f.b.doc, 0);
            return f.host.faults.OpenDocument("C:\\a.fm", nullptr, nullptr);
          }}},
        true);
}
// clang-format on

TEST(MemHostChangeRecord, ReadingFailingAndMovingTheViewDoNot) {
  Check({{"GetInt",
          [](Fixture& f) {
            f.host.faults.GetInt(f.b.doc, f.emphasis, PROP_FONT_SIZE);
            return f.b.doc;
          }},
         {"GetString",
          [](Fixture& f) {
            std::free(f.host.faults.GetString(f.b.doc, f.emphasis, PROP_NAME));
            return f.b.doc;
          }},
         {"GetPropVal",
          [](Fixture& f) {
            PropVal v = f.host.faults.GetPropVal(f.b.doc, f.pgf, PROP_FONT_SIZE);
            PropValFree(&v);
            return f.b.doc;
          }},
         {"GetProps",
          [](Fixture& f) {
            PropVals v = f.host.faults.GetProps(f.b.doc, f.emphasis);
            PropValsFree(&v);
            return f.b.doc;
          }},
         {"GetTextForRange",
          [](Fixture& f) {
            TextItems t = f.host.faults.GetTextForRange(f.b.doc, f.Word(), ITEM_STRING);
            TextItemsFree(&t);
            return f.b.doc;
          }},
         {"GetTextPropVal",
          [](Fixture& f) {
            PropVal v = f.host.faults.GetTextPropVal(f.b.doc, TextLoc{f.pgf, 7}, PROP_CHAR_TAG);
            PropValFree(&v);
            return f.b.doc;
          }},
         {"Redisplay",
          [](Fixture& f) {
            f.host.faults.Redisplay(f.b.doc);
            return f.b.doc;
          }},
         {"ScrollToText",
          [](Fixture& f) {
            f.host.faults.ScrollToText(f.b.doc, f.Word());
            return f.b.doc;
          }},
         {"selection",
          [](Fixture& f) {
            f.host.faults.SetTextRange(0, f.b.doc, PROP_TEXT_SELECTION, f.Word());
            return f.b.doc;
          }},
         {"walk flag",
          [](Fixture& f) {
            f.host.faults.SetInt(f.b.doc, f.b.doc, PROP_DOC_WALK_FLAG, 1);
            return f.b.doc;
          }},
         {"screen updating",
          [](Fixture& f) {
            f.host.faults.SetInt(0, 0, PROP_DISPLAYING, 0);
            return f.b.doc;
          }},
         {"failed SetInt",
          [](Fixture& f) {
            f.host.faults.FailNthCall(1, -1);
            f.host.faults.SetInt(f.b.doc, f.emphasis, PROP_FONT_SIZE, 9 << 16);
            return f.b.doc;
          }},
         {"refused DeleteObject",
          [](Fixture& f) {
            f.host.faults.DeleteObject(f.b.doc, f.kept);
            return f.b.doc;
          }},
         {"SaveDocument as itself",
          [](Fixture& f) {
            f.host.faults.SaveDocument(f.b.doc, "C:\\a.fm", nullptr, nullptr);
            return f.b.doc;
          }}},
        false);
}

}  // namespace
