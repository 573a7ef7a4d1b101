// The document model of the in-memory host: objects, chains, containers,
// documents, files and paragraph text.
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "memhost/doc_store.h"

namespace memhost {

DocStore::DocStore() {
  objects_.emplace_back();  // serial 0 is never used: handle 0 means none
  app_ = NewObject(T_APPLICATION, 0);
  SetIntProp(app_, PROP_DISPLAYING, 1);
  SetStringProp(app_, PROP_HOST_DIR, "");
  Value names;
  names.type = VT_STRINGS;
  names.strings() = {"Times", "Helvetica", "Courier", "Symbol"};
  SetProp(app_, PROP_FONT_FAMILY_NAMES, names);
  names.strings() = {"Regular", "Narrow", "Wide"};
  SetProp(app_, PROP_FONT_VARIATION_NAMES, names);
  names.strings() = {"Regular", "Bold", "Light"};
  SetProp(app_, PROP_FONT_WEIGHT_NAMES, names);
  names.strings() = {"Regular", "Italic", "Oblique"};
  SetProp(app_, PROP_FONT_ANGLE_NAMES, names);
  for (const char* bar : {"!MakerMainMenu", "!QuickMakerMainMenu", "!BookMainMenu"}) {
    ObjHandle m = NewObject(T_MENU, 0);
    SetName(m, bar);
  }
  for (int i = 1; i <= 5; ++i) {
    ObjHandle s = NewObject(T_SEPARATOR, 0);
    SetName(s, "Separator" + std::to_string(i));
  }
}

Obj* DocStore::Find(ObjHandle h) {
  uint32_t serial = h & 0xFFFFFFu;
  if (h == 0 || serial >= objects_.size()) return nullptr;
  Obj* o = objects_[serial].get();
  if (o == nullptr || !o->alive || o->h != h) return nullptr;
  // The objects of a saved file are no live objects of the host.
  const DocData* d = Data((o->type == T_DOC || o->type == T_BOOK) ? h : o->doc);
  return d != nullptr && d->isImage ? nullptr : o;
}

void DocStore::ForEachObject(const std::function<void(const Obj&)>& visit) const {
  for (const auto& o : objects_) {
    if (o && o->alive) visit(*o);
  }
}

const Obj* DocStore::Find(ObjHandle h) const { return const_cast<DocStore*>(this)->Find(h); }

uint32_t DocStore::FreeSerial() {
  if (objects_.size() <= kMaxSerial) {
    objects_.emplace_back();
    return static_cast<uint32_t>(objects_.size() - 1);
  }
  // Handles have 24 bits of serial: once they are all spent, the slots of
  // destroyed objects are taken again, oldest first.
  for (uint32_t tries = 0; tries < kMaxSerial; ++tries) {
    reuseCursor_ = reuseCursor_ % kMaxSerial + 1;
    if (!objects_[reuseCursor_]) return reuseCursor_;
  }
  return 0;
}

ObjHandle DocStore::NewObject(int32_t type, ObjHandle doc) {
  uint32_t serial = FreeSerial();
  if (serial == 0) return 0;
  auto o = std::make_unique<Obj>();
  o->h = (static_cast<uint32_t>(type) << 24) | serial;
  o->type = type;
  o->doc = doc;
  objects_[serial] = std::move(o);
  ObjHandle h = objects_[serial]->h;
  if (type == T_DOC || type == T_BOOK) KeepDocData(h, std::make_unique<DocData>());
  if (doc != 0) {
    DocData* d = Data(doc);
    if (d != nullptr) d->members.push_back(serial);
  }
  return h;
}

DocData* DocStore::Data(ObjHandle doc) {
  uint32_t serial = doc & 0xFFFFFFu;
  if (doc == 0 || serial >= docData_.size()) return nullptr;
  DocData* d = docData_[serial].get();
  return d != nullptr && d->handle == doc ? d : nullptr;
}

void DocStore::KeepDocData(ObjHandle doc, std::unique_ptr<DocData> data) {
  uint32_t serial = doc & 0xFFFFFFu;
  if (serial >= docData_.size()) docData_.resize(serial + 1);
  data->handle = doc;
  docData_[serial] = std::move(data);
}

void DocStore::SetProp(ObjHandle h, int32_t prop, const Value& v) {
  uint32_t serial = h & 0xFFFFFFu;
  if (serial >= objects_.size() || !objects_[serial]) return;
  PropSlot(&objects_[serial]->props, prop) = v;
}

const Value* DocStore::Prop(ObjHandle h, int32_t prop) const {
  uint32_t serial = h & 0xFFFFFFu;
  if (serial >= objects_.size() || !objects_[serial]) return nullptr;
  return FindProp(objects_[serial]->props, prop);
}

void DocStore::SetIntProp(ObjHandle h, int32_t prop, int32_t v, int32_t type) {
  Value value;
  value.type = type;
  value.i = v;
  SetProp(h, prop, value);
}

void DocStore::SetStringProp(ObjHandle h, int32_t prop, const std::string& v) {
  Value value;
  value.type = VT_STRING;
  value.s = v;
  SetProp(h, prop, value);
}

int32_t DocStore::IntProp(ObjHandle h, int32_t prop) const {
  const Value* v = Prop(h, prop);
  return v == nullptr ? 0 : v->i;
}

std::string DocStore::StringProp(ObjHandle h, int32_t prop) const {
  const Value* v = Prop(h, prop);
  return v == nullptr ? std::string() : v->s;
}

// ---- Chains and containers ----

void DocStore::AppendToChain(ObjHandle doc, int32_t firstProp, ObjHandle obj) {
  DocData* d = Data(doc);
  Obj* o = objects_[obj & 0xFFFFFFu].get();
  if (d == nullptr || o == nullptr) return;
  ChainList& chain = d->chains[firstProp];
  ChainLink& link = o->link.Own();
  link.chain = firstProp;
  link.prev = chain.last;
  link.next = 0;
  if (chain.last != 0) {
    objects_[chain.last & 0xFFFFFFu]->link.Own().next = obj;
  } else {
    chain.first = obj;
  }
  chain.last = obj;
  if (!chain.stale) chain.members.push_back(obj);
}

void DocStore::RemoveFromChain(ObjHandle obj) {
  Obj* o = objects_[obj & 0xFFFFFFu].get();
  if (o == nullptr || o->link.get().chain == 0) return;
  DocData* d = Data(o->doc);
  if (d == nullptr) return;
  const ChainLink link = o->link.get();
  ChainList& chain = d->chains[link.chain];
  (link.prev != 0 ? objects_[link.prev & 0xFFFFFFu]->link.Own().next : chain.first) = link.next;
  (link.next != 0 ? objects_[link.next & 0xFFFFFFu]->link.Own().prev : chain.last) = link.prev;
  chain.stale = true;
  o->link.reset();
}

ObjHandle DocStore::ChainFirst(ObjHandle doc, int32_t firstProp) {
  DocData* d = Data(doc);
  if (d == nullptr) return 0;
  auto it = d->chains.find(firstProp);
  return it == d->chains.end() ? 0 : it->second.first;
}

const std::vector<ObjHandle>& DocStore::Chain(ObjHandle doc, int32_t firstProp) {
  static const std::vector<ObjHandle> kEmpty;
  DocData* d = Data(doc);
  if (d == nullptr) return kEmpty;
  auto it = d->chains.find(firstProp);
  if (it == d->chains.end()) return kEmpty;
  ChainList& chain = it->second;
  if (chain.stale) {
    chain.members.clear();
    for (ObjHandle h = chain.first; h != 0; h = objects_[h & 0xFFFFFFu]->link.get().next) {
      chain.members.push_back(h);
    }
    chain.stale = false;
  }
  return chain.members;
}

void DocStore::AppendKid(ObjHandle parent, ObjHandle kid) {
  Obj* p = objects_[parent & 0xFFFFFFu].get();
  InsertKid(parent, static_cast<uint32_t>(p->kids.size()), kid);
}

void DocStore::InsertKid(ObjHandle parent, uint32_t at, ObjHandle kid) {
  Obj* p = objects_[parent & 0xFFFFFFu].get();
  Obj* k = objects_[kid & 0xFFFFFFu].get();
  if (p == nullptr || k == nullptr) return;
  at = std::min<uint32_t>(at, static_cast<uint32_t>(p->kids.size()));
  p->kids.insert(p->kids.begin() + at, kid);
  k->parent = parent;
  for (uint32_t i = at; i < p->kids.size(); ++i) objects_[p->kids[i] & 0xFFFFFFu]->index = i;
}

void DocStore::AppendTitle(ObjHandle table, ObjHandle pgf) {
  Obj* t = objects_[table & 0xFFFFFFu].get();
  Obj* k = objects_[pgf & 0xFFFFFFu].get();
  k->parent = table;
  k->index = static_cast<uint32_t>(t->titlePgfs.size());
  t->titlePgfs.push_back(pgf);
}

void DocStore::RemoveKid(ObjHandle kid) {
  Obj* k = objects_[kid & 0xFFFFFFu].get();
  if (k == nullptr || k->parent == 0) return;
  Obj* p = objects_[k->parent & 0xFFFFFFu].get();
  RareList<ObjHandle>& list = (p->type == T_TABLE && k->type == T_PGF) ? p->titlePgfs : p->kids;
  const ObjHandle* it = std::find(list.begin(), list.end(), kid);
  if (it == list.end()) return;
  size_t at = static_cast<size_t>(it - list.begin());
  list.erase(it);
  for (size_t i = at; i < list.size(); ++i) {
    objects_[list[i] & 0xFFFFFFu]->index = static_cast<uint32_t>(i);
  }
  k->parent = 0;
}

// ---- Documents, books and files ----

ObjHandle DocStore::NewDocument(const std::string& path) {
  ObjHandle doc = NewObject(T_DOC, 0);
  SetStringProp(doc, PROP_NAME, path);
  SetIntProp(doc, PROP_FONT_SIZE_UNIT, 0x10000, VT_METRIC);
  SetIntProp(doc, PROP_DOC_WALK_FLAG, 0);
  openDocs.push_back(doc);
  activeDoc = doc;
  return doc;
}

ObjHandle DocStore::NewBook(const std::string& path) {
  ObjHandle book = NewObject(T_BOOK, 0);
  SetStringProp(book, PROP_NAME, path);
  SetStringProp(book, PROP_STATUS_LINE, "");
  openBooks.push_back(book);
  activeBook = book;
  return book;
}

void DocStore::Activate(ObjHandle doc) {
  const Obj* o = Find(doc);
  if (o == nullptr) return;
  std::vector<ObjHandle>& open = o->type == T_BOOK ? openBooks : openDocs;
  if (std::find(open.begin(), open.end(), doc) == open.end()) open.push_back(doc);
  (o->type == T_BOOK ? activeBook : activeDoc) = doc;
}

ObjHandle DocStore::AddDefaultContent(ObjHandle doc) {
  struct Fmt {
    const char* name;
    int32_t size;
    int32_t weight;
  };
  const Fmt fmts[] = {{"Body", 12, 0},     {"Heading1", 18, 1},    {"Heading2", 14, 1},
                      {"CellBody", 10, 0}, {"CellHeading", 10, 1}, {"TableTitle", 12, 1}};
  for (const Fmt& f : fmts) {
    ObjHandle h = NewObject(T_PGF_FMT, doc);
    SetName(h, f.name);
    SetStringProp(h, MEM_PROP_PGF_TAG, f.name);
    SetIntProp(h, PROP_FONT_SIZE, f.size << 16, VT_METRIC);
    SetIntProp(h, PROP_FONT_WEIGHT, f.weight);
    SetIntProp(h, PROP_STRETCH, 0x10000, VT_METRIC);
    SetIntProp(h, PROP_LANGUAGE, 1);
  }
  ObjHandle tf = NewObject(T_TBL_FMT, doc);
  SetName(tf, "Format A");

  ObjHandle page = NewObject(T_BODY_PAGE, doc);
  Data(doc)->bodyPages.push_back(page);
  ObjHandle pageFrame = NewObject(T_PAGE_FRAME, doc);
  SetIntProp(page, PROP_PAGE_FRAME, static_cast<int32_t>(pageFrame), VT_ID);
  SetIntProp(pageFrame, PROP_PAGE_OF_FRAME, static_cast<int32_t>(page), VT_ID);
  ObjHandle flow = NewObject(T_FLOW, doc);
  SetStringProp(flow, PROP_NAME, "A");
  AppendToChain(doc, PROP_FIRST_FLOW_IN_DOC, flow);
  SetIntProp(doc, PROP_MAIN_FLOW_IN_DOC, static_cast<int32_t>(flow), VT_ID);
  ObjHandle frame = NewObject(T_TEXT_FRAME, doc);
  AppendKid(flow, frame);
  SetIntProp(frame, PROP_FRAME_PARENT, static_cast<int32_t>(pageFrame), VT_ID);
  ObjHandle pgf = NewObject(T_PGF, doc);
  AppendKid(frame, pgf);
  const Obj* body = Find(NamedObject(doc, OBJ_PGF_FMT, "Body"));
  if (body != nullptr) {
    for (const auto& kv : body->props) {
      if (kv.first != PROP_NAME) SetProp(pgf, kv.first, kv.second);
    }
  }
  return pgf;
}

void DocStore::StoreFile(ObjHandle doc, const std::string& path) {
  FileEntry& entry = files[path];
  if (entry.image != 0) DestroyDocument(entry.image);
  entry.image = CloneDocument(doc, true);
  SetStringProp(entry.image, PROP_NAME, path);
}

ObjHandle DocStore::FileImage(const std::string& path) {
  auto it = files.find(path);
  if (it == files.end()) return 0;
  FileEntry& entry = it->second;
  if (entry.image == 0 && entry.load) entry.image = entry.load();
  return entry.image;
}

void DocStore::SetFileFailures(const std::string& path, bool failOpen, bool failSave) {
  FileEntry& entry = files[path];
  entry.failOpen = failOpen;
  entry.failSave = failSave;
}

ObjHandle DocStore::CloneDocument(ObjHandle src, bool asImage) {
  uint32_t srcSerial = src & 0xFFFFFFu;
  if (srcSerial >= objects_.size() || !objects_[srcSerial]) return 0;
  // The document and every object it owns, in creation order.
  std::vector<uint32_t> members{srcSerial};
  for (uint32_t s : Data(src)->members) {
    const Obj* o = objects_[s].get();
    if (o != nullptr && o->alive && o->doc == src) members.push_back(s);
  }
  std::unordered_map<ObjHandle, ObjHandle> remap;
  remap.reserve(members.size());
  std::vector<uint32_t> copies;
  for (uint32_t s : members) {
    uint32_t serial = FreeSerial();
    if (serial == 0) break;
    const Obj* o = objects_[s].get();
    auto copy = std::make_unique<Obj>(*o);
    copy->h = (static_cast<uint32_t>(o->type) << 24) | serial;
    remap[o->h] = copy->h;
    objects_[serial] = std::move(copy);
    if (s != srcSerial) copies.push_back(serial);
  }
  auto map = [&remap](ObjHandle h) {
    auto it = remap.find(h);
    return it == remap.end() ? h : it->second;
  };
  ObjHandle dst = remap[src];
  for (const auto& kv : remap) {
    Obj* o = objects_[kv.second & 0xFFFFFFu].get();
    o->doc = o->doc == src ? dst : o->doc;
    o->parent = map(o->parent);
    for (ObjHandle& k : o->kids) k = map(k);
    for (ObjHandle& k : o->titlePgfs) k = map(k);
    if (o->link.has()) {
      ChainLink& link = o->link.Own();
      link.prev = map(link.prev);
      link.next = map(link.next);
    }
    // Anchors name the table or footnote they hold.
    for (Marker& m : o->markers) {
      if (m.kind == ITEM_TABLE_ANCHOR || m.kind == ITEM_FOOTNOTE_ANCHOR) {
        m.datum = static_cast<int32_t>(map(static_cast<ObjHandle>(m.datum)));
      }
    }
    // Properties shared with other objects are copied only when one of
    // them names an object of the document.
    auto names = [](const PropStore::Item& p) {
      return p.second.type == VT_ID || (p.second.type == VT_TEXTRANGE && p.second.has_rest());
    };
    if (std::any_of(o->props.begin(), o->props.end(), names)) {
      for (auto& p : o->props.Own()) {
        if (p.second.type == VT_ID)
          p.second.i = static_cast<int32_t>(map(static_cast<ObjHandle>(p.second.i)));
        if (p.second.type == VT_TEXTRANGE && p.second.has_rest()) {
          TextRange& range = p.second.range();
          range.beg.obj = map(range.beg.obj);
          range.end.obj = map(range.end.obj);
        }
      }
    }
  }
  auto data = std::make_unique<DocData>(*Data(src));
  // Text names its colour by handle, like a format does: the copy's text
  // must name the copy's colour objects.
  const int colorSlot = CharIntIndex(PROP_COLOR);
  data->propIndex.clear();
  data->propIndexStale = true;
  for (CharProps& props : data->propTable) {
    int32_t& color = props.ints[colorSlot];
    color = static_cast<int32_t>(map(static_cast<ObjHandle>(color)));
  }
  for (auto& chain : data->chains) {
    chain.second.first = map(chain.second.first);
    chain.second.last = map(chain.second.last);
    for (ObjHandle& h : chain.second.members) h = map(h);
  }
  for (auto& n : data->named) n.second = map(n.second);
  for (auto* list : {&data->bodyPages, &data->masterPages, &data->referencePages, &data->pgfFmts}) {
    for (ObjHandle& h : *list) h = map(h);
  }
  data->isImage = asImage;
  data->members = copies;
  KeepDocData(dst, std::move(data));
  return dst;
}

void DocStore::DestroyDocument(ObjHandle doc) {
  DocData* d = Data(doc);
  uint32_t serial = doc & 0xFFFFFFu;
  if (d != nullptr) {
    for (uint32_t s : d->members) {
      if (objects_[s] && objects_[s]->doc == doc) objects_[s].reset();
    }
    docData_[serial].reset();
  }
  if (serial < objects_.size() && objects_[serial] && objects_[serial]->h == doc) {
    objects_[serial].reset();
  }
  openDocs.erase(std::remove(openDocs.begin(), openDocs.end(), doc), openDocs.end());
  openBooks.erase(std::remove(openBooks.begin(), openBooks.end(), doc), openBooks.end());
  if (activeDoc == doc) activeDoc = openDocs.empty() ? 0 : openDocs.back();
  if (activeBook == doc) activeBook = openBooks.empty() ? 0 : openBooks.back();
}

// ---- Named objects ----

ObjHandle DocStore::NamedObject(ObjHandle doc, int32_t type, const std::string& name) const {
  if (doc == 0) {
    auto it = appNamed_.find({type, name});
    return it == appNamed_.end() ? 0 : it->second;
  }
  const DocData* d = const_cast<DocStore*>(this)->Data(doc);
  if (d == nullptr) return 0;
  auto it = d->named.find({type, name});
  return it == d->named.end() ? 0 : it->second;
}

void DocStore::SetName(ObjHandle h, const std::string& name) {
  Obj* o = objects_[h & 0xFFFFFFu].get();
  if (o == nullptr) return;
  auto& index = o->doc == 0 ? appNamed_ : Data(o->doc)->named;
  const Value* old = Prop(h, PROP_NAME);
  if (old != nullptr) {
    auto it = index.find({o->type, old->s});
    if (it != index.end() && it->second == h) index.erase(it);
  }
  SetStringProp(h, PROP_NAME, name);
  if (o->type == T_CHAR_FMT) SetStringProp(h, PROP_CHAR_TAG, name);
  index[{o->type, name}] = h;
  if (o->type == T_CHAR_FMT && o->link.get().chain == 0)
    AppendToChain(o->doc, PROP_FIRST_CHAR_FMT_IN_DOC, h);
  if (o->type == T_PGF_FMT) {
    auto& fmts = Data(o->doc)->pgfFmts;
    if (std::find(fmts.begin(), fmts.end(), h) == fmts.end()) fmts.push_back(h);
  }
}

void DocStore::RemoveNamedObject(ObjHandle doc, int32_t type, const std::string& name) {
  ObjHandle h = NamedObject(doc, type, name);
  if (h == 0) return;
  auto& index = doc == 0 ? appNamed_ : Data(doc)->named;
  index.erase({type, name});
  RemoveFromChain(h);
  if (doc != 0 && type == T_PGF_FMT) {
    auto& fmts = Data(doc)->pgfFmts;
    fmts.erase(std::remove(fmts.begin(), fmts.end(), h), fmts.end());
  }
  if (doc == 0) {
    // Commands and separators may stand in several menus.
    for (auto& o : objects_) {
      if (o && o->type == T_MENU) {
        o->kids.erase(std::remove(o->kids.begin(), o->kids.end(), h), o->kids.end());
      }
    }
    commands_.erase(h);
  }
  objects_[h & 0xFFFFFFu].reset();
}

// ---- Text ----

uint32_t DocStore::Intern(ObjHandle doc, const CharProps& props) {
  DocData* d = Data(doc);
  if (d->propIndexStale) {
    d->propIndex.clear();
    for (uint32_t i = 0; i < d->propTable.size(); ++i) d->propIndex.emplace(d->propTable[i], i);
    d->propIndexStale = false;
  }
  auto it = d->propIndex.find(props);
  if (it != d->propIndex.end()) return it->second;
  uint32_t index = static_cast<uint32_t>(d->propTable.size());
  d->propTable.push_back(props);
  d->propIndex[props] = index;
  return index;
}

CharProps DocStore::ParagraphFont(ObjHandle pgf) const {
  CharProps props = DefaultCharProps();
  for (int i = 0; i < kCharIntCount; ++i) {
    const Value* v = Prop(pgf, kCharIntProps[i]);
    if (v != nullptr) props.ints[i] = v->i;
  }
  for (int i = 0; i < 2; ++i) props.strs[i] = StringProp(pgf, kCharStrProps[i]);
  return props;
}

const CharProps& DocStore::PropsAt(const Obj& pgf, int32_t offset) const {
  static CharProps fallback;
  const DocData* d = const_cast<DocStore*>(this)->Data(pgf.doc);
  size_t at = static_cast<size_t>(offset < 0 ? 0 : offset);
  if (d != nullptr && at < pgf.charProps.size()) return d->propTable[pgf.charProps[at]];
  // The paragraph end.
  if (d != nullptr && pgf.endProps >= 0 &&
      static_cast<size_t>(pgf.endProps) < d->propTable.size()) {
    return d->propTable[static_cast<size_t>(pgf.endProps)];
  }
  fallback = ParagraphFont(pgf.h);
  return fallback;
}

void DocStore::AppendText(ObjHandle pgf, const std::string& text, const CharProps& props) {
  Obj* p = Find(pgf);
  if (p == nullptr) return;
  uint32_t index = Intern(p->doc, props);
  p->text += text;
  p->charProps.Insert(p->charProps.size(), text.size(), index);
}

void DocStore::SetEndProps(ObjHandle pgf, const CharProps& props) {
  Obj* p = Find(pgf);
  if (p != nullptr) p->endProps = static_cast<int32_t>(Intern(p->doc, props));
}

void DocStore::AddAnchor(ObjHandle pgf, int32_t offset, int32_t kind, int32_t datum,
                         const CharProps* props) {
  Obj* p = Find(pgf);
  if (p == nullptr) return;
  size_t at = std::min(static_cast<size_t>(std::max(offset, 0)), p->text.size());
  // An anchor takes the properties of the text before it, as typing does.
  CharProps own = props != nullptr ? *props
                                   : PropsAt(*p, at > 0 ? static_cast<int32_t>(at) - 1 : 0);
  uint32_t index = Intern(p->doc, own);
  p->text.insert(at, 1, kAnchorByte);
  p->charProps.Insert(at, 1, index);
  for (Marker& m : p->markers) {
    if (m.offset >= static_cast<int32_t>(at)) ++m.offset;
  }
  AddMarker(pgf, static_cast<int32_t>(at), kind, datum);
}

void DocStore::AddMarker(ObjHandle pgf, int32_t offset, int32_t kind, int32_t datum) {
  Obj* p = Find(pgf);
  if (p == nullptr) return;
  Marker m{offset, kind, datum};
  auto it = std::upper_bound(p->markers.begin(), p->markers.end(), m,
                             [](const Marker& a, const Marker& b) { return a.offset < b.offset; });
  p->markers.insert(it, m);
}

ObjHandle DocStore::FirstPgfOf(ObjHandle container) const {
  const Obj* c = Find(container);
  if (c == nullptr) return 0;
  if (c->type == T_TABLE) return c->titlePgfs.empty() ? 0 : c->titlePgfs[0];
  if (c->type == T_FLOW) {
    for (ObjHandle f : c->kids) {
      ObjHandle p = FirstPgfOf(f);
      if (p != 0) return p;
    }
    return 0;
  }
  return c->kids.empty() ? 0 : c->kids[0];
}

ObjHandle DocStore::NextPgf(ObjHandle pgf) const {
  const Obj* p = Find(pgf);
  if (p == nullptr) return 0;
  const Obj* c = Find(p->parent);
  if (c == nullptr) return 0;
  const RareList<ObjHandle>& list = c->type == T_TABLE ? c->titlePgfs : c->kids;
  if (p->index + 1 < list.size()) return list[p->index + 1];
  if (c->type != T_TEXT_FRAME) return 0;
  const Obj* flow = Find(c->parent);
  if (flow == nullptr || flow->type != T_FLOW) return 0;
  for (size_t i = c->index + 1; i < flow->kids.size(); ++i) {
    const Obj* f = Find(flow->kids[i]);
    if (f != nullptr && !f->kids.empty()) return f->kids[0];
  }
  return 0;
}

ObjHandle DocStore::NewParagraphAfter(ObjHandle pgf) {
  Obj* p = Find(pgf);
  if (p == nullptr) return 0;
  ObjHandle n = NewObject(T_PGF, p->doc);
  Obj* np = objects_[n & 0xFFFFFFu].get();
  np->props = p->props;
  // Both parts of a split paragraph come from the file's one paragraph: its
  // writer gives the file's paragraph to the part that keeps its text.
  np->origin = p->origin;
  if (p->parent != 0 && Find(p->parent)->type == T_TABLE) {
    Obj* t = Find(p->parent);
    t->titlePgfs.insert(t->titlePgfs.begin() + p->index + 1, n);
    np->parent = p->parent;
    for (size_t i = 0; i < t->titlePgfs.size(); ++i)
      objects_[t->titlePgfs[i] & 0xFFFFFFu]->index = static_cast<uint32_t>(i);
  } else {
    InsertKid(p->parent, p->index + 1, n);
  }
  return n;
}

ObjHandle DocStore::AddTable(ObjHandle doc, const std::string& format, int32_t columns,
                             int32_t bodyRows, int32_t headingRows, int32_t footingRows,
                             ObjHandle anchorPgf, int32_t offset) {
  ObjHandle table = NewObject(T_TABLE, doc);
  SetStringProp(table, MEM_PROP_TBL_TAG, format);
  SetIntProp(table, MEM_PROP_ANCHOR_PGF, static_cast<int32_t>(anchorPgf), VT_ID);
  Value widths;
  widths.type = VT_METRICS;
  widths.list().assign(static_cast<size_t>(columns), 0x480000);
  SetProp(table, PROP_TBL_COL_WIDTHS, widths);
  AppendToChain(doc, PROP_FIRST_TBL_IN_DOC, table);
  int32_t rows = headingRows + bodyRows + footingRows;
  for (int32_t r = 0; r < rows; ++r) {
    ObjHandle row = NewObject(T_ROW, doc);
    SetIntProp(row, MEM_PROP_ROW_KIND, r < headingRows ? 0 : (r < headingRows + bodyRows ? 1 : 2));
    AppendKid(table, row);
    for (int32_t c = 0; c < columns; ++c) {
      ObjHandle cell = NewObject(T_CELL, doc);
      AppendKid(row, cell);
      ObjHandle pgf = NewObject(T_PGF, doc);
      const Obj* fmt =
          Find(NamedObject(doc, OBJ_PGF_FMT, r < headingRows ? "CellHeading" : "CellBody"));
      if (fmt != nullptr) {
        for (const auto& kv : fmt->props) {
          if (kv.first != PROP_NAME) SetProp(pgf, kv.first, kv.second);
        }
      }
      AppendKid(cell, pgf);
    }
  }
  AddAnchor(anchorPgf, offset, ITEM_TABLE_ANCHOR, static_cast<int32_t>(table));
  return table;
}

int32_t DocStore::CommandNumberOf(ObjHandle command) const {
  if (Find(command) == nullptr) return 0;
  auto it = commands_.find(command);
  return it == commands_.end() ? 0 : it->second.number;
}

std::string DocStore::ShortcutOf(ObjHandle command) const {
  const Obj* o = Find(command);
  if (o == nullptr || o->type != T_COMMAND) return std::string();
  auto it = commands_.find(command);
  return it == commands_.end() ? std::string() : it->second.shortcut;
}

void DocStore::SetCommand(ObjHandle command, int32_t number, const std::string& shortcut) {
  if (Find(command) == nullptr) return;
  commands_[command] = Command{number, shortcut};
}

}  // namespace memhost
