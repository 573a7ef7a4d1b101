// Reading a MIF document into the in-memory host.
#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "mif/mif_document.h"
#include "mif/mif_document_internal.h"
#include "mif/mif_font.h"
#include "mif/mif_roman.h"

using memhost::CharProps;
using memhost::DocStore;

const MifSpecialChar kMifSpecialChars[] = {
    {"Tab", 0x08},        {"HardReturn", 0x09},   {"NumberSpace", 0x10}, {"HardSpace", 0x11},
    {"ThinSpace", 0x12},  {"EnSpace", 0x13},      {"EmSpace", 0x14},     {"HardHyphen", 0x15},
    {"DiscHyphen", 0x04}, {"NoHyphen", 0x05},     {"SoftHyphen", 0x06},  {"Cent", 0xA2},
    {"Pound", 0xA3},      {"Yen", 0xB4},          {"EnDash", 0xD0},      {"EmDash", 0xD1},
    {"Dagger", 0xA0},     {"DoubleDagger", 0xE0}, {"Bullet", 0xA5},
};
const size_t kMifSpecialCharCount = sizeof kMifSpecialChars / sizeof kMifSpecialChars[0];

bool MifSpecialCharByte(const std::string& name, unsigned char* byte) {
  for (const MifSpecialChar& c : kMifSpecialChars) {
    if (name == c.name) {
      *byte = c.byte;
      return true;
    }
  }
  return false;
}

const char* MifSpecialCharName(unsigned char byte) {
  // Only the control bytes need a <Char>: the printable ones (dashes,
  // bullets) are ordinary text of the Roman set.
  if (byte >= 0x20) return nullptr;
  for (const MifSpecialChar& c : kMifSpecialChars) {
    if (c.byte == byte) return c.name;
  }
  return nullptr;
}

std::vector<uint32_t> MifRefPath(const MifDocument& source, const MifNodeRef& ref) {
  auto from = source.paths.begin() + static_cast<std::ptrdiff_t>(ref.pathAt);
  return std::vector<uint32_t>(from, from + ref.pathSize);
}

uint32_t MifRefChild(const MifDocument& source, const MifNodeRef& ref) {
  return ref.pathSize == 0 ? 0 : source.paths[ref.pathAt + ref.pathSize - 1];
}

const MifNodeRef* MifRefOf(const DocStore& host, const MifDocument* source, ObjHandle h) {
  if (source == nullptr) return nullptr;
  const memhost::Obj* o = host.FindInAnyDocument(h);
  uint32_t ref = o != nullptr ? o->origin : 0;
  if (ref == 0 || ref > source->nodes.size()) return nullptr;
  return &source->nodes[static_cast<size_t>(ref) - 1];
}

MifRunProps MifNormalizeRun(const DocStore& host, const CharProps& props) {
  static const int colorSlot = memhost::CharIntIndex(PROP_COLOR);
  MifRunProps r;
  r.props = props;
  ObjHandle color = static_cast<ObjHandle>(props.ints[colorSlot]);
  r.props.ints[colorSlot] = 0;
  if (color != 0) r.color = host.StringProp(color, PROP_NAME);
  return r;
}

MifParaState MifModelParaState(DocStore& host, const MifDocument* source, const memhost::Obj& pgf) {
  MifParaState s;
  s.text = pgf.text;
  s.format = host.StringProp(pgf.h, memhost::MEM_PROP_PGF_TAG);
  // Every position, the paragraph end last. Positions of one interned set
  // of properties are alike without a look at the set: a paragraph is read
  // whole when every document is loaded and written.
  CharProps previous;
  const memhost::CharPropIndexes& index = pgf.charProps;
  for (size_t k = 0; k <= pgf.text.size(); ++k) {
    if (k > 0 && k < index.size() && index[k] == index[k - 1]) continue;
    const CharProps& here = host.PropsAt(pgf, static_cast<int32_t>(k));
    if (k > 0 && here == previous) continue;
    previous = here;
    MifRunProps props = MifNormalizeRun(host, here);
    if (!s.runs.empty() && s.runs.back().props == props) continue;
    s.runs.push_back(MifRun{static_cast<int32_t>(k), std::move(props)});
  }
  for (const memhost::Marker& m : pgf.markers) {
    if (m.kind != memhost::ITEM_TABLE_ANCHOR && m.kind != memhost::ITEM_FOOTNOTE_ANCHOR) continue;
    const MifNodeRef* ref = MifRefOf(host, source, static_cast<ObjHandle>(m.datum));
    s.anchors.push_back(MifAnchor{m.offset, m.kind, ref != nullptr ? ref->id : 0});
  }
  return s;
}

MifParaState MifParaAsRead(const MifDocument& source, size_t para) {
  const MifParaRecord& r = source.paras[para];
  MifParaState s;
  s.text = std::string(MifRecordText(source, r));
  s.format = source.formats[r.format];
  s.anchors = r.anchors.View();
  MifRecordRunList runs = MifRecordRuns(source, r);
  s.runs.reserve(runs.size());
  for (const MifParaRecord::Run& run : runs) {
    s.runs.push_back(MifRun{run.offset, source.runProps[run.props]});
  }
  return s;
}

bool MifIsAnchor(const MifNode& c) {
  if (c.kind != MIF_STATEMENT) return false;
  if (c.name == "Marker") return true;
  int32_t id = 0;
  return (c.name == "ATbl" || c.name == "FNote" || c.name == "AFrame") && c.children.empty() &&
         MifGetInt(c, &id);
}

