// Text operations of the in-memory host: items, character properties,
// insertion, tables and the default-font function code.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "memhost/mem_host.h"

namespace memhost {

namespace {

// Clamps a range end to the paragraph: the end offsets and anything past
// the text stand for the end.
int32_t ClampEnd(int32_t offset, int32_t length) {
  return (offset < 0 || offset > length) ? length : offset;
}

// Only OFFSET_OBJ_END as a range's end takes in the paragraph end itself;
// any other offset past the text (OFFSET_BEFORE_OBJ_END among them) stops
// before it.
bool TakesParagraphEnd(const TextRange& range, ObjHandle pgf) {
  return range.end.obj == pgf && range.end.offset == OFFSET_OBJ_END;
}

}  // namespace

int32_t MemHost::ExecuteCodes(int32_t count, const int32_t* codes) {
  if (count < 0 || (count > 0 && codes == nullptr)) {
    HostErrno = STATUS_BAD_ARGUMENT;
    return STATUS_BAD_ARGUMENT;
  }
  for (int32_t i = 0; i < count; ++i) {
    if (codes[i] != CODE_DEFAULT_PGF_FONT) continue;
    const Value* sel = store_.Prop(store_.activeDoc, PROP_TEXT_SELECTION);
    Obj* p = sel == nullptr ? nullptr : store_.Find(sel->range().beg.obj);
    if (p == nullptr || p->type != T_PGF) {
      HostErrno = STATUS_BAD_ARGUMENT;
      return STATUS_BAD_ARGUMENT;
    }
    int32_t len = static_cast<int32_t>(p->text.size());
    int32_t from = std::min(std::max(sel->range().beg.offset, 0), len);
    int32_t to = sel->range().end.obj == p->h ? ClampEnd(sel->range().end.offset, len) : len;
    ResetToParagraphFont(p->doc, *p, from, to, TakesParagraphEnd(sel->range(), p->h));
  }
  return 0;
}

void MemHost::ResetToParagraphFont(ObjHandle doc, Obj& pgf, int32_t from, int32_t to,
                                   bool withEnd) {
  uint32_t index = store_.Intern(doc, store_.ParagraphFont(pgf.h));
  for (int32_t k = from; k < to; ++k) pgf.charProps.Set(static_cast<size_t>(k), index);
  pgf.charProps.Settle();
  if (withEnd) pgf.endProps = -1;  // the paragraph's font, as a new paragraph end has
  store_.Data(doc)->dirty = true;
}

TextItems MemHost::GetTextForRange(ObjHandle doc, TextRange range, int32_t mask) {
  TextItems out{0, nullptr};
  if (BadDoc(doc, nullptr, false)) return out;
  Obj* p = nullptr;
  if (Bad(range.beg.obj, &p)) return out;
  if (p->type != T_PGF || p->doc != doc || (range.end.obj != 0 && range.end.obj != p->h)) {
    HostErrno = STATUS_BAD_ARGUMENT;
    return out;
  }
  int32_t len = static_cast<int32_t>(p->text.size());
  int32_t from = std::max(range.beg.offset, 0);
  if (from > len) {
    HostErrno = ERR_OFFSET_RANGE;
    return out;
  }
  int32_t to = ClampEnd(range.end.offset, len);
  bool toEnd = range.end.offset < 0 || range.end.offset > len;

  // A string item's text is the part of the paragraph from offset, datum
  // bytes long.
  struct Item {
    int32_t offset;
    int32_t kind;
    int32_t datum;
  };
  std::vector<Item> items;
  // Points where the text is cut: property changes and markers. Only the
  // strings need them; a search for the changes alone is asked again and
  // again over paragraphs of thousands of them.
  std::vector<int32_t> cuts;
  const bool strings = (mask & ITEM_STRING) != 0;
  const bool changes = (mask & ITEM_CHAR_PROPS_CHANGE) != 0;
  for (int32_t k = from; k < to; ++k) {
    if (k == 0 ||
        p->charProps[static_cast<size_t>(k)] != p->charProps[static_cast<size_t>(k - 1)]) {
      if (strings) cuts.push_back(k);
      if (changes) items.push_back({k, ITEM_CHAR_PROPS_CHANGE, 0});
    }
    if (strings && p->text[static_cast<size_t>(k)] == kAnchorByte) {
      cuts.push_back(k);
      cuts.push_back(k + 1);
    }
  }
  for (const Marker& m : p->markers) {
    if (m.offset < from || m.offset > to) continue;
    if (m.offset == to && !(toEnd && m.offset == len)) continue;
    if (strings) cuts.push_back(m.offset);
    if ((mask & m.kind) != 0) items.push_back({m.offset, m.kind, m.datum});
  }
  if (strings && from < to) {
    cuts.push_back(from);
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    for (size_t i = 0; i < cuts.size(); ++i) {
      int32_t b = cuts[i];
      int32_t e = i + 1 < cuts.size() ? cuts[i + 1] : to;
      if (b < from || e <= b || p->text[static_cast<size_t>(b)] == kAnchorByte) continue;
      items.push_back({b, ITEM_STRING, e - b});
    }
  }
  if ((mask & ITEM_PGF_END) != 0 && toEnd) items.push_back({len, ITEM_PGF_END, 0});
  auto before = [](const Item& a, const Item& b) { return a.offset < b.offset; };
  if (!std::is_sorted(items.begin(), items.end(), before)) {
    std::stable_sort(items.begin(), items.end(), before);
  }
  if (items.empty()) return out;
  out.val = static_cast<TextItem*>(std::calloc(items.size(), sizeof(TextItem)));
  out.len = static_cast<uint32_t>(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    out.val[i].offset = items[i].offset;
    out.val[i].dataType = items[i].kind;
    if (items[i].kind == ITEM_STRING) {
      out.val[i].u.sdata = CopyOut(p->text.substr(static_cast<size_t>(items[i].offset),
                                                  static_cast<size_t>(items[i].datum)));
    } else {
      out.val[i].u.idata = items[i].datum;
    }
  }
  return out;
}

// Inlined into both callers, so that the ordinary call is what it was.
[[gnu::always_inline]] inline void MemHost::TextPropAt(ObjHandle doc, TextLoc at, int32_t prop,
                                                       PropVal* out, const std::string** kept) {
  if (BadDoc(doc, nullptr, false)) return;
  // A paragraph of that open document needs no second look at the document;
  // any other gets the whole check, and its error.
  Obj* p = store_.FindInAnyDocument(at.obj);
  if ((p == nullptr || p->doc != doc) && Bad(at.obj, &p)) return;
  if (p->type != T_PGF || p->doc != doc) {
    HostErrno = STATUS_BAD_ARGUMENT;
    return;
  }
  int32_t len = static_cast<int32_t>(p->text.size());
  // OFFSET_OBJ_END names the paragraph end; OFFSET_BEFORE_OBJ_END is only a
  // bound, past every position.
  int32_t offset = at.offset == OFFSET_OBJ_END ? len : at.offset;
  if (offset < 0 || offset > len) {
    HostErrno = ERR_OFFSET_RANGE;
    return;
  }
  // The paragraph end carries properties of its own.
  const CharProps& cp = store_.PropsAt(*p, offset);
  out->propIdent.num = prop;
  if (prop == PROP_CHAR_TAG) {
    out->propVal.valType = VT_STRING;
    *kept = &cp.tag;
    return;
  }
  if (prop == PROP_CHAR_STR_639 || prop == PROP_CHAR_STR_640) {
    out->propVal.valType = VT_STRING;
    *kept = &cp.strs[prop == PROP_CHAR_STR_639 ? 0 : 1];
    return;
  }
  int k = CharIntIndex(prop);
  if (k < 0) {
    out->propIdent.num = 0;
    HostErrno = STATUS_BAD_ARGUMENT;
    return;
  }
  out->propVal.valType = CharValueTypeOf(prop);
  out->propVal.u.ival = cp.ints[k];
}

PropVal MemHost::GetTextPropVal(ObjHandle doc, TextLoc at, int32_t prop) {
  PropVal out{};
  const std::string* kept = nullptr;
  TextPropAt(doc, at, prop, &out, &kept);
  if (kept != nullptr) out.propVal.u.sval = CopyOut(*kept);
  return out;
}

bool MemHost::PeekTextPropVal(ObjHandle doc, TextLoc at, int32_t prop, PropVal* view,
                              size_t* length) {
  // Filled in place: a copy of the whole record would be read before its
  // parts were written.
  *view = PropVal{};
  const std::string* kept = nullptr;
  TextPropAt(doc, at, prop, view, &kept);
  *length = 0;
  if (kept != nullptr) {
    view->propVal.u.sval = const_cast<char*>(kept->c_str());
    *length = kept->size();
  }
  return true;
}

CharProps MemHost::WithValues(const CharProps& old, const PropVals* values) {
  auto find = [values](int32_t prop) -> const PropVal* {
    for (uint32_t i = 0; i < values->len; ++i) {
      if (values->val[i].propIdent.num == prop) return &values->val[i];
    }
    return nullptr;
  };
  CharProps cp = old;
  if (const PropVal* t = find(PROP_CHAR_TAG)) {
    cp.tag = t->propVal.u.sval != nullptr ? t->propVal.u.sval : "";
  }
  for (int i = 0; i < kCharIntCount; ++i) {
    const PropVal* v = find(kCharIntProps[i]);
    if (v == nullptr) continue;
    // A list taken from a character format says, through its flags, which
    // properties the format leaves as they are.
    int32_t flag = CharUseFlagOf(kCharIntProps[i]);
    const PropVal* use = flag != 0 ? find(flag) : nullptr;
    if (use != nullptr && use->propVal.u.ival == 0) continue;
    cp.ints[i] = v->propVal.u.ival;
  }
  for (int i = 0; i < 2; ++i) {
    if (const PropVal* s = find(kCharStrProps[i])) {
      cp.strs[i] = s->propVal.u.sval != nullptr ? s->propVal.u.sval : "";
    }
  }
  return cp;
}

void MemHost::ApplyCharValues(ObjHandle doc, Obj& pgf, int32_t from, int32_t to, bool withEnd,
                              const PropVals* values) {
  DocData* d = store_.Data(doc);
  std::map<uint32_t, uint32_t> changed;  // old index -> new index
  auto apply = [&](uint32_t old) {
    auto it = changed.find(old);
    if (it != changed.end()) return it->second;
    CharProps cp = WithValues(d->propTable[old], values);
    uint32_t index = store_.Intern(doc, cp);
    changed[old] = index;
    return index;
  };
  for (int32_t k = from; k < to; ++k) {
    pgf.charProps.Set(static_cast<size_t>(k), apply(pgf.charProps[static_cast<size_t>(k)]));
  }
  pgf.charProps.Settle();
  if (withEnd) {
    CharProps end = store_.PropsAt(pgf, static_cast<int32_t>(pgf.text.size()));
    pgf.endProps = static_cast<int32_t>(apply(store_.Intern(doc, end)));
  }
  d->dirty = true;
}

void MemHost::SetTextProps(ObjHandle doc, TextRange range, const PropVals* values) {
  if (BadDoc(doc, nullptr, false)) return;
  Obj* p = nullptr;
  if (Bad(range.beg.obj, &p)) return;
  if (p->type != T_PGF || p->doc != doc || values == nullptr) {
    HostErrno = STATUS_BAD_ARGUMENT;
    return;
  }
  int32_t len = static_cast<int32_t>(p->text.size());
  int32_t from = std::min(std::max(range.beg.offset, 0), len);
  int32_t to = range.end.obj == p->h ? ClampEnd(range.end.offset, len) : len;
  bool withEnd = TakesParagraphEnd(range, p->h);
  if (to > from || withEnd) ApplyCharValues(p->doc, *p, from, to, withEnd, values);
}

TextLoc MemHost::InsertText(ObjHandle doc, TextLoc at, const std::string& text) {
  Obj* p = store_.Find(at.obj);
  int32_t offset = at.offset;
  size_t start = 0;
  while (start <= text.size()) {
    size_t nl = text.find('\n', start);
    std::string piece =
        text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    if (!piece.empty()) {
      uint32_t index;
      if (p->charProps.empty()) {
        CharProps end = store_.PropsAt(*p, 0);  // the paragraph end's
        index = store_.Intern(doc, end);
      } else {
        // New text takes the properties of the character before it.
        index = p->charProps[static_cast<size_t>(offset > 0 ? offset - 1 : 0)];
      }
      p->text.insert(static_cast<size_t>(offset), piece);
      p->charProps.Insert(static_cast<size_t>(offset), piece.size(), index);
      for (Marker& m : p->markers) {
        if (m.offset >= offset) m.offset += static_cast<int32_t>(piece.size());
      }
      offset += static_cast<int32_t>(piece.size());
    }
    if (nl == std::string::npos) break;
    // A line end closes the paragraph: what follows moves into a new one.
    ObjHandle n = store_.NewParagraphAfter(p->h);
    Obj* np = store_.Find(n);
    np->endProps = p->endProps;
    np->text = p->text.substr(static_cast<size_t>(offset));
    np->charProps = p->charProps.Tail(static_cast<size_t>(offset));
    p->text.resize(static_cast<size_t>(offset));
    p->charProps.Truncate(static_cast<size_t>(offset));
    std::vector<Marker> keep;
    for (const Marker& m : p->markers) {
      if (m.offset < offset) {
        keep.push_back(m);
      } else {
        np->markers.push_back({m.offset - offset, m.kind, m.datum});
        if (m.kind == ITEM_TABLE_ANCHOR || m.kind == ITEM_FOOTNOTE_ANCHOR) {
          store_.SetIntProp(static_cast<ObjHandle>(m.datum), MEM_PROP_ANCHOR_PGF,
                            static_cast<int32_t>(n), VT_ID);
        }
      }
    }
    p->markers = keep;
    p = np;
    offset = 0;
    start = nl + 1;
  }
  store_.Data(doc)->dirty = true;
  return TextLoc{p->h, offset};
}

TextLoc MemHost::AddText(ObjHandle doc, TextLoc at, const char* text) {
  TextLoc none{0, 0};
  Obj* d = nullptr;
  if (BadDoc(doc, &d, false)) return none;
  Obj* p = nullptr;
  if (Bad(at.obj, &p)) return none;
  if (p->type != T_PGF || p->doc != doc) {
    HostErrno = STATUS_BAD_ARGUMENT;
    return none;
  }
  int32_t len = static_cast<int32_t>(p->text.size());
  int32_t offset = at.offset;
  if (offset == OFFSET_OBJ_END || offset == OFFSET_BEFORE_OBJ_END) offset = len;
  if (offset < 0 || offset > len) {
    HostErrno = ERR_OFFSET_RANGE;
    return none;
  }
  return InsertText(doc, TextLoc{p->h, offset}, text != nullptr ? text : "");
}

ObjHandle MemHost::NewTable(ObjHandle doc, const char* format, int32_t columns, int32_t bodyRows,
                            int32_t headingRows, int32_t footingRows, TextLoc at) {
  if (BadDoc(doc, nullptr, false)) return 0;
  Obj* anchor = nullptr;
  if (Bad(at.obj, &anchor)) return 0;
  if (anchor->type != T_PGF || anchor->doc != doc || columns < 1 || bodyRows < 0 ||
      headingRows < 0 || footingRows < 0) {
    HostErrno = STATUS_BAD_ARGUMENT;
    return 0;
  }
  int32_t len = static_cast<int32_t>(anchor->text.size());
  int32_t offset = std::min(std::max(at.offset, 0), len);
  ObjHandle table = store_.AddTable(doc, format != nullptr ? format : "", columns, bodyRows,
                                    headingRows, footingRows, at.obj, offset);
  store_.Data(doc)->dirty = true;
  return table;
}

}  // namespace memhost
