// The host operations of the in-memory host: dialogs, menus, documents and
// properties, over its document model. Text operations are in
// mem_host_text.cpp, the structural properties in structural_ids.cpp.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "client/host_lists.h"
#include "memhost/mem_host.h"
#include "memhost/structural_ids.h"

namespace memhost {

namespace {

// The value type a property carries when nothing was stored for it.
int32_t DefaultTypeOf(int32_t prop) {
  switch (prop) {
    case PROP_NAME:
    case PROP_LABEL:
    case PROP_CHAR_TAG:
    case PROP_CHAR_STR_639:
    case PROP_CHAR_STR_640:
    case PROP_HOST_DIR:
    case PROP_STATUS_LINE:
    case PROP_TAG_REF:
    case PROP_FMT_DEF_A_TEXT:
    case PROP_FMT_DEF_TEXT:
    case PROP_DOC_CHAR_TAG_334:
    case PROP_DOC_CHAR_TAG_336:
    case PROP_DOC_CHAR_TAG_337:
    case PROP_DOC_CHAR_TAG_338:
    case PROP_DOC_CHAR_TAG_339:
    case MEM_PROP_PGF_TAG:
    case MEM_PROP_TBL_TAG: return VT_STRING;
    case PROP_FONT_SIZE:
    case PROP_CHARSPREAD:
    case PROP_STRETCH:
    case PROP_FONT_SIZE_UNIT: return VT_METRIC;
    case PROP_COLOR:
    case PROP_BACKGROUND_COLOR:
    case PROP_CURRENT_PAGE: return VT_ID;
    case PROP_TBL_COL_WIDTHS: return VT_METRICS;
    case PROP_FONT_FAMILY_NAMES:
    case PROP_FONT_VARIATION_NAMES:
    case PROP_FONT_WEIGHT_NAMES:
    case PROP_FONT_ANGLE_NAMES: return VT_STRINGS;
    case PROP_TEXT_SELECTION: return VT_TEXTRANGE;
    default: return VT_INT;
  }
}

PropVal ToPropVal(int32_t prop, const Value& v) {
  PropVal out{};
  out.propIdent.num = prop;
  out.propVal.valType = v.type;
  switch (v.type) {
    case VT_STRING: out.propVal.u.sval = CopyOut(v.s); break;
    case VT_METRICS: {
      out.propVal.u.ints.len = static_cast<uint32_t>(v.list().size());
      out.propVal.u.ints.val = static_cast<int32_t*>(
          std::malloc(std::max<size_t>(1, v.list().size()) * sizeof(int32_t)));
      if (!v.list().empty())
        std::memcpy(out.propVal.u.ints.val, v.list().data(), v.list().size() * 4);
      break;
    }
    case VT_STRINGS: {
      out.propVal.u.ssval.len = static_cast<uint32_t>(v.strings().size());
      out.propVal.u.ssval.val =
          static_cast<char**>(std::malloc(std::max<size_t>(1, v.strings().size()) * sizeof(char*)));
      for (size_t i = 0; i < v.strings().size(); ++i)
        out.propVal.u.ssval.val[i] = CopyOut(v.strings()[i]);
      break;
    }
    case VT_TEXTRANGE: out.propVal.u.trange = v.range(); break;
    default: out.propVal.u.ival = v.i; break;
  }
  return out;
}

Value FromTypedVal(const TypedVal& t) {
  Value v;
  v.type = t.valType;
  switch (t.valType) {
    case VT_STRING: v.s = t.u.sval != nullptr ? t.u.sval : ""; break;
    case VT_METRICS:
      if (t.u.ints.val != nullptr) v.list().assign(t.u.ints.val, t.u.ints.val + t.u.ints.len);
      break;
    case VT_STRINGS:
      for (uint32_t i = 0; i < t.u.ssval.len; ++i) {
        v.strings().push_back(t.u.ssval.val[i] != nullptr ? t.u.ssval.val[i] : "");
      }
      break;
    case VT_TEXTRANGE: v.range() = t.u.trange; break;
    default: v.i = t.u.ival; break;
  }
  return v;
}

}  // namespace

MemHost::~MemHost() {
  PropValsFree(&openReturn_);
  PropValsFree(&saveReturn_);
}

void MemHost::MarkChanged(const Obj& o, int32_t prop) {
  if (IsViewProp(prop)) return;
  DocData* d = store_.Data(o.type == T_DOC || o.type == T_BOOK ? o.h : o.doc);
  if (d != nullptr) d->dirty = true;
}

bool MemHost::Bad(ObjHandle h, Obj** out) {
  Obj* o = store_.Find(h);
  if (out != nullptr) *out = o;
  if (o == nullptr) {
    HostErrno = STATUS_BAD_OBJECT;
    return true;
  }
  return false;
}

bool MemHost::BadDoc(ObjHandle doc, Obj** out, bool bookToo) {
  Obj* o = nullptr;
  if (Bad(doc, &o)) return true;
  if (out != nullptr) *out = o;
  if (o->type == T_DOC || (bookToo && o->type == T_BOOK)) return false;
  HostErrno = STATUS_BAD_OBJECT;
  return true;
}

bool MemHost::BadTarget(ObjHandle doc, ObjHandle obj, Obj** out) {
  // Object 0 is the application, and only with document 0: with a document
  // it names nothing.
  if (obj == 0 && doc != 0) {
    HostErrno = STATUS_BAD_OBJECT;
    return true;
  }
  if (doc != 0 && Bad(doc, nullptr)) return true;
  return Bad(obj == 0 ? store_.App() : obj, out);
}

// ---- Dialogs, console, notifications ----

int32_t MemHost::Alert(const char* message, int32_t type) {
  (void)message;
  (void)type;
  return 0;
}

int32_t MemHost::ScrollBox(int32_t* chosen, const char* title, const HostStrings* items,
                           int32_t defaultIndex) {
  (void)title;
  uint32_t count = items != nullptr ? items->len : 0;
  if (defaultIndex < 0 || static_cast<uint32_t>(defaultIndex) >= count) return -1;
  if (chosen != nullptr) *chosen = defaultIndex;
  return 0;
}

int32_t MemHost::PrintConsole(const char* text) {
  (void)text;
  return 0;
}

int32_t MemHost::RequestNotification(int32_t note, int32_t enable) {
  if (enable != 0) {
    notifications_.insert(note);
  } else {
    notifications_.erase(note);
  }
  return 0;
}

// ---- Menus and named objects ----

ObjHandle MemHost::DefineMenu(const char* tag, const char* label) {
  ObjHandle m = store_.NewObject(T_MENU, 0);
  store_.SetName(m, tag != nullptr ? tag : "");
  store_.SetStringProp(m, PROP_LABEL, label != nullptr ? label : "");
  return m;
}

ObjHandle MemHost::DefineAndAddMenu(ObjHandle parent, const char* tag, const char* label) {
  Obj* p = nullptr;
  if (Bad(parent, &p) || p->type != T_MENU) {
    HostErrno = STATUS_BAD_OBJECT;
    return 0;
  }
  ObjHandle m = store_.NewObject(T_MENU, 0);
  store_.SetName(m, tag != nullptr ? tag : "");
  store_.SetStringProp(m, PROP_LABEL, label != nullptr ? label : "");
  store_.AppendKid(parent, m);
  return m;
}

ObjHandle MemHost::DefineAndAddCommand(int32_t number, ObjHandle menu, const char* tag,
                                       const char* label, const char* shortcut) {
  Obj* p = nullptr;
  if (Bad(menu, &p) || p->type != T_MENU) {
    HostErrno = STATUS_BAD_OBJECT;
    return 0;
  }
  ObjHandle c = store_.NewObject(T_COMMAND, 0);
  store_.SetCommand(c, number, shortcut != nullptr ? shortcut : "");
  store_.SetName(c, tag != nullptr ? tag : "");
  store_.SetStringProp(c, PROP_LABEL, label != nullptr ? label : "");
  store_.AppendKid(menu, c);
  return c;
}

int32_t MemHost::AddItemToMenu(ObjHandle menu, ObjHandle item) {
  Obj* m = nullptr;
  Obj* i = nullptr;
  if (Bad(menu, &m) || Bad(item, &i) || m->type != T_MENU) {
    HostErrno = STATUS_BAD_OBJECT;
    return STATUS_BAD_OBJECT;
  }
  // An item may stand in several menus; within one menu it stands once.
  m->kids.erase(std::remove(m->kids.begin(), m->kids.end(), item), m->kids.end());
  m->kids.push_back(item);
  return 0;
}

int32_t MemHost::AddMenuToMenu(ObjHandle parent, ObjHandle menu) {
  return AddItemToMenu(parent, menu);
}

ObjHandle MemHost::GetNamedObject(ObjHandle doc, int32_t type, const char* name) {
  if (doc != 0 && BadDoc(doc, nullptr, false)) return 0;
  ObjHandle h = store_.NamedObject(doc, type, name != nullptr ? name : "");
  if (h == 0) HostErrno = STATUS_NOT_FOUND;
  return h;
}

ObjHandle MemHost::NewNamedObject(ObjHandle doc, int32_t type, const char* name) {
  Obj* owner = nullptr;
  if (doc != 0 && BadDoc(doc, &owner, false)) return 0;
  bool appLevel = type == OBJ_MENU || type == OBJ_COMMAND || type == OBJ_MENU_SEPARATOR;
  bool docLevel = type == T_CHAR_FMT || type == T_PGF_FMT || type == T_TBL_FMT || type == T_COLOR;
  if (doc == 0 ? !appLevel : !docLevel) {
    HostErrno = STATUS_BAD_ARGUMENT;
    return 0;
  }
  // As the host does: a name the document already has gives the object
  // that has it, unchanged.
  if (doc != 0) {
    ObjHandle existing = store_.NamedObject(doc, type, name != nullptr ? name : "");
    if (existing != 0) return existing;
  }
  ObjHandle h = store_.NewObject(type, doc);
  store_.SetName(h, name != nullptr ? name : "");
  if (owner != nullptr) MarkChanged(*owner);
  return h;
}

int32_t MemHost::DeleteObject(ObjHandle doc, ObjHandle obj) {
  Obj* o = nullptr;
  if ((doc != 0 && BadDoc(doc, nullptr, true)) || Bad(obj, &o) || (doc != 0 && o->doc != doc)) {
    HostErrno = STATUS_BAD_OBJECT;
    return STATUS_BAD_OBJECT;
  }
  if (o->type == T_CHAR_FMT && store_.IntProp(obj, MEM_PROP_FORMAT_IN_USE) != 0) {
    keptInUse_.emplace_back(store_.StringProp(o->doc, PROP_NAME),
                            store_.StringProp(obj, PROP_NAME));
    HostErrno = STATUS_IN_USE;
    return STATUS_IN_USE;
  }
  if (o->type == T_CHAR_FMT || o->type == T_PGF_FMT || o->type == T_COLOR || o->type == T_TBL_FMT ||
      o->type == T_SEPARATOR || o->type == T_COMMAND || o->type == T_MENU) {
    MarkChanged(*o);  // before the object goes
    store_.RemoveNamedObject(o->doc, o->type, store_.StringProp(obj, PROP_NAME));
    return 0;
  }
  store_.RemoveFromChain(obj);
  store_.RemoveKid(obj);
  o->alive = false;
  MarkChanged(*o);
  return 0;
}

// ---- Documents ----

void MemHost::ReturnList(PropVals** ret, PropVals* own) {
  if (ret == nullptr) return;
  if (*ret != nullptr) PropValsFree(*ret);
  PropValsFree(own);
  *ret = own;
}

ObjHandle MemHost::OpenBookOrDoc(const std::string& path, bool* failed) {
  *failed = false;
  // An untitled document has no path to be opened by: the empty path names
  // no file, not the first untitled window.
  if (path.empty()) {
    *failed = true;
    return 0;
  }
  for (const auto* list : {&store_.openDocs, &store_.openBooks}) {
    for (ObjHandle d : *list) {
      if (store_.StringProp(d, PROP_NAME) == path) return d;
    }
  }
  auto it = store_.files.find(path);
  if (it == store_.files.end() || it->second.failOpen) {
    *failed = true;
    return 0;
  }
  // A copy made again only to be opened is opened itself, not copied once
  // more: the file keeps no copy until the document is saved, unless it
  // keeps the copy of what it holds.
  bool made = it->second.image == 0 && it->second.load;
  ObjHandle image = store_.FileImage(path);
  if (image == 0) {
    *failed = true;
    return 0;
  }
  if (made && (!it->second.keep || store_.Data(image)->dirty)) {
    it->second.image = 0;
    store_.Data(image)->isImage = false;
    store_.SetStringProp(image, PROP_NAME, path);
    return image;
  }
  ObjHandle doc = store_.CloneDocument(image, false);
  store_.SetStringProp(doc, PROP_NAME, path);
  return doc;
}

ObjHandle MemHost::OpenDocument(const char* path, const PropVals* params, PropVals** ret) {
  (void)params;
  ReturnList(ret, &openReturn_);
  bool failed = false;
  ObjHandle doc = OpenBookOrDoc(path != nullptr ? path : "", &failed);
  TypedVal status{};
  status.valType = VT_INT;
  status.u.ival = failed ? STATUS_NOT_FOUND : 0;
  PropValsSet(&openReturn_, 1, &status);
  if (doc == 0) {
    HostErrno = STATUS_NOT_FOUND;
    return 0;
  }
  store_.Activate(doc);
  return doc;
}

ObjHandle MemHost::SaveDocument(ObjHandle doc, const char* path, const PropVals* params,
                                PropVals** ret) {
  (void)params;
  ReturnList(ret, &saveReturn_);
  if (BadDoc(doc, nullptr, false)) return 0;
  std::string where = path != nullptr ? path : "";
  TypedVal status{};
  status.valType = VT_INT;
  auto it = store_.files.find(where);
  if (where.empty() || (it != store_.files.end() && it->second.failSave)) {
    status.u.ival = STATUS_SAVE_FAILED;
    PropValsSet(&saveReturn_, 1, &status);
    HostErrno = STATUS_SAVE_FAILED;
    return 0;
  }
  PropValsSet(&saveReturn_, 1, &status);
  // Under another name it is not what that file held.
  if (store_.StringProp(doc, PROP_NAME) != where) store_.Data(doc)->dirty = true;
  store_.SetStringProp(doc, PROP_NAME, where);
  store_.StoreFile(doc, where);
  return doc;
}

int32_t MemHost::CloseDocument(ObjHandle doc, int32_t flags) {
  (void)flags;
  Obj* o = nullptr;
  if (Bad(doc, &o) || (o->type != T_DOC && o->type != T_BOOK)) {
    HostErrno = STATUS_BAD_OBJECT;
    return STATUS_BAD_OBJECT;
  }
  std::string name = store_.StringProp(doc, PROP_NAME);
  store_.DestroyDocument(doc);
  // A saved copy that is still what the file holds can be made again (or is
  // kept, when the file keeps it); a changed one, once settled.
  auto it = store_.files.find(name);
  if (it != store_.files.end() && it->second.load && it->second.image != 0) {
    FileEntry& entry = it->second;
    bool unchanged = !store_.Data(entry.image)->dirty;
    if (unchanged && entry.keep) return 0;
    if (unchanged || (entry.settle && entry.settle(entry.image))) {
      store_.DestroyDocument(entry.image);
      entry.image = 0;
    }
  }
  return 0;
}

ObjHandle MemHost::NewCustomDocument(Metric width, Metric height, int32_t columns, Metric gap,
                                     Metric top, Metric bottom, Metric left, Metric right,
                                     int32_t sidedness, int32_t flag) {
  (void)gap;
  (void)sidedness;
  (void)flag;
  if (width <= 0 || height <= 0 || columns < 1) {
    HostErrno = STATUS_BAD_ARGUMENT;
    return 0;
  }
  ObjHandle doc = store_.NewDocument("");
  store_.SetIntProp(doc, MEM_PROP_PAGE_WIDTH, width, VT_METRIC);
  store_.SetIntProp(doc, MEM_PROP_PAGE_HEIGHT, height, VT_METRIC);
  store_.SetIntProp(doc, MEM_PROP_COLUMNS, columns);
  Value margins;
  margins.type = VT_METRICS;
  margins.list() = {top, bottom, left, right};
  store_.SetProp(doc, MEM_PROP_MARGINS, margins);
  // The host opens a new document with the insertion point at the start of
  // its empty first paragraph.
  ObjHandle pgf = store_.AddDefaultContent(doc);
  Value selection;
  selection.type = VT_TEXTRANGE;
  selection.range() = TextRange{{pgf, 0}, {pgf, 0}};
  store_.SetProp(doc, PROP_TEXT_SELECTION, selection);
  // Nothing on disk holds what it holds.
  store_.Data(doc)->dirty = true;
  return doc;
}

int32_t MemHost::Redisplay(ObjHandle doc) {
  if (BadDoc(doc, nullptr, true)) return HostErrno;
  return 0;
}

int32_t MemHost::ScrollToText(ObjHandle doc, TextRange range) {
  if (BadDoc(doc, nullptr, false)) return HostErrno;
  if (range.beg.obj != 0 && store_.Find(range.beg.obj) == nullptr) {
    HostErrno = STATUS_BAD_OBJECT;
    return STATUS_BAD_OBJECT;
  }
  return 0;
}

// ---- Properties ----

int32_t MemHost::GetInt(ObjHandle doc, ObjHandle obj, int32_t prop) {
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return 0;
  int32_t v = 0;
  if (StructuralInt(*o, prop, &v)) return v;
  ObjHandle id = 0;
  if (StructuralId(store_, *o, doc, prop, &id)) return static_cast<int32_t>(id);
  // Paragraphs always carry a font: unset properties read as the default,
  // as they do by GetPropVal.
  const Value* stored = store_.Prop(o->h, prop);
  if (stored != nullptr) return stored->i;
  int32_t unset = 0;
  if (o->type == T_PGF) DefaultFontInt(prop, &unset);
  return unset;
}

void MemHost::SetInt(ObjHandle doc, ObjHandle obj, int32_t prop, int32_t value) {
  (void)doc;
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return;
  const Value* old = store_.Prop(o->h, prop);
  store_.SetIntProp(o->h, prop, value, old != nullptr ? old->type : DefaultTypeOf(prop));
  MarkChanged(*o, prop);
}

ObjHandle MemHost::GetId(ObjHandle doc, ObjHandle obj, int32_t prop) {
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return 0;
  ObjHandle id = 0;
  if (StructuralId(store_, *o, doc, prop, &id)) return id;
  return static_cast<ObjHandle>(store_.IntProp(o->h, prop));
}

void MemHost::SetId(ObjHandle doc, ObjHandle obj, int32_t prop, ObjHandle value) {
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return;
  if (prop == PROP_NEXT_MENU_ITEM) {
    // Moves the item, within the menu given as doc, directly before `value`.
    Obj* menu = nullptr;
    if (Bad(doc, &menu) || menu->type != T_MENU) return;
    auto& kids = menu->kids;
    if (value == obj || std::find(kids.begin(), kids.end(), obj) == kids.end()) return;
    kids.erase(std::remove(kids.begin(), kids.end(), obj), kids.end());
    auto before = std::find(kids.begin(), kids.end(), value);
    kids.insert(before, obj);
    MarkChanged(*o, prop);
    return;
  }
  store_.SetIntProp(o->h, prop, static_cast<int32_t>(value), VT_ID);
  MarkChanged(*o, prop);
}

Metric MemHost::GetMetric(ObjHandle doc, ObjHandle obj, int32_t prop) {
  return GetInt(doc, obj, prop);
}

char* MemHost::GetString(ObjHandle doc, ObjHandle obj, int32_t prop) {
  (void)doc;
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return nullptr;
  return CopyOut(store_.StringProp(o->h, prop));
}

void MemHost::SetString(ObjHandle doc, ObjHandle obj, int32_t prop, const char* value) {
  (void)doc;
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return;
  std::string v = value != nullptr ? value : "";
  bool named = o->type == T_CHAR_FMT || o->type == T_PGF_FMT || o->type == T_COLOR ||
               o->type == T_TBL_FMT || o->type == T_MENU || o->type == T_COMMAND ||
               o->type == T_SEPARATOR;
  MarkChanged(*o, prop);
  if (prop == PROP_NAME && named) {
    store_.SetName(o->h, v);
    return;
  }
  store_.SetStringProp(o->h, prop, v);
}

HostStrings MemHost::GetStrings(ObjHandle doc, ObjHandle obj, int32_t prop) {
  (void)doc;
  HostStrings out{0, nullptr};
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return out;
  const Value* v = store_.Prop(o->h, prop);
  if (v == nullptr || v->strings().empty()) return out;
  out.val = static_cast<char**>(std::malloc(v->strings().size() * sizeof(char*)));
  out.len = static_cast<uint32_t>(v->strings().size());
  for (size_t i = 0; i < v->strings().size(); ++i) out.val[i] = CopyOut(v->strings()[i]);
  return out;
}

MetricList MemHost::GetMetrics(ObjHandle doc, ObjHandle obj, int32_t prop) {
  (void)doc;
  MetricList out{0, nullptr};
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return out;
  const Value* v = store_.Prop(o->h, prop);
  if (v == nullptr || v->list().empty()) return out;
  out.val = static_cast<Metric*>(std::malloc(v->list().size() * sizeof(Metric)));
  out.len = static_cast<uint32_t>(v->list().size());
  std::memcpy(out.val, v->list().data(), v->list().size() * sizeof(Metric));
  return out;
}

void MemHost::SetMetrics(ObjHandle doc, ObjHandle obj, int32_t prop, const MetricList* value) {
  (void)doc;
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return;
  Value v;
  v.type = VT_METRICS;
  if (value != nullptr && value->val != nullptr)
    v.list().assign(value->val, value->val + value->len);
  store_.SetProp(o->h, prop, v);
  MarkChanged(*o, prop);
}

TextRange MemHost::GetTextRange(ObjHandle doc, ObjHandle obj, int32_t prop) {
  (void)doc;
  TextRange none{{0, 0}, {0, 0}};
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return none;
  const Value* v = store_.Prop(o->h, prop);
  if (v == nullptr) return none;
  // A selection whose paragraph has gone is no selection.
  if (v->range().beg.obj != 0 && store_.Find(v->range().beg.obj) == nullptr) return none;
  return v->range();
}

void MemHost::SetTextRange(ObjHandle doc, ObjHandle obj, int32_t prop, TextRange value) {
  (void)doc;
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return;
  if (value.beg.obj != 0 && store_.Find(value.beg.obj) == nullptr) {
    HostErrno = STATUS_BAD_OBJECT;
    return;
  }
  Value v;
  v.type = VT_TEXTRANGE;
  v.range() = value;
  store_.SetProp(o->h, prop, v);
  MarkChanged(*o, prop);
}

PropVal MemHost::GetPropVal(ObjHandle doc, ObjHandle obj, int32_t prop) {
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return PropVal{};
  ObjHandle id = 0;
  if (StructuralId(store_, *o, doc, prop, &id)) {
    Value v;
    v.type = VT_ID;
    v.i = static_cast<int32_t>(id);
    return ToPropVal(prop, v);
  }
  const Value* v = store_.Prop(o->h, prop);
  if (v != nullptr) return ToPropVal(prop, *v);
  Value zero;
  zero.type = DefaultTypeOf(prop);
  // Paragraphs always carry a font: unset properties read as the default,
  // as they do by GetInt.
  if (o->type == T_PGF) DefaultFontInt(prop, &zero.i);
  return ToPropVal(prop, zero);
}

PropVals MemHost::GetProps(ObjHandle doc, ObjHandle obj) {
  (void)doc;
  PropVals out{0, nullptr};
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return out;
  if (o->props.empty()) return out;
  out.val = static_cast<PropVal*>(std::calloc(o->props.size(), sizeof(PropVal)));
  for (const auto& kv : o->props) out.val[out.len++] = ToPropVal(kv.first, kv.second);
  return out;
}

void MemHost::SetProps(ObjHandle doc, ObjHandle obj, const PropVals* values) {
  (void)doc;
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return;
  if (values == nullptr) return;
  for (uint32_t i = 0; i < values->len; ++i) {
    const PropVal& pv = values->val[i];
    int32_t prop = pv.propIdent.num;
    if (prop == 0) continue;  // properties by name are not modelled
    // Formats lend their properties to paragraphs; a paragraph has no name.
    if (prop == PROP_NAME && o->type == T_PGF) continue;
    MarkChanged(*o, prop);
    if (prop == PROP_NAME && (o->type == T_CHAR_FMT || o->type == T_PGF_FMT)) {
      store_.SetName(o->h, pv.propVal.u.sval != nullptr ? pv.propVal.u.sval : "");
      continue;
    }
    store_.SetProp(o->h, prop, FromTypedVal(pv.propVal));
  }
}

}  // namespace memhost