MifNode* MifNodeAt(MifNode* root, const std::vector<uint32_t>& path) {
  MifNode* n = root;
  for (uint32_t i : path) {
    if (i >= n->children.size()) return nullptr;
    n = &n->children[i];
  }
  return n;
}

namespace {

constexpr Metric kQUnit = 46443;  // 0.25 mm in 1/65536 point

struct RunPropsOrder {
  bool operator()(const MifRunProps& a, const MifRunProps& b) const {
    if (a.props < b.props) return true;
    if (b.props < a.props) return false;
    return a.color < b.color;
  }
};

struct PendingAnchor {
  ObjHandle pgf;
  int32_t offset;
  int32_t kind;
  int32_t id;
};

// Ties object h to node ref (index + 1 into MifDocument::nodes).
void Tag(DocStore& host, ObjHandle h, size_t ref) {
  memhost::Obj* o = host.Find(h);
  if (o != nullptr) o->origin = static_cast<uint32_t>(ref);
}

struct Loader {
  DocStore& host;
  MifDocument* src;
  ObjHandle doc = 0;
  MifNames names;
  MifEncoding enc = MIF_UTF8;
  CharProps defaultFont;
  std::map<std::string, CharProps> pgfFonts;
  std::map<std::string, MifFontDelta> charFormats;
  std::string lastFormat;
  CharProps lastFont;
  std::map<int32_t, ObjHandle> frames;  // TextRect ID
  std::map<int32_t, ObjHandle> tables;  // TblID
  std::map<int32_t, ObjHandle> notes;   // FNote ID
  std::vector<PendingAnchor> anchors;
  std::set<std::string> familyA;                            // texts already in family A
  std::set<std::string> tagRefs;                            // names already on the tag-naming chain
  std::vector<ObjHandle> paraObjects;                       // by index in paras
  std::map<MifRunProps, uint32_t, RunPropsOrder> runIndex;  // into src->runProps
  std::map<std::string, uint32_t> formatIndex;              // into src->formats
  std::map<std::pair<std::string, CharProps>, memhost::PropStore> paraProps;
  std::vector<uint32_t> path;  // of the node being read
  ObjHandle frame = 0;         // the text frame a flow's text runs into
  MifError* error = nullptr;
  bool failed = false;
  // Whether the tree goes once read: statements already read are freed, so
  // that the tree shrinks as the model grows.
  bool release = false;

  explicit Loader(DocStore& h) : host(h) {}

  bool Fail(int32_t line, const std::string& message) {
    if (!failed && error != nullptr) *error = MifError{src->file, line, message};
    failed = true;
    return false;
  }

