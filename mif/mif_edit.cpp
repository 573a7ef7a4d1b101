// Finding statements and changing the tree in place.
#include "mif/mif_tree.h"

namespace {

template <typename Node>
Node* FindIn(Node& parent, std::string_view name) {
  for (auto& c : parent.children)
    if (MifIs(c, name)) return &c;
  return nullptr;
}

template <typename Node>
Node* FindPathIn(Node& parent, std::string_view path) {
  Node* at = &parent;
  while (at) {
    size_t slash = path.find('/');
    at = FindIn(*at, path.substr(0, slash));
    if (slash == std::string_view::npos) return at;
    path.remove_prefix(slash + 1);
  }
  return nullptr;
}

void Deep(const MifNode& parent, std::string_view name, std::vector<const MifNode*>* out) {
  // An explicit stack: depth is bounded when parsing, but not for built trees.
  std::vector<std::pair<const MifNode*, size_t>> stack{{&parent, 0}};
  while (!stack.empty()) {
    auto& top = stack.back();
    if (top.second == top.first->children.size()) {
      stack.pop_back();
      continue;
    }
    const MifNode& c = top.first->children[top.second++];
    if (c.kind != MIF_STATEMENT) continue;
    if (c.name == name) out->push_back(&c);
    if (!c.children.empty()) stack.push_back({&c, 0});
  }
}

// The indent of a node: what follows the last line break of its lead.
std::string IndentOf(const std::string& lead) {
  size_t br = lead.find_last_of("\r\n");
  return br == std::string::npos ? std::string() : lead.substr(br + 1);
}

// The first line break in text: CR LF, a lone CR (old Mac files) or LF;
// empty when there is none.
std::string FirstBreak(std::string_view text) {
  size_t br = text.find_first_of("\r\n");
  if (br == std::string_view::npos) return std::string();
  if (text[br] == '\n') return "\n";
  return text.compare(br, 2, "\r\n") == 0 ? "\r\n" : "\r";
}

std::string EolOf(const MifNode& parent) {
  for (const MifNode& c : parent.children) {
    std::string eol = FirstBreak(c.lead);
    if (!eol.empty()) return eol;
  }
  std::string eol = FirstBreak(parent.close());
  if (eol.empty()) eol = FirstBreak(parent.lead);
  return eol.empty() ? "\n" : eol;
}

// A lead for a new child at index: that of a neighbouring statement, else one
// level deeper than the parent (the top level has no indent).
std::string LeadFor(const MifNode& parent, size_t index) {
  const MifNodeList& ch = parent.children;
  for (size_t i = index; i-- > 0;)
    if (ch[i].kind == MIF_STATEMENT && ch[i].lead.find_first_of("\r\n") != std::string::npos)
      return ch[i].lead.substr(ch[i].lead.find_first_of("\r\n"));
  for (size_t i = index; i < ch.size(); ++i)
    if (ch[i].kind == MIF_STATEMENT && ch[i].lead.find_first_of("\r\n") != std::string::npos)
      return ch[i].lead.substr(ch[i].lead.find_first_of("\r\n"));
  std::string indent = parent.name.empty() ? std::string() : IndentOf(parent.lead) + " ";
  return EolOf(parent) + indent;
}

}  // namespace

bool MifIs(const MifNode& node, std::string_view name) {
  return node.kind == MIF_STATEMENT && node.name == name;
}

MifNode* MifFind(MifNode* parent, std::string_view name) { return FindIn(*parent, name); }

const MifNode* MifFind(const MifNode& parent, std::string_view name) {
  return FindIn(parent, name);
}

std::vector<MifNode*> MifFindAll(MifNode* parent, std::string_view name) {
  std::vector<MifNode*> out;
  for (MifNode& c : parent->children)
    if (MifIs(c, name)) out.push_back(&c);
  return out;
}

std::vector<const MifNode*> MifFindAll(const MifNode& parent, std::string_view name) {
  std::vector<const MifNode*> out;
  for (const MifNode& c : parent.children)
    if (MifIs(c, name)) out.push_back(&c);
  return out;
}

const MifNode* MifFindPath(const MifNode& parent, std::string_view path) {
  return FindPathIn(parent, path);
}

MifNode* MifFindPath(MifNode* parent, std::string_view path) { return FindPathIn(*parent, path); }

std::vector<const MifNode*> MifFindDeep(const MifNode& parent, std::string_view name) {
  std::vector<const MifNode*> out;
  Deep(parent, name, &out);
  return out;
}

MifNode MifMakeStatement(std::string_view name) {
  MifNode n;
  n.kind = MIF_STATEMENT;
  n.name = std::string(name);
  return n;
}

