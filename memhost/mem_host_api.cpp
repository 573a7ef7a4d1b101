// The host operations of the in-memory host: dialogs, menus, documents and
// properties. Text operations are in mem_host_text.cpp.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "client/host_lists.h"
#include "memhost/mem_host.h"

namespace memhost {

namespace {

// Next-member properties and the chain each walks.
int32_t ChainOfNextProp(int32_t prop) {
  switch (prop) {
    case PROP_NEXT_FLOW_IN_DOC: return PROP_FIRST_FLOW_IN_DOC;
    case PROP_NEXT_TBL_IN_DOC: return PROP_FIRST_TBL_IN_DOC;
    case PROP_NEXT_FN_IN_DOC: return PROP_FIRST_FN_IN_DOC;
    case PROP_NEXT_FMT_DEF_A: return PROP_FIRST_FMT_DEF_A;
    case PROP_NEXT_FMT_DEF_B: return PROP_FIRST_FMT_DEF_B;
    case PROP_NEXT_FMT_DEF_C: return PROP_FIRST_FMT_DEF_C;
    case PROP_NEXT_TAG_REF_OBJ: return PROP_FIRST_TAG_REF_OBJ;
    case PROP_NEXT_FORMAT_PAGE: return PROP_FIRST_FORMAT_PAGE;
    case PROP_NEXT_CHAR_FMT_IN_DOC: return PROP_FIRST_CHAR_FMT_IN_DOC;
    default: return 0;
  }
}

bool IsChainFirstProp(int32_t prop) {
  switch (prop) {
    case PROP_FIRST_FLOW_IN_DOC: case PROP_FIRST_TBL_IN_DOC: case PROP_FIRST_FN_IN_DOC:
    case PROP_FIRST_FMT_DEF_A: case PROP_FIRST_FMT_DEF_B: case PROP_FIRST_FMT_DEF_C:
    case PROP_FIRST_TAG_REF_OBJ: case PROP_FIRST_FORMAT_PAGE: case PROP_FIRST_CHAR_FMT_IN_DOC:
      return true;
    default:
      return false;
  }
}

// The value type a property carries when nothing was stored for it.
int32_t DefaultTypeOf(int32_t prop) {
  switch (prop) {
    case PROP_NAME: case PROP_LABEL: case PROP_CHAR_TAG: case PROP_CHAR_STR_639:
    case PROP_CHAR_STR_640: case PROP_HOST_DIR: case PROP_STATUS_LINE: case PROP_TAG_REF:
    case PROP_FMT_DEF_A_TEXT: case PROP_FMT_DEF_TEXT: case PROP_DOC_CHAR_TAG_334:
    case PROP_DOC_CHAR_TAG_336: case PROP_DOC_CHAR_TAG_337: case PROP_DOC_CHAR_TAG_338:
    case PROP_DOC_CHAR_TAG_339: case MEM_PROP_PGF_TAG: case MEM_PROP_TBL_TAG:
      return VT_STRING;
    case PROP_FONT_SIZE: case PROP_CHARSPREAD: case PROP_STRETCH: case PROP_FONT_SIZE_UNIT:
      return VT_METRIC;
    case PROP_COLOR: case PROP_BACKGROUND_COLOR: case PROP_CURRENT_PAGE:
      return VT_ID;
    case PROP_TBL_COL_WIDTHS:
      return VT_METRICS;
    case PROP_FONT_FAMILY_NAMES: case PROP_FONT_VARIATION_NAMES: case PROP_FONT_WEIGHT_NAMES:
    case PROP_FONT_ANGLE_NAMES:
      return VT_STRINGS;
    case PROP_TEXT_SELECTION:
      return VT_TEXTRANGE;
    default:
      return VT_INT;
  }
}

PropVal ToPropVal(int32_t prop, const Value& v) {
  PropVal out{};
  out.propIdent.num = prop;
  out.propVal.valType = v.type;
  switch (v.type) {
    case VT_STRING:
      out.propVal.u.sval = CopyOut(v.s);
      break;
    case VT_METRICS: {
      out.propVal.u.ints.len = static_cast<uint32_t>(v.list.size());
      out.propVal.u.ints.val =
          static_cast<int32_t*>(std::malloc(std::max<size_t>(1, v.list.size()) * sizeof(int32_t)));
      if (!v.list.empty()) std::memcpy(out.propVal.u.ints.val, v.list.data(), v.list.size() * 4);
      break;
    }
    case VT_STRINGS: {
      out.propVal.u.ssval.len = static_cast<uint32_t>(v.strings.size());
      out.propVal.u.ssval.val =
          static_cast<char**>(std::malloc(std::max<size_t>(1, v.strings.size()) * sizeof(char*)));
      for (size_t i = 0; i < v.strings.size(); ++i) out.propVal.u.ssval.val[i] = CopyOut(v.strings[i]);
      break;
    }
    case VT_TEXTRANGE:
      out.propVal.u.trange = v.range;
      break;
    default:
      out.propVal.u.ival = v.i;
      break;
  }
  return out;
}

Value FromTypedVal(const TypedVal& t) {
  Value v;
  v.type = t.valType;
  switch (t.valType) {
    case VT_STRING:
      v.s = t.u.sval != nullptr ? t.u.sval : "";
      break;
    case VT_METRICS:
      if (t.u.ints.val != nullptr) v.list.assign(t.u.ints.val, t.u.ints.val + t.u.ints.len);
      break;
    case VT_STRINGS:
      for (uint32_t i = 0; i < t.u.ssval.len; ++i) {
        v.strings.push_back(t.u.ssval.val[i] != nullptr ? t.u.ssval.val[i] : "");
      }
      break;
    case VT_TEXTRANGE:
      v.range = t.u.trange;
      break;
    default:
      v.i = t.u.ival;
      break;
  }
  return v;
}

}  // namespace

void MemHost::FailNthCall(int64_t n, int32_t status) {
  failAt_ = n <= 0 ? 0 : callCount + n;
  failStatus_ = status;
}

bool MemHost::Fault(const char* op, int32_t* status) {
  ++callCount;
  if (recordCalls) callLog.emplace_back(op);
  int32_t failing = 0;
  if (failAt_ != 0 && callCount == failAt_) {
    failAt_ = 0;
    failing = failStatus_;
  } else if (failWith) {
    failing = failWith(op);
  }
  if (failing == 0) return false;
  ++failedCalls;
  HostErrno = failing;
  if (status != nullptr) *status = failing;
  return true;
}

void MemHost::MarkChanged(const Obj& o, int32_t prop) {
  if (IsViewProp(prop)) return;
  DocData* d = Data(o.type == T_DOC || o.type == T_BOOK ? o.h : o.doc);
  if (d != nullptr) d->dirty = true;
}

bool MemHost::Bad(ObjHandle h, Obj** out) {
  Obj* o = Find(h);
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
  return Bad(obj == 0 ? app_ : obj, out);
}

// ---- Dialogs, console, notifications ----

int32_t MemHost::Alert(const char* message, int32_t type) {
  bool failed = Fault(__func__);
  if (recordCalls) callLog.back() += std::to_string(type);
  // As the bridge: a question that could not be put is no confirmation.
  if (failed) return -1;
  DialogRecord r{DialogRecord::ALERT, type, message != nullptr ? message : "", {}, -1, 0};
  if (!(responder && responder(r))) {
    if (!alertAnswers.empty()) {
      r.answer = alertAnswers.front();
      alertAnswers.pop_front();
    } else {
      r.answer = type == 1 ? defaultAlertAnswer : 0;
    }
  }
  dialogs.push_back(r);
  return r.answer;
}

int32_t MemHost::ScrollBox(int32_t* chosen, const char* title, const HostStrings* items,
                           int32_t defaultIndex) {
  if (Fault(__func__)) return -1;
  DialogRecord r{DialogRecord::SCROLL_BOX, 0, title != nullptr ? title : "", {}, defaultIndex, -1};
  uint32_t count = items != nullptr ? items->len : 0;
  for (uint32_t i = 0; i < count; ++i) {
    r.items.push_back(items->val[i] != nullptr ? items->val[i] : "");
  }
  if (!(responder && responder(r))) {
    if (!choices.empty()) {
      r.answer = choices.front();
      choices.pop_front();
    } else {
      r.answer = defaultIndex;
    }
  }
  if (r.answer < 0 || static_cast<uint32_t>(r.answer) >= count) r.answer = -1;
  dialogs.push_back(r);
  if (chosen != nullptr && r.answer >= 0) *chosen = r.answer;
  return r.answer >= 0 ? 0 : -1;
}

int32_t MemHost::PrintConsole(const char* text) {
  int32_t status = 0;
  if (Fault(__func__, &status)) return status;
  console += text != nullptr ? text : "";
  return 0;
}

int32_t MemHost::RequestNotification(int32_t note, int32_t enable) {
  int32_t status = 0;
  if (Fault(__func__, &status)) return status;
  if (enable != 0) {
    notifications.insert(note);
  } else {
    notifications.erase(note);
  }
  return 0;
}

// ---- Menus and named objects ----

ObjHandle MemHost::DefineMenu(const char* tag, const char* label) {
  if (Fault(__func__)) return 0;
  ObjHandle m = NewObject(T_MENU, 0);
  SetName(m, tag != nullptr ? tag : "");
  SetStringProp(m, PROP_LABEL, label != nullptr ? label : "");
  return m;
}

ObjHandle MemHost::DefineAndAddMenu(ObjHandle parent, const char* tag, const char* label) {
  if (Fault(__func__)) return 0;
  Obj* p = nullptr;
  if (Bad(parent, &p) || p->type != T_MENU) {
    HostErrno = STATUS_BAD_OBJECT;
    return 0;
  }
  ObjHandle m = NewObject(T_MENU, 0);
  SetName(m, tag != nullptr ? tag : "");
  SetStringProp(m, PROP_LABEL, label != nullptr ? label : "");
  AppendKid(parent, m);
  return m;
}

ObjHandle MemHost::DefineAndAddCommand(int32_t number, ObjHandle menu, const char* tag,
                                       const char* label, const char* shortcut) {
  if (Fault(__func__)) return 0;
  Obj* p = nullptr;
  if (Bad(menu, &p) || p->type != T_MENU) {
    HostErrno = STATUS_BAD_OBJECT;
    return 0;
  }
  ObjHandle c = NewObject(T_COMMAND, 0);
  Obj* o = Find(c);
  o->commandNumber = number;
  o->shortcut = shortcut != nullptr ? shortcut : "";
  SetName(c, tag != nullptr ? tag : "");
  SetStringProp(c, PROP_LABEL, label != nullptr ? label : "");
  AppendKid(menu, c);
  return c;
}

int32_t MemHost::AddItemToMenu(ObjHandle menu, ObjHandle item) {
  int32_t status = 0;
  if (Fault(__func__, &status)) return status;
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
  if (Fault(__func__)) return 0;
  if (doc != 0 && BadDoc(doc, nullptr, false)) return 0;
  ObjHandle h = NamedObject(doc, type, name != nullptr ? name : "");
  if (h == 0) HostErrno = STATUS_NOT_FOUND;
  return h;
}

ObjHandle MemHost::NewNamedObject(ObjHandle doc, int32_t type, const char* name) {
  if (Fault(__func__)) return 0;
  Obj* owner = nullptr;
  if (doc != 0 && BadDoc(doc, &owner, false)) return 0;
  bool appLevel = type == OBJ_MENU || type == OBJ_COMMAND || type == OBJ_MENU_SEPARATOR;
  bool docLevel = type == T_CHAR_FMT || type == T_PGF_FMT || type == T_TBL_FMT || type == T_COLOR;
  if (doc == 0 ? !appLevel : !docLevel) {
    HostErrno = STATUS_BAD_ARGUMENT;
    return 0;
  }
  ObjHandle h = NewObject(type, doc);
  SetName(h, name != nullptr ? name : "");
  if (owner != nullptr) MarkChanged(*owner);
  return h;
}

int32_t MemHost::DeleteObject(ObjHandle doc, ObjHandle obj) {
  int32_t status = 0;
  if (Fault(__func__, &status)) return status;
  Obj* o = nullptr;
  if ((doc != 0 && BadDoc(doc, nullptr, true)) || Bad(obj, &o) || (doc != 0 && o->doc != doc)) {
    HostErrno = STATUS_BAD_OBJECT;
    return STATUS_BAD_OBJECT;
  }
  if (o->type == T_CHAR_FMT && IntProp(obj, MEM_PROP_FORMAT_IN_USE) != 0) {
    keptInUse.emplace_back(StringProp(o->doc, PROP_NAME), StringProp(obj, PROP_NAME));
    HostErrno = STATUS_IN_USE;
    return STATUS_IN_USE;
  }
  if (o->type == T_CHAR_FMT || o->type == T_PGF_FMT || o->type == T_COLOR ||
      o->type == T_TBL_FMT || o->type == T_SEPARATOR || o->type == T_COMMAND || o->type == T_MENU) {
    MarkChanged(*o);  // before the object goes
    RemoveNamedObject(o->doc, o->type, StringProp(obj, PROP_NAME));
    return 0;
  }
  RemoveFromChain(obj);
  RemoveKid(obj);
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
  for (const auto* list : {&openDocs, &openBooks}) {
    for (ObjHandle d : *list) {
      if (StringProp(d, PROP_NAME) == path) return d;
    }
  }
  auto it = files.find(path);
  if (it == files.end() || it->second.failOpen) {
    *failed = true;
    return 0;
  }
  // A copy made again only to be opened is opened itself, not copied once
  // more: the file keeps no copy until the document is saved.
  bool made = it->second.image == 0 && it->second.load;
  ObjHandle image = FileImage(path);
  if (image == 0) {
    *failed = true;
    return 0;
  }
  if (made) {
    it->second.image = 0;
    Data(image)->isImage = false;
    SetStringProp(image, PROP_NAME, path);
    return image;
  }
  ObjHandle doc = CloneDocument(image, false);
  SetStringProp(doc, PROP_NAME, path);
  return doc;
}

ObjHandle MemHost::OpenDocument(const char* path, const PropVals* params, PropVals** ret) {
  (void)params;
  ReturnList(ret, &openReturn_);
  if (Fault(__func__)) return 0;
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
  Activate(doc);
  return doc;
}

ObjHandle MemHost::SaveDocument(ObjHandle doc, const char* path, const PropVals* params,
                                PropVals** ret) {
  (void)params;
  ReturnList(ret, &saveReturn_);
  if (Fault(__func__)) return 0;
  if (BadDoc(doc, nullptr, false)) return 0;
  std::string where = path != nullptr ? path : "";
  TypedVal status{};
  status.valType = VT_INT;
  auto it = files.find(where);
  if (where.empty() || (it != files.end() && it->second.failSave)) {
    status.u.ival = STATUS_SAVE_FAILED;
    PropValsSet(&saveReturn_, 1, &status);
    HostErrno = STATUS_SAVE_FAILED;
    return 0;
  }
  PropValsSet(&saveReturn_, 1, &status);
  // Under another name it is not what that file held.
  if (StringProp(doc, PROP_NAME) != where) Data(doc)->dirty = true;
  SetStringProp(doc, PROP_NAME, where);
  StoreFile(doc, where);
  return doc;
}

int32_t MemHost::CloseDocument(ObjHandle doc, int32_t flags) {
  (void)flags;
  int32_t status = 0;
  if (Fault(__func__, &status)) return status;
  Obj* o = nullptr;
  if (Bad(doc, &o) || (o->type != T_DOC && o->type != T_BOOK)) {
    HostErrno = STATUS_BAD_OBJECT;
    return STATUS_BAD_OBJECT;
  }
  std::string name = StringProp(doc, PROP_NAME);
  DestroyDocument(doc);
  // A saved copy that is still what the file holds can be made again; a
  // changed one, once settled.
  auto it = files.find(name);
  if (it != files.end() && it->second.load && it->second.image != 0) {
    FileEntry& entry = it->second;
    if (!Data(entry.image)->dirty || (entry.settle && entry.settle(entry.image))) {
      DestroyDocument(entry.image);
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
  if (Fault(__func__)) return 0;
  if (width <= 0 || height <= 0 || columns < 1) {
    HostErrno = STATUS_BAD_ARGUMENT;
    return 0;
  }
  ObjHandle doc = NewDocument("");
  SetIntProp(doc, MEM_PROP_PAGE_WIDTH, width, VT_METRIC);
  SetIntProp(doc, MEM_PROP_PAGE_HEIGHT, height, VT_METRIC);
  SetIntProp(doc, MEM_PROP_COLUMNS, columns);
  Value margins;
  margins.type = VT_METRICS;
  margins.list = {top, bottom, left, right};
  SetProp(doc, MEM_PROP_MARGINS, margins);
  // The host opens a new document with the insertion point at the start of
  // its empty first paragraph.
  ObjHandle pgf = AddDefaultContent(doc);
  Value selection;
  selection.type = VT_TEXTRANGE;
  selection.range = TextRange{{pgf, 0}, {pgf, 0}};
  SetProp(doc, PROP_TEXT_SELECTION, selection);
  // Nothing on disk holds what it holds.
  Data(doc)->dirty = true;
  return doc;
}

int32_t MemHost::Redisplay(ObjHandle doc) {
  int32_t status = 0;
  if (Fault(__func__, &status)) return status;
  if (BadDoc(doc, nullptr, true)) return HostErrno;
  ++redisplayCount;
  return 0;
}

int32_t MemHost::ScrollToText(ObjHandle doc, TextRange range) {
  int32_t status = 0;
  if (Fault(__func__, &status)) return status;
  if (BadDoc(doc, nullptr, false)) return HostErrno;
  if (range.beg.obj != 0 && Find(range.beg.obj) == nullptr) {
    HostErrno = STATUS_BAD_OBJECT;
    return STATUS_BAD_OBJECT;
  }
  return 0;
}

// ---- Properties ----

ObjHandle MemHost::StructuralId(const Obj& o, ObjHandle doc, int32_t prop, bool* known) {
  *known = true;
  if (o.type == T_APPLICATION) {
    switch (prop) {
      case PROP_ACTIVE_DOC: return activeDoc;
      case PROP_ACTIVE_BOOK: return activeBook;
      case PROP_FIRST_OPEN_DOC: return openDocs.empty() ? 0 : openDocs[0];
      default: break;
    }
  }
  if (o.type == T_DOC || o.type == T_BOOK) {
    if (prop == PROP_NEXT_OPEN_DOC) {
      auto it = std::find(openDocs.begin(), openDocs.end(), o.h);
      return (it == openDocs.end() || it + 1 == openDocs.end()) ? 0 : *(it + 1);
    }
    if (IsChainFirstProp(prop)) return ChainFirst(o.h, prop);
    if (prop == PROP_SELECTED_TBL) {
      const Value* sel = Prop(o.h, PROP_TEXT_SELECTION);
      const Obj* p = sel == nullptr ? nullptr : Find(sel->range.beg.obj);
      const Obj* c = p == nullptr ? nullptr : Find(p->parent);
      if (c != nullptr && c->type == T_TABLE) return c->h;
      if (c != nullptr && c->type == T_CELL) {
        const Obj* row = Find(c->parent);
        return row == nullptr ? 0 : row->parent;
      }
      return 0;
    }
    if (prop == PROP_FIRST_COMPONENT_IN_BOOK && o.type == T_BOOK) {
      return o.kids.empty() ? 0 : o.kids[0];
    }
  }
  if (prop == PROP_NEXT_FN) {
    // Not the document's list of footnotes but the order the text gives
    // them, which the list need not follow.
    if (o.type != T_FOOTNOTE) return 0;
    std::vector<ObjHandle> order = FootnotesInTextOrder(o.doc);
    auto it = std::find(order.begin(), order.end(), o.h);
    return (it == order.end() || it + 1 == order.end()) ? 0 : *(it + 1);
  }
  int32_t chain = ChainOfNextProp(prop);
  if (chain != 0) {
    return o.chain == chain ? o.chainNext : 0;
  }
  const Obj* parent = Find(o.parent);
  switch (prop) {
    case PROP_FIRST_FRAME_IN_FLOW:
      if (o.type == T_FLOW) return o.kids.empty() ? 0 : o.kids.front();
      break;
    case PROP_LAST_FRAME_IN_FLOW:
      if (o.type == T_FLOW) return o.kids.empty() ? 0 : o.kids.back();
      break;
    case PROP_NEXT_FRAME_IN_FLOW:
      if (o.type == T_TEXT_FRAME && parent != nullptr && parent->type == T_FLOW) {
        return o.index + 1 < parent->kids.size() ? parent->kids[o.index + 1] : 0;
      }
      return 0;
    case PROP_FLOW_OF_FRAME:
      if (o.type == T_TEXT_FRAME) return parent != nullptr && parent->type == T_FLOW ? parent->h : 0;
      break;
    case PROP_FIRST_PGF:
      if (o.type == T_TEXT_FRAME || o.type == T_CELL || o.type == T_FOOTNOTE || o.type == T_TABLE) {
        return FirstPgfOf(o.h);
      }
      break;
    case PROP_LAST_PGF:
      if (o.type == T_TEXT_FRAME || o.type == T_CELL || o.type == T_FOOTNOTE) {
        return o.kids.empty() ? 0 : o.kids.back();
      }
      break;
    case PROP_NEXT_PGF:
      if (o.type == T_PGF) return NextPgf(o.h);
      break;
    case PROP_IN_TEXT_OBJ:
      if (o.type == T_PGF) return o.parent;
      break;
    case PROP_IN_TEXT_FRAME:
      if (o.type == T_PGF) {
        const Obj* c = parent;
        for (int depth = 0; c != nullptr && depth < 64; ++depth) {
          if (c->type == T_TEXT_FRAME) return c->h;
          const Obj* holder = c;
          if (c->type == T_CELL) {
            const Obj* row = Find(c->parent);
            holder = row == nullptr ? nullptr : Find(row->parent);
          }
          if (holder == nullptr) return 0;
          const Value* anchor = Prop(holder->h, MEM_PROP_ANCHOR_PGF);
          const Obj* ap = anchor == nullptr ? nullptr : Find(static_cast<ObjHandle>(anchor->i));
          c = ap == nullptr ? nullptr : Find(ap->parent);
        }
        return 0;
      }
      break;
    case PROP_FIRST_ROW:
      if (o.type == T_TABLE) return o.kids.empty() ? 0 : o.kids[0];
      break;
    case PROP_NEXT_ROW:
      if (o.type == T_ROW && parent != nullptr) {
        return o.index + 1 < parent->kids.size() ? parent->kids[o.index + 1] : 0;
      }
      break;
    case PROP_FIRST_CELL:
      if (o.type == T_ROW) return o.kids.empty() ? 0 : o.kids[0];
      break;
    case PROP_NEXT_CELL:
      if (o.type == T_CELL && parent != nullptr) {
        return o.index + 1 < parent->kids.size() ? parent->kids[o.index + 1] : 0;
      }
      break;
    case PROP_CELL_ROW:
      if (o.type == T_CELL) return o.parent;
      break;
    case PROP_NEXT_COMPONENT:
      if (o.type == T_COMPONENT && parent != nullptr) {
        return o.index + 1 < parent->kids.size() ? parent->kids[o.index + 1] : 0;
      }
      break;
    case PROP_FIRST_CHILD_COMPONENT:
      if (o.type == T_COMPONENT) return o.kids.empty() ? 0 : o.kids[0];
      break;
    case PROP_PARENT_COMPONENT:
      if (o.type == T_COMPONENT) return parent != nullptr && parent->type == T_COMPONENT ? parent->h : 0;
      break;
    case PROP_FIRST_MENU_ITEM:
      if (o.type == T_MENU) return o.kids.empty() ? 0 : o.kids[0];
      break;
    case PROP_NEXT_MENU_ITEM: {
      const Obj* menu = Find(doc);
      if (menu == nullptr || menu->type != T_MENU) return 0;
      auto it = std::find(menu->kids.begin(), menu->kids.end(), o.h);
      return (it == menu->kids.end() || it + 1 == menu->kids.end()) ? 0 : *(it + 1);
    }
    default:
      break;
  }
  *known = false;
  return 0;
}

int32_t MemHost::StructuralInt(const Obj& o, int32_t prop, bool* known) {
  *known = true;
  if (prop == PROP_CELL_COL_NUM && o.type == T_CELL) return static_cast<int32_t>(o.index);
  *known = false;
  return 0;
}

// The footnotes of a document in the order of their anchors: the flows in
// turn, a table's footnotes where the table stands; footnotes whose anchor
// is nowhere in the text come last, in the document's order.
std::vector<ObjHandle> MemHost::FootnotesInTextOrder(ObjHandle doc) {
  std::vector<ObjHandle> out;
  for (ObjHandle flow : Chain(doc, PROP_FIRST_FLOW_IN_DOC)) {
    for (ObjHandle p = FirstPgfOf(flow); p != 0; p = NextPgf(p)) CollectFootnotes(p, &out, 0);
  }
  for (ObjHandle fn : Chain(doc, PROP_FIRST_FN_IN_DOC)) {
    if (std::find(out.begin(), out.end(), fn) == out.end()) out.push_back(fn);
  }
  return out;
}

void MemHost::CollectFootnotes(ObjHandle pgf, std::vector<ObjHandle>* out, int depth) {
  const Obj* p = Find(pgf);
  if (p == nullptr || depth > 16) return;
  for (const Marker& m : p->markers) {
    ObjHandle target = static_cast<ObjHandle>(m.datum);
    if (m.kind == ITEM_FOOTNOTE_ANCHOR && Find(target) != nullptr) {
      if (std::find(out->begin(), out->end(), target) == out->end()) out->push_back(target);
    } else if (m.kind == ITEM_TABLE_ANCHOR) {
      const Obj* t = Find(target);
      if (t == nullptr || t->type != T_TABLE) continue;
      for (ObjHandle title : t->titlePgfs) CollectFootnotes(title, out, depth + 1);
      for (ObjHandle row : t->kids) {
        const Obj* r = Find(row);
        for (ObjHandle cell : r != nullptr ? r->kids : std::vector<ObjHandle>()) {
          const Obj* c = Find(cell);
          for (ObjHandle cp : c != nullptr ? c->kids : std::vector<ObjHandle>()) {
            CollectFootnotes(cp, out, depth + 1);
          }
        }
      }
    }
  }
}

int32_t MemHost::GetInt(ObjHandle doc, ObjHandle obj, int32_t prop) {
  if (Fault(__func__)) return 0;
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return 0;
  bool known = false;
  int32_t v = StructuralInt(*o, prop, &known);
  if (known) return v;
  ObjHandle id = StructuralId(*o, doc, prop, &known);
  if (known) return static_cast<int32_t>(id);
  return IntProp(o->h, prop);
}

void MemHost::SetInt(ObjHandle doc, ObjHandle obj, int32_t prop, int32_t value) {
  (void)doc;
  if (Fault(__func__)) return;
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return;
  const Value* old = Prop(o->h, prop);
  SetIntProp(o->h, prop, value, old != nullptr ? old->type : DefaultTypeOf(prop));
  MarkChanged(*o, prop);
}

ObjHandle MemHost::GetId(ObjHandle doc, ObjHandle obj, int32_t prop) {
  if (Fault(__func__)) return 0;
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return 0;
  bool known = false;
  ObjHandle id = StructuralId(*o, doc, prop, &known);
  if (known) return id;
  return static_cast<ObjHandle>(IntProp(o->h, prop));
}

void MemHost::SetId(ObjHandle doc, ObjHandle obj, int32_t prop, ObjHandle value) {
  if (Fault(__func__)) return;
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
  SetIntProp(o->h, prop, static_cast<int32_t>(value), VT_ID);
  MarkChanged(*o, prop);
}

Metric MemHost::GetMetric(ObjHandle doc, ObjHandle obj, int32_t prop) {
  return GetInt(doc, obj, prop);
}

char* MemHost::GetString(ObjHandle doc, ObjHandle obj, int32_t prop) {
  (void)doc;
  if (Fault(__func__)) return nullptr;
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return nullptr;
  return CopyOut(StringProp(o->h, prop));
}

void MemHost::SetString(ObjHandle doc, ObjHandle obj, int32_t prop, const char* value) {
  (void)doc;
  if (Fault(__func__)) return;
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return;
  std::string v = value != nullptr ? value : "";
  bool named = o->type == T_CHAR_FMT || o->type == T_PGF_FMT || o->type == T_COLOR ||
               o->type == T_TBL_FMT || o->type == T_MENU || o->type == T_COMMAND ||
               o->type == T_SEPARATOR;
  MarkChanged(*o, prop);
  if (prop == PROP_NAME && named) {
    SetName(o->h, v);
    return;
  }
  SetStringProp(o->h, prop, v);
  if (prop == PROP_STATUS_LINE && o->type == T_BOOK && statusObserver) statusObserver(v);
}

HostStrings MemHost::GetStrings(ObjHandle doc, ObjHandle obj, int32_t prop) {
  (void)doc;
  HostStrings out{0, nullptr};
  if (Fault(__func__)) return out;
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return out;
  const Value* v = Prop(o->h, prop);
  if (v == nullptr || v->strings.empty()) return out;
  out.val = static_cast<char**>(std::malloc(v->strings.size() * sizeof(char*)));
  out.len = static_cast<uint32_t>(v->strings.size());
  for (size_t i = 0; i < v->strings.size(); ++i) out.val[i] = CopyOut(v->strings[i]);
  return out;
}

MetricList MemHost::GetMetrics(ObjHandle doc, ObjHandle obj, int32_t prop) {
  (void)doc;
  MetricList out{0, nullptr};
  if (Fault(__func__)) return out;
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return out;
  const Value* v = Prop(o->h, prop);
  if (v == nullptr || v->list.empty()) return out;
  out.val = static_cast<Metric*>(std::malloc(v->list.size() * sizeof(Metric)));
  out.len = static_cast<uint32_t>(v->list.size());
  std::memcpy(out.val, v->list.data(), v->list.size() * sizeof(Metric));
  return out;
}

void MemHost::SetMetrics(ObjHandle doc, ObjHandle obj, int32_t prop, const MetricList* value) {
  (void)doc;
  if (Fault(__func__)) return;
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return;
  Value v;
  v.type = VT_METRICS;
  if (value != nullptr && value->val != nullptr) v.list.assign(value->val, value->val + value->len);
  SetProp(o->h, prop, v);
  MarkChanged(*o, prop);
}

TextRange MemHost::GetTextRange(ObjHandle doc, ObjHandle obj, int32_t prop) {
  (void)doc;
  TextRange none{{0, 0}, {0, 0}};
  if (Fault(__func__)) return none;
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return none;
  const Value* v = Prop(o->h, prop);
  if (v == nullptr) return none;
  // A selection whose paragraph has gone is no selection.
  if (v->range.beg.obj != 0 && Find(v->range.beg.obj) == nullptr) return none;
  return v->range;
}

void MemHost::SetTextRange(ObjHandle doc, ObjHandle obj, int32_t prop, TextRange value) {
  (void)doc;
  if (Fault(__func__)) return;
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return;
  if (value.beg.obj != 0 && Find(value.beg.obj) == nullptr) {
    HostErrno = STATUS_BAD_OBJECT;
    return;
  }
  Value v;
  v.type = VT_TEXTRANGE;
  v.range = value;
  SetProp(o->h, prop, v);
  MarkChanged(*o, prop);
}

PropVal MemHost::GetPropVal(ObjHandle doc, ObjHandle obj, int32_t prop) {
  if (Fault(__func__)) return PropVal{};
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return PropVal{};
  bool known = false;
  ObjHandle id = StructuralId(*o, doc, prop, &known);
  if (known) {
    Value v;
    v.type = VT_ID;
    v.i = static_cast<int32_t>(id);
    return ToPropVal(prop, v);
  }
  const Value* v = Prop(o->h, prop);
  if (v != nullptr) return ToPropVal(prop, *v);
  Value zero;
  zero.type = DefaultTypeOf(prop);
  if (o->type == T_PGF) {
    // Paragraphs always carry a font: unset properties read as the default.
    CharProps font = ParagraphFont(o->h);
    int k = CharIntIndex(prop);
    if (k >= 0) zero.i = font.ints[k];
  }
  return ToPropVal(prop, zero);
}

PropVals MemHost::GetProps(ObjHandle doc, ObjHandle obj) {
  (void)doc;
  PropVals out{0, nullptr};
  if (Fault(__func__)) return out;
  Obj* o = nullptr;
  if (BadTarget(doc, obj, &o)) return out;
  if (o->props.empty()) return out;
  out.val = static_cast<PropVal*>(std::calloc(o->props.size(), sizeof(PropVal)));
  for (const auto& kv : o->props) out.val[out.len++] = ToPropVal(kv.first, kv.second);
  return out;
}

void MemHost::SetProps(ObjHandle doc, ObjHandle obj, const PropVals* values) {
  (void)doc;
  if (Fault(__func__)) return;
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
      SetName(o->h, pv.propVal.u.sval != nullptr ? pv.propVal.u.sval : "");
      continue;
    }
    SetProp(o->h, prop, FromTypedVal(pv.propVal));
  }
}

}  // namespace memhost