  // Records the node at the current path and ties object h to it.
  size_t Tie(ObjHandle h, int32_t kind, int32_t id = 0) {
    MifNodeRef ref;
    ref.pathAt = static_cast<uint32_t>(src->paths.size());
    ref.pathSize = static_cast<uint32_t>(path.size());
    src->paths.insert(src->paths.end(), path.begin(), path.end());
    ref.kind = kind;
    ref.id = id;
    src->nodes.push_back(std::move(ref));
    Tag(host, h, src->nodes.size());
    return src->nodes.size() - 1;
  }
};

// The <Para> statements in and under node, and the statements there that
// the model's objects are tied to: paragraphs, flows, cells, footnotes and
// tables.
struct TiedCount {
  size_t paras = 0;
  size_t tied = 0;
};
void CountTied(const MifNode& node, TiedCount* count) {
  if (MifIs(node, "Para")) {
    ++count->paras;
    ++count->tied;
    return;
  }
  if (MifIs(node, "TextFlow") || MifIs(node, "Cell") || MifIs(node, "FNote") ||
      MifIs(node, "Tbl")) {
    ++count->tied;
  }
  for (const MifNode& c : node.children) CountTied(c, count);
}

// What node holds is read into the model and not needed again.
void Spent(Loader& L, MifNode* node) {
  if (L.release) node->children = MifNodeList();
}

// Descends into child i of node for the duration of a call.
struct Step {
  Loader& L;
  Step(Loader& l, size_t i) : L(l) { L.path.push_back(static_cast<uint32_t>(i)); }
  ~Step() { L.path.pop_back(); }
  Step(const Step&) = delete;
  Step& operator=(const Step&) = delete;
};

int32_t TypeOfFontProp(int32_t prop) {
  switch (prop) {
    case PROP_FONT_SIZE:
    case PROP_CHARSPREAD:
    case PROP_STRETCH: return VT_METRIC;
    case PROP_COLOR:
    case PROP_BACKGROUND_COLOR: return VT_ID;
    default: return VT_INT;
  }
}

// The font properties of a paragraph format or paragraph, as the host keeps them.
void SetFontProps(DocStore& host, ObjHandle h, const CharProps& font) {
  for (int i = 0; i < memhost::kCharIntCount; ++i) {
    int32_t prop = memhost::kCharIntProps[i];
    host.SetIntProp(h, prop, font.ints[i], TypeOfFontProp(prop));
  }
}

// A paragraph's font as above, less the properties that are as a
// paragraph's unset font reads them (of the same type, by any call): a long
// document of short paragraphs would otherwise spend most of its model on
// them. Its other property is its format's name, reserved with the font.
// Paragraphs of one format and font share one block of them.
void SetParagraphProps(Loader& L, ObjHandle p, const std::string& format, const CharProps& font) {
  DocStore& host = L.host;
  memhost::Obj* o = host.Find(p);
  if (o == nullptr) return;
  auto key = std::make_pair(format, font);
  auto same = L.paraProps.find(key);
  if (same != L.paraProps.end()) {
    o->props = same->second;
    return;
  }
  static const CharProps unset = memhost::DefaultCharProps();
  auto kept = [&font](int i) { return font.ints[i] != unset.ints[i]; };
  size_t count = 1;
  for (int i = 0; i < memhost::kCharIntCount; ++i) count += kept(i) ? 1 : 0;
  o->props.reserve(count);
  host.SetStringProp(p, memhost::MEM_PROP_PGF_TAG, format);
  for (int i = 0; i < memhost::kCharIntCount; ++i) {
    int32_t prop = memhost::kCharIntProps[i];
    if (kept(i)) host.SetIntProp(p, prop, font.ints[i], TypeOfFontProp(prop));
  }
  L.paraProps.emplace(std::move(key), o->props);
}

// ---- Catalogs ----

void ReadColors(Loader& L, const MifNode& catalog) {
  for (const MifNode& c : catalog.children) {
    std::string name;
    if (MifIs(c, "Color") && MifChildRoman(c, "ColorTag", L.enc, &name)) {
      MifColorNamed(&L.names, name);
    }
  }
}

void ReadCharFormat(Loader& L, const MifNode& font) {
  MifFontDelta d = MifReadFontDelta(&L.names, font);
  if (!d.hasTag || d.tag.empty() || L.charFormats.count(d.tag) != 0) return;
  L.charFormats[d.tag] = d;
  ObjHandle f = L.host.NewObject(memhost::T_CHAR_FMT, L.doc);
  L.host.SetName(f, d.tag);
  // Every property starts "as is"; those the statement names are set.
  for (const MifFontProp& p : MifFontProps()) {
    if (p.useFlag != 0) L.host.SetIntProp(f, p.useFlag, 0);
  }
  for (const MifFontProp& p : MifFontProps()) {
    bool set = p.slot >= 0 ? d.set[p.slot] : d.setBackground;
    if (!set) continue;
    int32_t v = p.slot >= 0 ? d.value[p.slot] : d.background;
    L.host.SetIntProp(f, p.prop, v, TypeOfFontProp(p.prop));
    if (p.useFlag != 0) L.host.SetIntProp(f, p.useFlag, 1);
  }
}

// A structured document's element definitions name character formats in
// their format rules (and as autonumber fonts); the host will not delete a
// format that they still name.
void ReadElementFormatNames(Loader& L, const MifNode& catalog) {
  for (const char* statement : {"FormatTag", "PgfNumberFont", "FTag", "FontTag"}) {
    for (const MifNode* n : MifFindDeep(catalog, statement)) {
      std::string tag;
      if (!MifGetRoman(*n, L.enc, &tag)) continue;
      ObjHandle f = L.host.NamedObject(L.doc, memhost::T_CHAR_FMT, tag);
      if (f != 0) L.host.SetIntProp(f, memhost::MEM_PROP_FORMAT_IN_USE, 1);
    }
  }
}

void AddFamilyA(Loader& L, const std::string& text) {
  if (text.empty() || !L.familyA.insert(text).second) return;
  ObjHandle o = L.host.NewObject(memhost::T_FMT_DEF_A, L.doc);
  L.host.AppendToChain(L.doc, PROP_FIRST_FMT_DEF_A, o);
  L.host.SetStringProp(o, PROP_FMT_DEF_A_TEXT, text);
}

void AddTagRef(Loader& L, const std::string& name) {
  if (name.empty() || !L.tagRefs.insert(name).second) return;
  ObjHandle o = L.host.NewObject(memhost::T_TAG_REF, L.doc);
  L.host.AppendToChain(L.doc, PROP_FIRST_TAG_REF_OBJ, o);
  L.host.SetStringProp(o, PROP_TAG_REF, name);
}

// What a <Pgf> statement says about character tags: its autonumber format
// (family A) and the tag of its autonumber (the tag-naming chain).
void ReadPgfTagUses(Loader& L, const MifNode& pgf) {
  std::string text;
  if (MifChildRoman(pgf, "PgfNumFormat", L.enc, &text)) AddFamilyA(L, text);
  if (MifChildRoman(pgf, "PgfNumberFont", L.enc, &text)) AddTagRef(L, text);
}

// A <Pgf> over a font: its <PgfFont> and <PgfLanguage>.
void ApplyPgfFont(Loader& L, const MifNode& pgf, CharProps* font) {
  static const int languageSlot = memhost::CharIntIndex(PROP_LANGUAGE);
  std::string word;
  if (MifChildWord(pgf, "PgfLanguage", &word)) font->ints[languageSlot] = MifLanguageNumber(word);
  const MifNode* pf = MifFind(pgf, "PgfFont");
  if (pf != nullptr) {
    MifFontDelta d = MifReadFontDelta(&L.names, *pf);
    d.hasTag = false;  // a paragraph's font names no character tag
    MifApplyFontDelta(d, font);
  }
}

void ReadPgfCatalog(Loader& L, const MifNode& catalog) {
  // Formats in the catalog take what they leave out from the one before.
  CharProps running = L.defaultFont;
  for (const MifNode& c : catalog.children) {
    if (!MifIs(c, "Pgf")) continue;
    ApplyPgfFont(L, c, &running);
    ReadPgfTagUses(L, c);
    std::string name;
    if (!MifChildRoman(c, "PgfTag", L.enc, &name) || name.empty()) continue;
    if (L.pgfFonts.count(name) != 0) continue;
    L.pgfFonts[name] = running;
    ObjHandle f = L.host.NewObject(memhost::T_PGF_FMT, L.doc);
    L.host.SetName(f, name);
    L.host.SetStringProp(f, memhost::MEM_PROP_PGF_TAG, name);
    SetFontProps(L.host, f, running);
  }
}

void ReadDefinitions(Loader& L, const MifNode& list, const char* item, const char* def,
                     int32_t type, int32_t firstProp) {
  for (const MifNode& c : list.children) {
    std::string text;
    if (!MifIs(c, item) || !MifChildRoman(c, def, L.enc, &text)) continue;
    ObjHandle o = L.host.NewObject(type, L.doc);
    L.host.AppendToChain(L.doc, firstProp, o);
    L.host.SetStringProp(o, PROP_FMT_DEF_TEXT, text);
  }
}

// The equation settings of a document name five character tags.
void ReadDocumentTags(Loader& L, const MifNode& document) {
  struct Setting {
    const char* statement;
    int32_t prop;
  };
  const Setting settings[] = {{"DMathFunctions", PROP_DOC_CHAR_TAG_334},
                              {"DMathNumbers", PROP_DOC_CHAR_TAG_336},
                              {"DMathVariables", PROP_DOC_CHAR_TAG_337},
                              {"DMathStrings", PROP_DOC_CHAR_TAG_338},
                              {"DMathGreek", PROP_DOC_CHAR_TAG_339}};
  for (const Setting& s : settings) {
    std::string name;
    if (MifChildRoman(document, s.statement, L.enc, &name)) {
      L.host.SetStringProp(L.doc, s.prop, name);
    }
  }
}

// ---- Pages ----

void ReadPage(Loader& L, const MifNode& page) {
  std::string type;
  MifChildWord(page, "PageType", &type);
  int32_t kind = memhost::T_BODY_PAGE;
  memhost::DocData* data = L.host.Data(L.doc);
  std::vector<ObjHandle>* list = &data->bodyPages;
  if (type == "LeftMasterPage" || type == "RightMasterPage" || type == "OtherMasterPage") {
    kind = memhost::T_MASTER_PAGE;
    list = &data->masterPages;
  } else if (type == "ReferencePage") {
    kind = memhost::T_REFERENCE_PAGE;
    list = &data->referencePages;
  } else if (type == "HiddenPage") {
    kind = memhost::T_HIDDEN_PAGE;
    list = nullptr;
  }
  ObjHandle p = L.host.NewObject(kind, L.doc);
  if (list != nullptr) list->push_back(p);
  if (kind == memhost::T_REFERENCE_PAGE) L.host.AppendToChain(L.doc, PROP_FIRST_FORMAT_PAGE, p);
  ObjHandle pageFrame = L.host.NewObject(memhost::T_PAGE_FRAME, L.doc);
  L.host.SetIntProp(p, PROP_PAGE_FRAME, static_cast<int32_t>(pageFrame), VT_ID);
  L.host.SetIntProp(pageFrame, PROP_PAGE_OF_FRAME, static_cast<int32_t>(p), VT_ID);
  bool first = true;
  for (const MifNode* rect : MifFindDeep(page, "TextRect")) {
    int32_t id = 0;
    if (!MifChildInt(*rect, "ID", &id) || L.frames.count(id) != 0) continue;
    ObjHandle frame = L.host.NewObject(memhost::T_TEXT_FRAME, L.doc);
    L.host.SetIntProp(frame, PROP_FRAME_PARENT, static_cast<int32_t>(pageFrame), VT_ID);
    L.frames[id] = frame;
    MifNodeRef ref;
    ref.kind = MIF_NODE_FRAME;
    ref.id = id;
    L.src->nodes.push_back(ref);
    Tag(L.host, frame, L.src->nodes.size());
    if (first) {
      L.host.SetIntProp(pageFrame, PROP_FIRST_GRAPHIC_IN_FRAME, static_cast<int32_t>(frame), VT_ID);
      first = false;
    }
  }
}

// ---- Paragraphs ----

// The frame for text that runs into TextRect `id` of flow `flow`.
ObjHandle FrameOf(Loader& L, ObjHandle flow, int32_t id) {
  auto it = L.frames.find(id);
  ObjHandle frame = 0;
  if (it != L.frames.end()) {
    frame = it->second;
  } else {
    // A rectangle no page holds: the text is kept, on no page.
    frame = L.host.NewObject(memhost::T_TEXT_FRAME, L.doc);
    L.frames[id] = frame;
  }
  const memhost::Obj* f = L.host.Find(frame);
  if (f != nullptr && f->parent == 0) L.host.AppendKid(flow, frame);
  // Text of two flows in one frame would be one flow when written back.
  if (f != nullptr && f->parent != flow) return 0;
  return frame;
}

int32_t FirstTextRectId(const MifNode& para) {
  for (const MifNode& line : para.children) {
    if (!MifIs(line, "ParaLine")) continue;
    int32_t id = 0;
    if (MifChildInt(line, "TextRectID", &id)) return id;
  }
  return -1;
}

// Appends the text of one string statement, as the host's bytes.
bool AppendString(Loader& L, const MifNode& s, std::string* text) {
  std::string bytes;
  std::string why;
  if (s.values.empty() || !MifDecodeString(s.values[0].text, L.enc, &bytes, &why)) {
    return L.Fail(s.line, "bad <String>: " + (why.empty() ? std::string("no value") : why));
  }
  std::string roman;
  if (L.enc == MIF_UTF8) {
    if (!MifUtf8ToRoman(bytes, &roman)) return L.Fail(s.line, "<String> is not valid UTF-8");
  } else {
    roman = std::move(bytes);
  }
  for (char& c : roman) {
    if (c == '\t') c = kMifHostTab;
  }
  *text += roman;
  return true;
}

// The paragraph format a <Para> is in, and its font. A paragraph that names
// no format continues the one before it, as MIF reads.
void ParaFormat(Loader& L, const MifNode& para, std::string* format, CharProps* font) {
  *format = L.lastFormat;
  *font = L.lastFont;
  auto useTag = [&](const std::string& tag) {
    *format = tag;
    auto it = L.pgfFonts.find(tag);
    if (it != L.pgfFonts.end()) *font = it->second;
  };
  std::string tag;
  if (MifChildRoman(para, "PgfTag", L.enc, &tag)) useTag(tag);
  const MifNode* pgf = MifFind(para, "Pgf");
  if (pgf != nullptr) {
    if (MifChildRoman(*pgf, "PgfTag", L.enc, &tag)) useTag(tag);
    ApplyPgfFont(L, *pgf, font);
    ReadPgfTagUses(L, *pgf);
  }
  L.lastFormat = *format;
  L.lastFont = *font;
}

// Reads one <Para> (at L.path) into a new paragraph of `container`:
// a text frame, cell, footnote or, for a title, table.
bool ReadPara(Loader& L, const MifNode& para, ObjHandle container, bool title) {
  std::string format;
  CharProps font;
  ParaFormat(L, para, &format, &font);
  ObjHandle p = L.host.NewObject(memhost::T_PGF, L.doc);
  SetParagraphProps(L, p, format, font);
  if (title) {
    L.host.AppendTitle(container, p);
  } else {
    L.host.AppendKid(container, p);
  }
  size_t ref = L.Tie(p, MIF_NODE_PARA);
  uint32_t index = static_cast<uint32_t>(L.paraObjects.size());
  L.src->nodes[ref].para = index;
  L.paraObjects.push_back(p);
  L.src->textLines.push_back(MifTextLine{index, -1, para.line});

  CharProps state = font;
  std::string text;
  auto flush = [&]() {
    if (!text.empty()) L.host.AppendText(p, text, state);
    text.clear();
  };
  auto offset = [&]() {
    const memhost::Obj* o = L.host.Find(p);
    return static_cast<int32_t>(o->text.size() + text.size());
  };
  for (const MifNode& line : para.children) {
    if (!MifIs(line, "ParaLine")) continue;
    for (const MifNode& c : line.children) {
      if (c.kind != MIF_STATEMENT) continue;
      if (c.name == "String") {
        if (!AppendString(L, c, &text)) return false;
      } else if (c.name == "Char") {
        std::string name;
        unsigned char byte = 0;
        if (MifGetWord(c, &name) && MifSpecialCharByte(name, &byte))
          text += static_cast<char>(byte);
      } else if (c.name == "Variable") {
        text += kMifCharVariable;
      } else if (c.name == "Font") {
        flush();
        L.src->textLines.push_back(MifTextLine{index, offset(), c.line});
        MifFontDelta d = MifReadFontDelta(&L.names, c);
        if (d.hasTag) {
          // A font change that names a tag starts again from the paragraph's
          // font with the tag's properties; the rest is set by hand on top.
          state = font;
          auto it = L.charFormats.find(d.tag);
          if (it != L.charFormats.end()) MifApplyFontDelta(it->second, &state);
        }
        MifApplyFontDelta(d, &state);
      } else if (MifIsAnchor(c)) {
        // One position, with the properties in effect there. Tables and
        // footnotes are tied to it once they are all read.
        int32_t id = 0;
        if ((c.name == "ATbl" || c.name == "FNote") && MifGetInt(c, &id)) {
          L.anchors.push_back(PendingAnchor{
              p, offset(),
              c.name == "ATbl" ? memhost::ITEM_TABLE_ANCHOR : memhost::ITEM_FOOTNOTE_ANCHOR, id});
        }
        text += memhost::kAnchorByte;
      }
    }
  }
  flush();
  // A font change after the last text is the paragraph end's; otherwise the
  // paragraph end follows the paragraph's font, whatever format it gets.
  if (!(state == font)) L.host.SetEndProps(p, state);
  return true;
}

// Reads every <Para> child of `node` (at L.path) into `container`. Flow
// paragraphs go into the frame their lines name.
bool ReadParas(Loader& L, MifNode& node, ObjHandle container, ObjHandle flow, bool title) {
  for (size_t i = 0; i < node.children.size(); ++i) {
    MifNode& c = node.children[i];
    if (!MifIs(c, "Para")) continue;
    ObjHandle into = container;
    if (flow != 0) {
      int32_t id = FirstTextRectId(c);
      if (id >= 0) {
        L.frame = FrameOf(L, flow, id);
        if (L.frame == 0) {
          return L.Fail(c.line,
                        "<TextRectID " + std::to_string(id) + "> is named by two text flows");
        }
      } else if (L.frame == 0) {
        L.frame = L.host.NewObject(memhost::T_TEXT_FRAME, L.doc);
        L.host.AppendKid(flow, L.frame);
      }
      into = L.frame;
    }
    Step s(L, i);
    if (!ReadPara(L, c, into, title)) return false;
    Spent(L, &c);
  }
  return true;
}

// The footnotes of a <Notes> statement (at L.path).
bool ReadNotes(Loader& L, MifNode& notes) {
  for (size_t i = 0; i < notes.children.size(); ++i) {
    MifNode& n = notes.children[i];
    int32_t id = 0;
    if (!MifIs(n, "FNote") || !MifChildInt(n, "ID", &id)) continue;
    Step s(L, i);
    ObjHandle fn = L.host.NewObject(memhost::T_FOOTNOTE, L.doc);
    L.host.AppendToChain(L.doc, PROP_FIRST_FN_IN_DOC, fn);
    L.notes[id] = fn;
    L.Tie(fn, MIF_NODE_NOTE, id);
    if (!ReadParas(L, n, fn, 0, false)) return false;
  }
  return true;
}

// Footnotes held by the <Notes> child of node (at L.path), if any.
bool ReadNotesIn(Loader& L, MifNode& node) {
  for (size_t i = 0; i < node.children.size(); ++i) {
    if (!MifIs(node.children[i], "Notes")) continue;
    Step s(L, i);
    if (!ReadNotes(L, node.children[i])) return false;
  }
  return true;
}

bool ReadFlow(Loader& L, MifNode& tf) {
  ObjHandle flow = L.host.NewObject(memhost::T_FLOW, L.doc);
  std::string tag;
  if (MifChildRoman(tf, "TFTag", L.enc, &tag)) L.host.SetStringProp(flow, PROP_NAME, tag);
  L.host.AppendToChain(L.doc, PROP_FIRST_FLOW_IN_DOC, flow);
  L.Tie(flow, MIF_NODE_FLOW);
  L.frame = 0;
  if (!ReadNotesIn(L, tf)) return false;
  return ReadParas(L, tf, 0, flow, false);
}

bool ReadRows(Loader& L, MifNode& group, ObjHandle table, int32_t kind) {
  for (size_t r = 0; r < group.children.size(); ++r) {
    MifNode& row = group.children[r];
    if (!MifIs(row, "Row")) continue;
    Step sr(L, r);
    ObjHandle rowObj = L.host.NewObject(memhost::T_ROW, L.doc);
    L.host.SetIntProp(rowObj, memhost::MEM_PROP_ROW_KIND, kind);
    L.host.AppendKid(table, rowObj);
    for (size_t c = 0; c < row.children.size(); ++c) {
      MifNode& cell = row.children[c];
      if (!MifIs(cell, "Cell")) continue;
      Step sc(L, c);
      ObjHandle cellObj = L.host.NewObject(memhost::T_CELL, L.doc);
      L.host.AppendKid(rowObj, cellObj);
      L.Tie(cellObj, MIF_NODE_CELL);
      bool seen = false;
      for (size_t k = 0; k < cell.children.size(); ++k) {
        MifNode& content = cell.children[k];
        if (!MifIs(content, "CellContent")) continue;
        // The host keeps one text per cell: a second would be merged into the first.
        if (seen) return L.Fail(content.line, "a <Cell> with a second <CellContent>");
        seen = true;
        Step sk(L, k);
        if (!ReadNotesIn(L, content)) return false;
        if (!ReadParas(L, content, cellObj, 0, false)) return false;
      }
    }
  }
  return true;
}

bool ReadTable(Loader& L, MifNode& tbl) {
  int32_t id = 0;
  if (!MifChildInt(tbl, "TblID", &id)) return true;
  ObjHandle t = L.host.NewObject(memhost::T_TABLE, L.doc);
  std::string tag;
  MifChildRoman(tbl, "TblTag", L.enc, &tag);
  L.host.SetStringProp(t, memhost::MEM_PROP_TBL_TAG, tag);
  memhost::Value widths;
  widths.type = VT_METRICS;
  MifUnit unit = L.names.unit;
  for (const MifNode& c : tbl.children) {
    int32_t w = 0;
    if (MifIs(c, "TblColumnWidth") && MifGetMetric(c, unit, &w)) widths.list().push_back(w);
  }
  L.host.SetProp(t, PROP_TBL_COL_WIDTHS, widths);
  L.host.AppendToChain(L.doc, PROP_FIRST_TBL_IN_DOC, t);
  L.tables[id] = t;
  L.Tie(t, MIF_NODE_TABLE, id);
  bool titled = false;
  for (size_t i = 0; i < tbl.children.size(); ++i) {
    MifNode& c = tbl.children[i];
    Step s(L, i);
    if (MifIs(c, "TblTitle")) {
      for (size_t k = 0; k < c.children.size(); ++k) {
        if (!MifIs(c.children[k], "TblTitleContent")) continue;
        // One title per table, as for the text of a cell.
        if (titled) return L.Fail(c.children[k].line, "a <Tbl> with a second table title");
        titled = true;
        Step sk(L, k);
        if (!ReadNotesIn(L, c.children[k])) return false;
        if (!ReadParas(L, c.children[k], t, 0, true)) return false;
      }
    } else if (MifIs(c, "TblH") || MifIs(c, "TblBody") || MifIs(c, "TblF")) {
      int32_t kind = MifIs(c, "TblH") ? 0 : (MifIs(c, "TblBody") ? 1 : 2);
      if (!ReadRows(L, c, t, kind)) return false;
    }
  }
  return true;
}

void ResolveAnchors(Loader& L) {
  for (const PendingAnchor& a : L.anchors) {
    const std::map<int32_t, ObjHandle>& objects = a.kind == memhost::ITEM_TABLE_ANCHOR ? L.tables
                                                                                       : L.notes;
    auto it = objects.find(a.id);
    // An anchor whose table or footnote is missing anchors nothing; it stays
    // in the file as it is.
    if (it == objects.end()) continue;
    L.host.AddMarker(a.pgf, a.offset, a.kind, static_cast<int32_t>(it->second));
    L.host.SetIntProp(it->second, memhost::MEM_PROP_ANCHOR_PGF, static_cast<int32_t>(a.pgf), VT_ID);
  }
}

int32_t PageKindOfFrame(const DocStore& host, ObjHandle frame) {
  ObjHandle pageFrame = static_cast<ObjHandle>(host.IntProp(frame, PROP_FRAME_PARENT));
  ObjHandle page =
      pageFrame != 0 ? static_cast<ObjHandle>(host.IntProp(pageFrame, PROP_PAGE_OF_FRAME)) : 0;
  return page != 0 ? static_cast<int32_t>(page >> 24) : 0;
}

// The main flow: the first flow tagged A on body pages, else the first on
// body pages, else the first of all.
ObjHandle FindMainFlow(Loader& L) {
  const std::vector<ObjHandle>& flows = L.host.Chain(L.doc, PROP_FIRST_FLOW_IN_DOC);
  ObjHandle onBody = 0;
  for (ObjHandle f : flows) {
    const memhost::Obj* o = L.host.Find(f);
    if (o == nullptr || o->kids.empty()) continue;
    if (PageKindOfFrame(L.host, o->kids[0]) != memhost::T_BODY_PAGE) continue;
    if (L.host.StringProp(f, PROP_NAME) == "A") return f;
    if (onBody == 0) onBody = f;
  }
  if (onBody != 0) return onBody;
  return flows.empty() ? 0 : flows[0];
}

// A document without text still gets a main flow, as every document of the
// host has one: a frame with one empty paragraph, not from the file.
ObjHandle AddMainFlow(Loader& L) {
  ObjHandle flow = L.host.NewObject(memhost::T_FLOW, L.doc);
  L.host.SetStringProp(flow, PROP_NAME, "A");
  L.host.AppendToChain(L.doc, PROP_FIRST_FLOW_IN_DOC, flow);
  ObjHandle frame = L.host.NewObject(memhost::T_TEXT_FRAME, L.doc);
  if (!L.host.Data(L.doc)->bodyPages.empty()) {
    ObjHandle page = L.host.Data(L.doc)->bodyPages[0];
    L.host.SetIntProp(frame, PROP_FRAME_PARENT, L.host.IntProp(page, PROP_PAGE_FRAME), VT_ID);
  }
  L.host.AppendKid(flow, frame);
  ObjHandle p = L.host.NewObject(memhost::T_PGF, L.doc);
  std::string format = L.pgfFonts.count("Body") != 0 ? "Body" : "";
  L.host.SetStringProp(p, memhost::MEM_PROP_PGF_TAG, format);
  SetFontProps(L.host, p, format.empty() ? L.defaultFont : L.pgfFonts["Body"]);
  L.host.AppendKid(frame, p);
  return flow;
}

MifParaRecord Record(Loader& L, MifParaState state) {
  MifParaRecord r;
  r.textAt = static_cast<uint32_t>(L.src->paraText.size());
  r.textSize = static_cast<uint32_t>(state.text.size());
  L.src->paraText += state.text;
  auto format = L.formatIndex.find(state.format);
  if (format == L.formatIndex.end()) {
    format =
        L.formatIndex.emplace(state.format, static_cast<uint32_t>(L.src->formats.size())).first;
    L.src->formats.push_back(std::move(state.format));
  }
  r.format = format->second;
  r.anchors = std::move(state.anchors);
  r.runsAt = static_cast<uint32_t>(L.src->paraRuns.size());
  r.runCount = static_cast<uint32_t>(state.runs.size());
  for (MifRun& run : state.runs) {
    auto it = L.runIndex.find(run.props);
    if (it == L.runIndex.end()) {
      it = L.runIndex.emplace(run.props, static_cast<uint32_t>(L.src->runProps.size())).first;
      L.src->runProps.push_back(std::move(run.props));
    }
    L.src->paraRuns.push_back(MifParaRecord::Run{run.offset, it->second});
  }
  return r;
}

bool Load(Loader& L, const std::string& name) {
  MifDocument& src = *L.src;
  if (src.tree.is_book) return L.Fail(1, "this is a MIF book, not a document");
  src.name = name;
  src.nodes.clear();
  src.paras.clear();
  src.paraText.clear();
  src.paraRuns.clear();
  src.textLines.clear();
  src.runProps.clear();
  src.paths.clear();
  // A record made empty names the empty format, the first.
  src.formats.assign(1, std::string());
  L.formatIndex.emplace(std::string(), 0);
  L.enc = src.tree.encoding;
  L.doc = L.host.NewDocument(name);
  L.names.host = &L.host;
  L.names.app = MifApplication(L.host);
  L.names.doc = L.doc;
  L.names.encoding = L.enc;
  L.names.unit = MifDefaultUnit(src.tree);
  L.defaultFont = memhost::DefaultCharProps();
  L.lastFont = L.defaultFont;

  MifNode& root = src.tree.root;
  std::string word;
  const MifNode* units = MifFind(root, "CharUnits");
  if (units != nullptr && MifGetWord(*units, &word) && word == "CUQ") {
    L.host.SetIntProp(L.doc, PROP_FONT_SIZE_UNIT, kQUnit, VT_METRIC);
  }
  for (const MifNode& c : root.children) {
    if (MifIs(c, "ColorCatalog")) ReadColors(L, c);
  }
  for (const MifNode& c : root.children) {
    if (!MifIs(c, "FontCatalog")) continue;
    for (const MifNode& f : c.children) {
      if (MifIs(f, "Font")) ReadCharFormat(L, f);
    }
  }
  for (const MifNode& c : root.children) {
    if (MifIs(c, "ElementDefCatalog") || MifIs(c, "FmtChangeListCatalog")) {
      ReadElementFormatNames(L, c);
    }
  }
  for (const MifNode& c : root.children) {
    if (MifIs(c, "PgfCatalog")) {
      ReadPgfCatalog(L, c);
    } else if (MifIs(c, "VariableFormats")) {
      ReadDefinitions(L, c, "VariableFormat", "VariableDef", memhost::T_FMT_DEF_B,
                      PROP_FIRST_FMT_DEF_B);
    } else if (MifIs(c, "XRefFormats")) {
      ReadDefinitions(L, c, "XRefFormat", "XRefDef", memhost::T_FMT_DEF_C, PROP_FIRST_FMT_DEF_C);
    } else if (MifIs(c, "Document")) {
      ReadDocumentTags(L, c);
    }
  }
  for (const MifNode& c : root.children) {
    if (MifIs(c, "Page")) ReadPage(L, c);
  }
  // Only tables and flows are read from here on.
  for (MifNode& c : root.children) {
    if (!MifIs(c, "Tbls") && !MifIs(c, "TextFlow")) Spent(L, &c);
  }
  // What is kept of each paragraph takes its room at once: grown by doubling
  // and made to fit at the end, it would cost up to three times that while
  // the model is at its largest.
  TiedCount count;
  for (const MifNode& c : root.children) CountTied(c, &count);
  src.textLines.reserve(src.textLines.size() + count.paras);
  src.nodes.reserve(src.nodes.size() + count.tied);
  L.paraObjects.reserve(count.paras);
  // Tables and flows in file order: a paragraph that names no format takes
  // the one of the paragraph before it in the file.
  for (size_t i = 0; i < root.children.size(); ++i) {
    MifNode& c = root.children[i];
    Step s(L, i);
    if (MifIs(c, "Tbls")) {
      for (size_t k = 0; k < c.children.size(); ++k) {
        if (!MifIs(c.children[k], "Tbl")) continue;
        Step sk(L, k);
        if (!ReadTable(L, c.children[k])) return false;
        Spent(L, &c.children[k]);
      }
    } else if (MifIs(c, "TextFlow")) {
      if (!ReadFlow(L, c)) return false;
      Spent(L, &c);
    }
  }
  if (L.failed) return false;
  if (L.names.badLine != 0) return L.Fail(L.names.badLine, L.names.bad);
  ResolveAnchors(L);

  ObjHandle main = FindMainFlow(L);
  if (main == 0) main = AddMainFlow(L);
  L.host.SetIntProp(L.doc, PROP_MAIN_FLOW_IN_DOC, static_cast<int32_t>(main), VT_ID);
  // The host opens a document with the insertion point at the start of its
  // main flow.
  ObjHandle first = L.host.FirstPgfOf(main);
  if (first != 0) {
    memhost::Value selection;
    selection.type = VT_TEXTRANGE;
    selection.range() = TextRange{{first, 0}, {first, 0}};
    L.host.SetProp(L.doc, PROP_TEXT_SELECTION, selection);
  }
  // What the model holds now is what the file says; the writer compares
  // against it. The records are made now rather than while the text is
  // read: a tree freed as it is read has let go of its flows by now, and a
  // long document of short paragraphs would otherwise hold the tree, the
  // model and the records at once.
  src.paras.reserve(L.paraObjects.size());
  size_t textSize = 0;
  for (ObjHandle pgf : L.paraObjects) {
    const memhost::Obj* o = L.host.Find(pgf);
    if (o != nullptr) textSize += o->text.size();
  }
  src.paraText.reserve(textSize);
  src.paraRuns.reserve(L.paraObjects.size());
  for (ObjHandle pgf : L.paraObjects) {
    const memhost::Obj* o = L.host.Find(pgf);
    src.paras.push_back(o != nullptr ? Record(L, MifModelParaState(L.host, &src, *o))
                                     : MifParaRecord());
  }
  // Kept as long as the document: a book keeps one set per chapter.
  src.nodes.shrink_to_fit();
  src.paras.shrink_to_fit();
  src.paraRuns.shrink_to_fit();
  src.runProps.shrink_to_fit();
  src.paths.shrink_to_fit();
  src.formats.shrink_to_fit();
  src.textLines.shrink_to_fit();
  return true;
}

}  // namespace