MifNode* MifInsert(MifNode* parent, size_t index, MifNode node) {
  if (index > parent->children.size()) index = parent->children.size();
  bool built = !parent->name.empty() && parent->lead.empty();
  std::string lead = built || !node.lead.empty() ? std::string() : LeadFor(*parent, index);
  return MifInsertWithLead(parent, index, std::move(node), lead);
}

std::string MifLeadFor(const MifNode& parent, size_t index) { return LeadFor(parent, index); }

MifNode* MifInsertWithLead(MifNode* parent, size_t index, MifNode node, const std::string& lead) {
  if (index > parent->children.size()) index = parent->children.size();
  // A parent that is itself still being built has no place in a file yet;
  // its children are laid out when it is inserted.
  if (!parent->name.empty() && parent->lead.empty()) {
    auto it = parent->children.insert(parent->children.begin() + static_cast<std::ptrdiff_t>(index),
                                      std::move(node));
    return &*it;
  }
  if (node.lead.empty()) node.lead = lead;
  std::string eol = FirstBreak(node.lead);
  if (eol.empty()) eol = EolOf(*parent);
  MifLayout(&node, IndentOf(node.lead), eol);
  // The parent's '>' moves to a line of its own once it has statements inside.
  if (!parent->name.empty() && node.kind == MIF_STATEMENT &&
      parent->close().find_first_of("\r\n") == std::string::npos)
    parent->set_close(eol + IndentOf(parent->lead));
  auto it = parent->children.insert(parent->children.begin() + static_cast<std::ptrdiff_t>(index),
                                    std::move(node));
  return &*it;
}

MifNode* MifAppend(MifNode* parent, MifNode node) {
  return MifInsert(parent, parent->children.size(), std::move(node));
}

MifNode* MifReplace(MifNode* parent, size_t index, MifNode node) {
  if (index >= parent->children.size()) return nullptr;
  MifNode& old = parent->children[index];
  if (node.lead.empty()) node.lead = old.lead;
  if (node.trail().empty() && node.kind == old.kind && node.name == old.name)
    node.set_trail(old.trail());
  std::string eol = FirstBreak(node.lead);
  if (eol.empty()) eol = "\n";
  MifLayout(&node, IndentOf(node.lead), eol);
  old = std::move(node);
  return &old;
}

// What a removed child's lead holds before its first line break ends the
// previous line (blanks after a statement name, say), so it stays.
static std::string_view KeptOfLead(std::string_view lead) {
  size_t br = lead.find_first_of("\r\n");
  return br != std::string::npos ? lead.substr(0, br) : std::string_view();
}

bool MifRemove(MifNode* parent, size_t index) {
  if (index >= parent->children.size()) return false;
  std::string_view keep = KeptOfLead(parent->children[index].lead);
  if (!keep.empty()) {
    if (index + 1 < parent->children.size()) {
      parent->children[index + 1].lead.insert(0, keep);
    } else {
      parent->set_close(std::string(keep) + std::string(parent->close()));
    }
  }
  parent->children.erase(parent->children.begin() + static_cast<std::ptrdiff_t>(index));
  return true;
}

size_t MifRemoveIf(MifNode* parent, const std::function<bool(const MifNode&)>& drop) {
  MifNodeList& children = parent->children;
  std::string kept;  // of the leads removed since the last child that stays
  size_t to = 0;
  for (size_t from = 0; from < children.size(); ++from) {
    if (drop(children[from])) {
      kept += KeptOfLead(children[from].lead);
      continue;
    }
    if (!kept.empty()) {
      children[from].lead.insert(0, kept);
      kept.clear();
    }
    if (to != from) children[to] = std::move(children[from]);
    ++to;
  }
  if (!kept.empty()) parent->set_close(kept + std::string(parent->close()));
  size_t removed = children.size() - to;
  children.erase(children.begin() + static_cast<std::ptrdiff_t>(to), children.end());
  return removed;
}

int64_t MifIndexOf(const MifNode& parent, const MifNode* child) {
  for (size_t i = 0; i < parent.children.size(); ++i)
    if (&parent.children[i] == child) return static_cast<int64_t>(i);
  return -1;
}

MifNode* MifSetChildString(MifNode* parent, std::string_view name, std::string_view bytes,
                           MifEncoding encoding) {
  MifNode* c = MifFind(parent, name);
  if (c) return MifSetString(c, bytes, encoding) ? c : nullptr;
  MifNode n = MifMakeStatement(name);
  if (!MifSetString(&n, bytes, encoding)) return nullptr;
  return MifAppend(parent, std::move(n));
}
