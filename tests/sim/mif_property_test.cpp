// Seeded documents through read -> change -> write -> read: every character
// reads back with the appearance the model gave it, and changes that must
// not touch appearance (deleting formats) leave it as it was read.
#include <gtest/gtest.h>

#include <random>

#include "client/host_lists.h"
#include "memhost/mem_host.h"
#include "mif/mif_document.h"
#include "mif/mif_document_internal.h"

namespace {

using memhost::DocStore;

struct Doc {
  DocStore host;
  memhost::MemHost api{&host};
  MifDocument source;
  ObjHandle doc = 0;
};

bool Load(const std::string& text, Doc* d) {
  MifError error;
  d->source.file = "seeded.mif";
  if (!MifParse(text, d->source.file, &d->source.tree, &error) ||
      !MifLoadDocumentTree(d->host, "seeded.mif", &d->source, &d->doc, &error)) {
    ADD_FAILURE() << MifErrorText(error) << "\n" << text;
    return false;
  }
  return true;
}

// Every character of the main flow with what it looks like.
std::vector<MifRunProps> Appearance(Doc& d) {
  std::vector<MifRunProps> out;
  ObjHandle flow = static_cast<ObjHandle>(d.host.IntProp(d.doc, PROP_MAIN_FLOW_IN_DOC));
  for (ObjHandle p = d.host.FirstPgfOf(flow); p != 0; p = d.host.NextPgf(p)) {
    const memhost::Obj& o = *d.host.Find(p);
    for (size_t k = 0; k < o.text.size(); ++k) {
      out.push_back(MifNormalizeRun(d.host, d.host.PropsAt(o, static_cast<int32_t>(k))));
    }
  }
  return out;
}

const char* const kProps[] = {"<FAngle `Italic'>", "<FWeight `Bold'>",       "<FSize 14.0 pt>",
                              "<FColor `Red'>",    "<FUnderlining FSingle>", "<FColor `Blue'>",
                              "<FSize 7.5 pt>",    "<FWeight `Regular'>"};

std::string Pick(std::mt19937& rng, int n) {
  return kProps[rng() % 8] + std::string(n > 1 ? kProps[rng() % 8] : "");
}

// Formats F0..F5 with a few properties each; paragraphs of runs whose font
// changes name a format (or none), set properties by hand, or both.
std::string SeededDocument(std::mt19937& rng) {
  std::string t = rng() % 2 ? "<MIFFile 2015>\n" : "<MIFFile 7.00>\n";
  t +=
      "<ColorCatalog <Color <ColorTag `Black'>> <Color <ColorTag `Red'>> <Color <ColorTag `Blue'>>>\n";
  t += "<PgfCatalog <Pgf <PgfTag `Body'> <PgfFont <FSize 10.0 pt>>>>\n<FontCatalog\n";
  for (int f = 0; f < 6; ++f) {
    t += " <Font <FTag `F" + std::to_string(f) + "'> " +
         Pick(rng, 1 + static_cast<int>(rng() % 2)) + ">\n";
  }
  t += ">\n<TextFlow <TFTag `A'>\n";
  for (int p = 0; p < 4; ++p) {
    t += " <Para <PgfTag `Body'> <ParaLine\n";
    for (int r = 0, n = 1 + static_cast<int>(rng() % 6); r < n; ++r) {
      switch (rng() % 4) {
        case 0: t += "  <Font <FTag `F" + std::to_string(rng() % 6) + "'>>\n"; break;
        case 1:
          t += "  <Font <FTag `F" + std::to_string(rng() % 6) + "'> " + Pick(rng, 1) + ">\n";
          break;
        case 2: t += "  <Font " + Pick(rng, 1) + ">\n"; break;
        default: t += "  <Font <FTag `'>>\n"; break;
      }
      t += "  <String `run" + std::to_string(r) + " '>\n";
    }
    t += " >>\n";
  }
  return t + ">\n";
}

TEST(MifPropertyTest, AppearanceSurvivesDeletingFormatsAndRetagging) {
  for (uint32_t seed = 1; seed <= 150; ++seed) {
    std::mt19937 rng(seed);
    std::string text = SeededDocument(rng);
    Doc d;
    if (!Load(text, &d)) return;
    std::vector<MifRunProps> read = Appearance(d);
    // Deleting formats keeps the text as it looked.
    for (int f = 0; f < 6; ++f) {
      if (rng() % 2) {
        d.api.DeleteObject(d.doc,
                           d.host.NamedObject(d.doc, memhost::T_CHAR_FMT, "F" + std::to_string(f)));
      }
    }
    ASSERT_EQ(read, Appearance(d)) << "seed " << seed;
    // Retagging changes what it covers on purpose; the rest stays.
    if (rng() % 2) {
      ObjHandle flow = static_cast<ObjHandle>(d.host.IntProp(d.doc, PROP_MAIN_FLOW_IN_DOC));
      ObjHandle p = d.host.FirstPgfOf(flow);
      ObjHandle f = d.host.Chain(d.doc, PROP_FIRST_CHAR_FMT_IN_DOC).empty()
                        ? 0
                        : d.host.Chain(d.doc, PROP_FIRST_CHAR_FMT_IN_DOC).front();
      if (f != 0) {
        PropVals values = d.api.GetProps(d.doc, f);
        d.api.SetTextProps(d.doc, TextRange{{p, 1}, {p, 3}}, &values);
        PropValsFree(&values);
      }
    }
    std::vector<MifRunProps> changed = Appearance(d);
    std::string written;
    MifError error;
    ASSERT_TRUE(MifWriteDocument(d.host, d.doc, &d.source, &written, &error))
        << MifErrorText(error);
    Doc back;
    if (!Load(written, &back)) return;
    std::vector<MifRunProps> again = Appearance(back);
    ASSERT_EQ(changed.size(), again.size()) << "seed " << seed;
    for (size_t k = 0; k < changed.size(); ++k) {
      ASSERT_TRUE(changed[k] == again[k]) << "seed " << seed << ", character " << k << "\n"
                                          << text << "\nwritten:\n"
                                          << written;
    }
  }
}

}  // namespace