bool MifLoadDocumentTree(DocStore& host, const std::string& name, MifDocument* source,
                         ObjHandle* doc, MifError* error, MifTreeUse use) {
  Loader L(host);
  L.src = source;
  L.error = error;
  L.release = use == MIF_RELEASE_TREE;
  bool ok = Load(L, name);
  if (L.release) source->tree = MifTree();
  if (!ok && L.doc != 0) {
    host.DestroyDocument(L.doc);
    L.doc = 0;
  }
  if (doc != nullptr) *doc = L.doc;
  return ok;
}

bool MifLoadDocument(DocStore& host, const std::string& file, const std::string& name,
                     MifDocument* source, ObjHandle* doc, MifError* error) {
  source->file = file;
  if (!MifReadFile(file, &source->tree, error)) return false;
  return MifLoadDocumentTree(host, name, source, doc, error);
}

int64_t MifParaIndexOf(const DocStore& host, const MifDocument& source, ObjHandle pgf) {
  const MifNodeRef* ref = MifRefOf(host, &source, pgf);
  if (ref == nullptr || ref->kind != MIF_NODE_PARA || ref->para >= source.paras.size()) return -1;
  return static_cast<int64_t>(ref->para);
}

int32_t MifLineOfText(const MifDocument& source, size_t para, int32_t offset) {
  // The first entry past (para, offset); the one before it applies.
  auto after = std::upper_bound(
      source.textLines.begin(), source.textLines.end(), std::make_pair(para, offset),
      [](const std::pair<size_t, int32_t>& at, const MifTextLine& t) {
        return at.first < t.para || (at.first == t.para && at.second < t.offset);
      });
  if (after == source.textLines.begin()) return 0;
  --after;
  return after->para == para ? after->line : 0;
}
