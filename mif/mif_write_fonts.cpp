// Font changes and the entries of the character catalog, as the host writes
// them: a change says its tag and what is set by hand over it; an entry says
// what its format sets.
#include "mif/mif_writer.h"

#include <set>

#include "mif/mif_document_internal.h"

namespace mifwrite {

namespace {

// What text tagged `tag` has in paragraph font F before anything is set by
// hand: the properties the character format sets, over F.
MifRunProps FormatBase(Writer& W, const MifRunProps& F, const std::string& tag) {
  MifRunProps b = F;
  b.props.tag = tag;
  ObjHandle f = tag.empty() ? 0 : W.host.NamedObject(W.doc, memhost::T_CHAR_FMT, tag);
  if (f == 0) return b;
  for (const MifFontProp& p : MifFontProps()) {
    if (p.slot < 0) continue;
    bool used = p.useFlag != 0 ? W.host.IntProp(f, p.useFlag) != 0
                               : W.host.Prop(f, p.prop) != nullptr;
    if (!used) continue;
    int32_t v = W.host.IntProp(f, p.prop);
    if (p.kind == MIF_FONT_COLOR) {
      b.color = v != 0 ? W.host.StringProp(static_cast<ObjHandle>(v), PROP_NAME) : std::string();
    } else {
      b.props.ints[p.slot] = v;
    }
  }
  return b;
}

// The tag a catalog entry names, taken as the reader takes it: the last
// <FTag> that reads.
bool CatalogTag(const Writer& W, const MifNode& font, std::string* name) {
  bool found = false;
  for (const MifNode& c : font.children) {
    std::string tag;
    if (MifIs(c, "FTag") && MifGetRoman(c, W.enc, &tag)) {
      *name = tag;
      found = true;
    }
  }
  return found;
}

}  // namespace

MifRunProps ParagraphFontOf(Writer& W, ObjHandle pgf) {
  MifRunProps f = MifNormalizeRun(W.host, W.host.ParagraphFont(pgf));
  f.props.tag.clear();
  return f;
}

// A font change to P in a paragraph whose font is F: the tag, then every
// property set by hand, as the host writes them.
MifNode BuildFont(Writer& W, const MifRunProps& P, const MifRunProps& F) {
  MifNode font = MifMakeStatement("Font");
  MifNode tag = MifMakeStatement("FTag");
  MifSetRoman(&tag, P.props.tag, W.enc);
  MifAppend(&font, std::move(tag));
  MifRunProps base = FormatBase(W, F, P.props.tag);
  for (const MifFontProp& p : MifFontProps()) {
    if (p.slot < 0) continue;
    if (p.kind == MIF_FONT_COLOR) {
      if (P.color != base.color) {
        MifAppend(&font, MifFontStatement(W.host, W.app, p, 0, P.color, W.enc));
      }
    } else if (P.props.ints[p.slot] != base.props.ints[p.slot]) {
      MifAppend(&font, MifFontStatement(W.host, W.app, p, P.props.ints[p.slot], "", W.enc));
    }
  }
  AppendWord(&font, "FLocked", "No");
  return font;
}

// A catalog entry for character format f: what it sets, nothing else.
MifNode BuildCatalogFont(Writer& W, ObjHandle f) {
  MifNode font = MifMakeStatement("Font");
  MifNode tag = MifMakeStatement("FTag");
  MifSetRoman(&tag, W.host.StringProp(f, PROP_NAME), W.enc);
  MifAppend(&font, std::move(tag));
  for (const MifFontProp& p : MifFontProps()) {
    bool used = p.useFlag != 0 ? W.host.IntProp(f, p.useFlag) != 0
                               : W.host.Prop(f, p.prop) != nullptr;
    if (!used) continue;
    int32_t v = W.host.IntProp(f, p.prop);
    std::string color;
    if (p.kind == MIF_FONT_COLOR && v != 0) {
      color = W.host.StringProp(static_cast<ObjHandle>(v), PROP_NAME);
    }
    MifAppend(&font, MifFontStatement(W.host, W.app, p, v, color, W.enc));
  }
  AppendWord(&font, "FLocked", "No");
  return font;
}

// Removes the entries of gone formats (FindGoneFormats has run) and adds the
// document's formats the file lacks.
void SyncFontCatalog(Writer& W) {
  MifNode& root = W.tree->root;
  std::set<std::string> inFile;
  int64_t at = ChildIndex(root, "FontCatalog");
  // The reader takes the entries of every catalog; a new one goes in the first.
  for (MifNode& catalog : root.children) {
    if (!MifIs(catalog, "FontCatalog")) continue;
    MifRemoveIf(&catalog, [&](const MifNode& f) {
      std::string name;
      if (!MifIs(f, "Font") || !CatalogTag(W, f, &name)) return false;
      inFile.insert(name);
      return W.gone.count(name) != 0;
    });
  }
  std::vector<ObjHandle> added;
  for (ObjHandle f : W.host.Chain(W.doc, PROP_FIRST_CHAR_FMT_IN_DOC)) {
    if (inFile.count(W.host.StringProp(f, PROP_NAME)) == 0) added.push_back(f);
  }
  if (added.empty()) return;
  bool made = at < 0;
  if (made) {
    size_t place = TopLevelPlace(root, {"ElementDefCatalog", "FmtChangeListCatalog",
                                        "RulingCatalog", "TblCatalog", "Views", "VariableFormats",
                                        "Document", "Tbls", "Page", "TextFlow"});
    MifInsert(&root, place, MifMakeStatement("FontCatalog"));
    at = static_cast<int64_t>(place);
  }
  MifNode& catalog = root.children[static_cast<size_t>(at)];
  for (ObjHandle f : added) {
    MifNode* font = MifAppend(&catalog, BuildCatalogFont(W, f));
    if (!made) HostStyle(font);
  }
  if (made) HostStyle(&catalog);
}

// The catalog entries whose formats the document no longer has. The reader
// skips an entry without a name; so must the writer.
void FindGoneFormats(Writer& W) {
  for (const MifNode& catalog : W.tree->root.children) {
    if (!MifIs(catalog, "FontCatalog")) continue;
    for (const MifNode& f : catalog.children) {
      std::string name;
      if (MifIs(f, "Font") && CatalogTag(W, f, &name) && !name.empty() &&
          W.host.NamedObject(W.doc, memhost::T_CHAR_FMT, name) == 0) {
        W.gone.insert(name);
      }
    }
  }
}

}  // namespace mifwrite
