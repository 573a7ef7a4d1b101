// The font changes of a paragraph whose text stayed, placed anew for its new
// runs, in time proportional to the paragraph.
#include "mif/mif_writer.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <utility>

#include "mif/mif_roman.h"

using memhost::Obj;

namespace mifwrite {

namespace {

// The properties at ascending offsets of a paragraph, one step at a time.
struct RunCursor {
  const std::vector<MifRun>& runs;
  size_t next = 0;
  const MifRunProps* At(int32_t offset) {
    while (next < runs.size() && runs[next].offset <= offset) ++next;
    return next == 0 ? nullptr : &runs[next - 1].props;
  }
};

// Builds the children of one <ParaLine> anew, in order: what the file had,
// without its font changes, and the font changes placed in between. Each
// step costs the same however long the line, so a paragraph of many font
// changes is written in time proportional to its size.
struct LineRebuild {
  Writer& W;
  MifNode* line;
  std::string lead;     // from its line break: of the last statement that starts a line
  std::string removed;  // what a removed lead held before its line break

  LineRebuild(Writer& w, MifNode* l) : W(w), line(l), lead(MifLeadFor(*l, 0)) {}

  void Note(const MifNode& n) {
    size_t br = n.kind == MIF_STATEMENT ? n.lead.find_first_of("\r\n") : std::string::npos;
    if (br != std::string::npos) lead = n.lead.substr(br);
  }
  // A node of the file, kept as it was.
  void Keep(MifNode n) {
    if (!removed.empty()) n.lead.insert(0, removed);
    removed.clear();
    Note(n);
    line->children.push_back(std::move(n));
  }
  // A font change of the file dropped: its line keeps what ended the line before.
  void Drop(const MifNode& n) {
    size_t br = n.lead.find_first_of("\r\n");
    if (br != std::string::npos && br > 0) removed += n.lead.substr(0, br);
  }
  // A node made here, laid out as an insertion there would be.
  void Add(MifNode n) {
    MifNode* placed = MifInsertWithLead(line, line->children.size(), std::move(n), lead);
    Note(*placed);
  }
  // A font change before `next` (not yet kept): what the lead of `next` held
  // before its line break stays at the end of the line before.
  void AddBefore(MifNode* next, MifNode font) {
    next->lead.insert(0, removed);
    removed.clear();
    std::string ending;
    size_t br = next->lead.find_first_of("\r\n");
    if (br != std::string::npos && br > 0) {
      ending = next->lead.substr(0, br);
      next->lead.erase(0, br);
    }
    bool made = font.lead.empty();
    MifNode* placed = MifInsertWithLead(line, line->children.size(), std::move(font), lead);
    size_t at = placed->lead.find_first_of("\r\n");
    if (at != std::string::npos) placed->lead = ending + placed->lead.substr(at);
    if (made) HostStyle(placed);
    Note(*placed);
  }
  void Finish() {
    if (!removed.empty()) line->set_close(removed + std::string(line->close()));
  }
};

// A font change and the offset of the character it goes before.
using FontChanges = std::vector<std::pair<int32_t, MifNode>>;

// The font changes of the file that still say the same at their offsets (they
// name their tag, so they do not depend on what came before), by offset.
std::map<int32_t, MifNode> ReusableFontChanges(Writer& W, const MifNode& para,
                                               const MifParaState& old, const MifParaState& cur) {
  std::map<int32_t, MifNode> reusable;
  int32_t offset = 0;
  RunCursor before{old.runs};
  RunCursor after{cur.runs};
  for (const MifNode& line : para.children) {
    if (!MifIs(line, "ParaLine")) continue;
    for (const MifNode& c : line.children) {
      if (MifIs(c, "Font") && MifFind(c, "FTag") != nullptr) {
        const MifRunProps* b = before.At(offset);
        const MifRunProps* a = after.At(offset);
        if (b != nullptr && a != nullptr && *b == *a && W.gone.count(a->props.tag) == 0) {
          reusable[offset] = c;
        } else {
          reusable.erase(offset);
        }
      }
      offset += UnitLength(W, c);
    }
  }
  return reusable;
}

// The font changes the runs of cur need, in order: one of the file where it
// can be kept, else one made.
FontChanges FontChangesFor(Writer& W, const Obj& pgf, const MifParaState& cur,
                           std::map<int32_t, MifNode>* reusable) {
  MifRunProps F = ParagraphFontOf(W, pgf.h);
  FontChanges changes;
  const MifRunProps* state = &F;
  for (const MifRun& r : cur.runs) {
    if (r.props != *state) {
      auto reuse = reusable->find(r.offset);
      changes.emplace_back(r.offset, reuse != reusable->end() ? std::move(reuse->second)
                                                              : BuildFont(W, r.props, F));
    }
    state = &r.props;
  }
  return changes;
}

// Builds one <ParaLine> anew with the font changes from (*list)[*nextChange]
// on that fall within its text, which starts at offset *lineStart; moves both
// past the line.
void PlaceFontChanges(Writer& W, MifNode* line, FontChanges* list, size_t* nextChange,
                      int32_t* lineStart) {
  FontChanges& changes = *list;
  size_t next = *nextChange;
  int32_t offset = *lineStart;
  LineRebuild R(W, line);
  MifNodeList was = std::move(line->children);
  line->children.clear();
  line->children.reserve(was.size() + changes.size() - next);
  for (MifNode& c : was) {
    if (MifIs(c, "Font")) {
      R.Drop(c);
      continue;
    }
    int32_t n = UnitLength(W, c);
    if (next >= changes.size() || changes[next].first >= offset + n) {
      R.Keep(std::move(c));
      offset += n;
      continue;
    }
    // Font changes inside this piece of text split its string.
    std::string bytes;
    bool text = MifIs(c, "String") && MifDecodeString(c.values[0].text, W.enc, &bytes, nullptr);
    MifNode piece = std::move(c);
    bool fromFile = true;
    int32_t done = offset;  // the first character of `piece`
    for (; next < changes.size() && changes[next].first < offset + n; ++next) {
      int32_t o = changes[next].first;
      if (o > done && text) {
        size_t k = static_cast<size_t>(o - done);
        size_t cut = W.enc == MIF_UTF8 ? MifUtf8Offset(bytes, k) : std::min(k, bytes.size());
        MifSetString(&piece, std::string_view(bytes).substr(0, cut), W.enc);
        if (fromFile) {
          R.Keep(std::move(piece));
        } else {
          R.Add(std::move(piece));
        }
        bytes.erase(0, cut);
        piece = MifMakeStatement("String");
        MifSetString(&piece, bytes, W.enc);
        fromFile = false;
        done = o;
      }
      R.AddBefore(&piece, std::move(changes[next].second));
    }
    if (fromFile) {
      R.Keep(std::move(piece));
    } else {
      R.Add(std::move(piece));
    }
    offset += n;
  }
  R.Finish();
  *nextChange = next;
  *lineStart = offset;
}

}  // namespace

// Same text, new runs: the font changes of the paragraph are placed anew.
// A font change of the file that still says the same is kept as it was
// written.
void Refont(Writer& W, MifNode* para, const Obj& pgf, const MifParaState& old,
            const MifParaState& cur) {
  std::map<int32_t, MifNode> reusable = ReusableFontChanges(W, *para, old, cur);
  FontChanges changes = FontChangesFor(W, pgf, cur, &reusable);
  size_t next = 0;
  int32_t offset = 0;
  for (MifNode& line : para->children) {
    if (MifIs(line, "ParaLine")) PlaceFontChanges(W, &line, &changes, &next, &offset);
  }
  // What lies past the text (there is none in a paragraph the reader made).
  for (; next < changes.size(); ++next) {
    InsertAt(W, para, changes[next].first, std::move(changes[next].second));
  }
}

// The runs of `old` on the positions of `cur`, whose text differs only by
// anchors added or gone. A new anchor has the properties of what follows it,
// as a font change written before it governs both.
std::vector<MifRun> RunsOnNewPositions(const MifParaState& old, const MifParaState& cur) {
  auto anchorAt = [](const MifParaState& s, size_t k) -> const MifAnchor* {
    for (const MifAnchor& a : s.anchors) {
      if (a.offset == static_cast<int32_t>(k)) return &a;
    }
    return nullptr;
  };
  const size_t n = cur.text.size();
  std::vector<int64_t> from(n + 1, -1);
  size_t i = 0;
  for (size_t j = 0; j < n; ++j) {
    const MifAnchor* added = anchorAt(cur, j);
    if (added != nullptr && !HasAnchor(old.anchors, added->kind, added->id)) continue;
    for (const MifAnchor* gone = anchorAt(old, i);
         i < old.text.size() && gone != nullptr && !HasAnchor(cur.anchors, gone->kind, gone->id);
         gone = anchorAt(old, i)) {
      ++i;
    }
    from[j] = static_cast<int64_t>(i++);
  }
  from[n] = static_cast<int64_t>(old.text.size());
  for (size_t j = n; j-- > 0;) {
    if (from[j] < 0) from[j] = from[j + 1];
  }
  std::vector<MifRun> runs;
  RunCursor cursor{old.runs};  // from[] never goes back
  for (size_t j = 0; j <= n; ++j) {
    const MifRunProps* p = cursor.At(static_cast<int32_t>(from[j]));
    if (p == nullptr || (!runs.empty() && runs.back().props == *p)) continue;
    runs.push_back(MifRun{static_cast<int32_t>(j), *p});
  }
  return runs;
}

}  // namespace mifwrite
