#include "memhost/doc_builder.h"

namespace memhost {

FormatRef& FormatRef::Set(int32_t prop, int32_t value) {
  store->SetIntProp(h, prop, value, CharValueTypeOf(prop));
  int32_t flag = CharUseFlagOf(prop);
  if (flag != 0) store->SetIntProp(h, flag, 1);
  return *this;
}

FormatRef& FormatRef::SetString(int32_t prop, const std::string& value) {
  store->SetStringProp(h, prop, value);
  return *this;
}

DocBuilder::DocBuilder(DocStore& h, const std::string& path) : store(h) {
  doc = store.NewDocument(path);
  firstPgf = store.AddDefaultContent(doc);
  flow = static_cast<ObjHandle>(store.IntProp(doc, PROP_MAIN_FLOW_IN_DOC));
  frame = store.Find(flow)->kids.back();
}

FormatRef DocBuilder::CharFormat(const std::string& name) {
  ObjHandle f = store.NewObject(T_CHAR_FMT, doc);
  store.SetName(f, name);
  // A new character format leaves every property as it is.
  const int32_t flags[] = {
      PROP_USE_CAPITALIZATION, PROP_USE_CHANGE_BAR,      PROP_USE_FONT_ANGLE,
      PROP_USE_FONT_FAMILY,    PROP_USE_FONT_VARIATION,  PROP_USE_FONT_WEIGHT,
      PROP_USE_POSITION,       PROP_USE_CHAR_INT_612,    PROP_USE_PAIR_KERN,
      PROP_USE_OVERLINE,       PROP_USE_CHAR_INT_613,    PROP_USE_STRIKETHROUGH,
      PROP_USE_UNDERLINING,    PROP_USE_COLOR,           PROP_USE_FONT_SIZE,
      PROP_USE_CHAR_INT_616,   PROP_USE_CHAR_INT_617,    PROP_USE_CHARSPREAD,
      PROP_USE_STRETCH,        PROP_USE_BACKGROUND_COLOR};
  for (int32_t flag : flags) store.SetIntProp(f, flag, 0);
  return FormatRef{&store, f};
}

ObjHandle DocBuilder::PgfFormat(const std::string& name) {
  ObjHandle f = store.NewObject(T_PGF_FMT, doc);
  store.SetName(f, name);
  store.SetStringProp(f, MEM_PROP_PGF_TAG, name);
  return f;
}

ObjHandle DocBuilder::Color(const std::string& name) {
  ObjHandle c = store.NewObject(T_COLOR, doc);
  store.SetName(c, name);
  return c;
}

CharProps DocBuilder::PropsFor(ObjHandle pgf, const Run& run) const {
  CharProps cp = store.ParagraphFont(pgf);
  cp.tag = run.tag;
  ObjHandle f = run.tag.empty() ? 0 : store.NamedObject(doc, OBJ_CHAR_FMT, run.tag);
  for (int i = 0; f != 0 && i < kCharIntCount; ++i) {
    int32_t flag = CharUseFlagOf(kCharIntProps[i]);
    if (flag != 0 && store.IntProp(f, flag) != 0) cp.ints[i] = store.IntProp(f, kCharIntProps[i]);
  }
  for (const auto& o : run.overrides) {
    int k = CharIntIndex(o.first);
    if (k >= 0) cp.ints[k] = o.second;
  }
  return cp;
}

ObjHandle DocBuilder::ParaIn(ObjHandle container, const std::vector<Run>& runs) {
  ObjHandle p = store.NewObject(T_PGF, doc);
  const Obj* body = store.Find(store.NamedObject(doc, OBJ_PGF_FMT, "Body"));
  if (body != nullptr) {
    for (const auto& kv : body->props) {
      if (kv.first != PROP_NAME) store.SetProp(p, kv.first, kv.second);
    }
  }
  const Obj* c = store.Find(container);
  if (c != nullptr && c->type == T_TABLE) {
    store.AppendTitle(container, p);
  } else {
    store.AppendKid(container, p);
  }
  for (const Run& r : runs) store.AppendText(p, r.text, PropsFor(p, r));
  return p;
}

void DocBuilder::ParaEnd(ObjHandle pgf, const Run& run) {
  store.SetEndProps(pgf, PropsFor(pgf, run));
}

ObjHandle DocBuilder::Para(const std::vector<Run>& runs) {
  if (!firstUsed_) {
    firstUsed_ = true;
    for (const Run& r : runs) store.AppendText(firstPgf, r.text, PropsFor(firstPgf, r));
    return firstPgf;
  }
  return ParaIn(frame, runs);
}

ObjHandle DocBuilder::Para(const std::string& text, const std::string& tag) {
  return Para(std::vector<Run>{Run(text, tag)});
}

ObjHandle DocBuilder::NewFrame() {
  ObjHandle page = store.NewObject(T_BODY_PAGE, doc);
  store.Data(doc)->bodyPages.push_back(page);
  ObjHandle pageFrame = store.NewObject(T_PAGE_FRAME, doc);
  store.SetIntProp(page, PROP_PAGE_FRAME, static_cast<int32_t>(pageFrame), VT_ID);
  store.SetIntProp(pageFrame, PROP_PAGE_OF_FRAME, static_cast<int32_t>(page), VT_ID);
  frame = store.NewObject(T_TEXT_FRAME, doc);
  store.AppendKid(flow, frame);
  store.SetIntProp(frame, PROP_FRAME_PARENT, static_cast<int32_t>(pageFrame), VT_ID);
  return frame;
}

ObjHandle DocBuilder::NewFlow(bool master) {
  ObjHandle page = store.NewObject(master ? T_MASTER_PAGE : T_BODY_PAGE, doc);
  (master ? store.Data(doc)->masterPages : store.Data(doc)->bodyPages).push_back(page);
  ObjHandle pageFrame = store.NewObject(T_PAGE_FRAME, doc);
  store.SetIntProp(page, PROP_PAGE_FRAME, static_cast<int32_t>(pageFrame), VT_ID);
  store.SetIntProp(pageFrame, PROP_PAGE_OF_FRAME, static_cast<int32_t>(page), VT_ID);
  ObjHandle f = store.NewObject(T_FLOW, doc);
  store.AppendToChain(doc, PROP_FIRST_FLOW_IN_DOC, f);
  ObjHandle tf = store.NewObject(T_TEXT_FRAME, doc);
  store.AppendKid(f, tf);
  store.SetIntProp(tf, PROP_FRAME_PARENT, static_cast<int32_t>(pageFrame), VT_ID);
  return f;
}

ObjHandle DocBuilder::Table(const std::vector<std::vector<std::string>>& rows, int headingRows,
                            const std::vector<std::string>& titles) {
  ObjHandle anchor = Para("");
  size_t columns = 1;
  for (const auto& r : rows) columns = std::max(columns, r.size());
  int32_t bodyRows = static_cast<int32_t>(rows.size()) - headingRows;
  ObjHandle t = 0;
  if (bodyRows >= 0 && headingRows >= 0) {
    t = store.AddTable(doc, "Format A", static_cast<int32_t>(columns), bodyRows, headingRows, 0,
                       anchor, 0);
    store.Data(doc)->dirty = true;  // as the host's NewTable leaves it
  }
  for (size_t r = 0; r < rows.size(); ++r) {
    for (size_t c = 0; c < rows[r].size(); ++c) {
      ObjHandle p = CellPgf(t, r, c);
      store.AppendText(p, rows[r][c], store.ParagraphFont(p));
    }
  }
  for (const std::string& title : titles) ParaIn(t, {Run(title)});
  return t;
}

ObjHandle DocBuilder::Cell(ObjHandle table, size_t row, size_t column) const {
  return Kid(Kid(table, row), column);
}

ObjHandle DocBuilder::CellPgf(ObjHandle table, size_t row, size_t column) const {
  return Kid(Cell(table, row, column), 0);
}

ObjHandle DocBuilder::Footnote(ObjHandle anchor, const std::vector<Run>& runs,
                               const std::string& anchorTag) {
  ObjHandle fn = store.NewObject(T_FOOTNOTE, doc);
  store.AppendToChain(doc, PROP_FIRST_FN_IN_DOC, fn);
  store.SetIntProp(fn, MEM_PROP_ANCHOR_PGF, static_cast<int32_t>(anchor), VT_ID);
  const Obj* a = store.Find(anchor);
  int32_t at = a == nullptr ? 0 : static_cast<int32_t>(a->text.size());
  if (anchorTag.empty()) {
    store.AddAnchor(anchor, at, ITEM_FOOTNOTE_ANCHOR, static_cast<int32_t>(fn));
  } else {
    CharProps props = PropsFor(anchor, Run("", anchorTag));
    store.AddAnchor(anchor, at, ITEM_FOOTNOTE_ANCHOR, static_cast<int32_t>(fn), &props);
  }
  ParaIn(fn, runs);
  return fn;
}

ObjHandle DocBuilder::ChainedText(int32_t type, int32_t firstProp, int32_t textProp,
                                  const std::string& text) {
  ObjHandle o = store.NewObject(type, doc);
  store.AppendToChain(doc, firstProp, o);
  store.SetStringProp(o, textProp, text);
  return o;
}

ObjHandle DocBuilder::FormatDefA(const std::string& text) {
  return ChainedText(T_FMT_DEF_A, PROP_FIRST_FMT_DEF_A, PROP_FMT_DEF_A_TEXT, text);
}

ObjHandle DocBuilder::FormatDefB(const std::string& text) {
  return ChainedText(T_FMT_DEF_B, PROP_FIRST_FMT_DEF_B, PROP_FMT_DEF_TEXT, text);
}

ObjHandle DocBuilder::FormatDefC(const std::string& text) {
  return ChainedText(T_FMT_DEF_C, PROP_FIRST_FMT_DEF_C, PROP_FMT_DEF_TEXT, text);
}

ObjHandle DocBuilder::TagRef(const std::string& name) {
  return ChainedText(T_TAG_REF, PROP_FIRST_TAG_REF_OBJ, PROP_TAG_REF, name);
}

ObjHandle DocBuilder::FormatPage(const std::vector<std::string>& paragraphs) {
  ObjHandle page = store.NewObject(T_REFERENCE_PAGE, doc);
  store.Data(doc)->referencePages.push_back(page);
  store.AppendToChain(doc, PROP_FIRST_FORMAT_PAGE, page);
  ObjHandle pageFrame = store.NewObject(T_PAGE_FRAME, doc);
  store.SetIntProp(page, PROP_PAGE_FRAME, static_cast<int32_t>(pageFrame), VT_ID);
  store.SetIntProp(pageFrame, PROP_PAGE_OF_FRAME, static_cast<int32_t>(page), VT_ID);
  ObjHandle graphic = store.NewObject(T_TEXT_FRAME, doc);
  store.SetIntProp(pageFrame, PROP_FIRST_GRAPHIC_IN_FRAME, static_cast<int32_t>(graphic), VT_ID);
  store.SetIntProp(graphic, PROP_FRAME_PARENT, static_cast<int32_t>(pageFrame), VT_ID);
  for (const std::string& text : paragraphs) ParaIn(graphic, {Run(text)});
  return page;
}

ObjHandle DocBuilder::Kid(ObjHandle container, size_t i) const {
  const Obj* c = store.Find(container);
  if (c == nullptr) return 0;
  return i < c->kids.size() ? c->kids[i] : 0;
}

std::string DocBuilder::Text(ObjHandle pgf) const {
  const Obj* p = store.Find(pgf);
  return p == nullptr ? std::string() : VisibleText(p->text);
}

std::string DocBuilder::TagAt(ObjHandle pgf, int32_t offset) const {
  const Obj* p = store.Find(pgf);
  return p == nullptr ? std::string() : store.PropsAt(*p, offset).tag;
}

int32_t DocBuilder::PropAt(ObjHandle pgf, int32_t offset, int32_t prop) const {
  const Obj* p = store.Find(pgf);
  int k = CharIntIndex(prop);
  return (p == nullptr || k < 0) ? 0 : store.PropsAt(*p, offset).ints[k];
}

void DocBuilder::SaveAndClose(const std::string& path) {
  store.StoreFile(doc, path);
  store.DestroyDocument(doc);
}

void DocBuilder::SaveAndCloseActive(DocStore& store, const std::string& path) {
  ObjHandle doc = store.activeDoc;
  store.StoreFile(doc, path);
  store.DestroyDocument(doc);
}

BookBuilder::BookBuilder(DocStore& h, const std::string& path) : store(h) {
  book = store.NewBook(path);
}

ObjHandle BookBuilder::Component(int32_t kind, const std::string& name, ObjHandle parent) {
  ObjHandle c = store.NewObject(T_COMPONENT, book);
  store.SetIntProp(c, PROP_COMPONENT_TYPE, kind);
  store.SetStringProp(c, PROP_NAME, name);
  store.AppendKid(parent != 0 ? parent : book, c);
  return c;
}

ObjHandle BookBuilder::File(const std::string& path, ObjHandle parent) {
  return Component(512, path, parent);
}

}  // namespace memhost
