// Reading a MIF book into the in-memory host.
#include "mif/mif_document.h"
#include "mif/mif_font.h"
#include "mif/mif_roman.h"

namespace {

constexpr int32_t kComponentFile = 512;

std::string FolderOf(const std::string& file) {
  size_t slash = file.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return file.substr(0, slash);
}

std::string Join(const std::string& base, const std::string& name) {
  if (base.empty()) return name;
  if (base.back() == '/') return base + name;
  return base + "/" + name;
}

// Drops the last component of a path, never above its root.
std::string Up(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (path.empty() || path == ".") return "..";
  if (path == "..") return "../..";
  if (slash == std::string::npos) return "";
  std::string last = path.substr(slash + 1);
  if (last == "..") return path + "/..";
  if (slash == 0) return "/";
  if (path.compare(0, 2, "//") == 0 && path.find('/', 2) == slash) return path;
  return path.substr(0, slash);
}

}  // namespace

std::string MifResolveComponent(const std::string& bookFile, const std::string& fileName) {
  std::vector<MifPathPart> parts;
  if (!MifSplitPath(fileName, &parts) || parts.empty()) {
    // Not in the token form: a plain path, relative to the book when it is
    // not absolute.
    if (!fileName.empty() && fileName[0] == '/') return fileName;
    return Join(FolderOf(bookFile), fileName);
  }
  std::string path;
  size_t i = 0;
  switch (parts[0].code) {
    case 'r':
      path = "/";
      i = 1;
      break;
    case 'v':
      // The host writes the volume with its colon ("O:"), older books without.
      path = parts[0].name;
      if (path.empty() || path.back() != ':') path += ':';
      path += '/';
      i = 1;
      break;
    case 'h':
      path = "//" + parts[0].name;
      i = 1;
      break;
    default: path = FolderOf(bookFile); break;
  }
  for (; i < parts.size(); ++i) {
    if (parts[i].code == 'u') {
      path = Up(path);
    } else if (parts[i].code == 'c') {
      path = Join(path, parts[i].name);
    }
  }
  return path;
}

std::string MifComponentBesideBook(const std::string& bookFile, const std::string& fileName) {
  std::vector<MifPathPart> parts;
  std::string last;
  if (MifSplitPath(fileName, &parts) && !parts.empty()) {
    char first = parts[0].code;
    if ((first != 'r' && first != 'v' && first != 'h') || parts.back().code != 'c') return "";
    last = parts.back().name;
  } else {
    // A plain path, absolute here or where the book was made.
    bool absolute = !fileName.empty() && (fileName[0] == '/' || fileName[0] == '\\' ||
                                          (fileName.size() > 1 && fileName[1] == ':'));
    if (!absolute) return "";
    size_t cut = fileName.find_last_of("/\\:");
    last = fileName.substr(cut == std::string::npos ? 0 : cut + 1);
  }
  if (last.empty() || last == "." || last == ".." || last.find('/') != std::string::npos) return "";
  return Join(FolderOf(bookFile), last);
}

bool MifLoadBookTree(memhost::DocStore& host, const std::string& name, MifBook* book,
                     ObjHandle* handle, MifError* error) {
  if (!book->tree.is_book) {
    if (error != nullptr) *error = MifError{book->file, 1, "this is a MIF document, not a book"};
    return false;
  }
  book->components.clear();
  ObjHandle b = host.NewBook(name);
  MifEncoding enc = book->tree.encoding;
  for (const MifNode& c : book->tree.root.children) {
    std::string fileName;
    if (!MifIs(c, "BookComponent") || !MifChildString(c, "FileName", enc, &fileName)) continue;
    MifBookComponent comp;
    comp.fileName = enc == MIF_ROMAN ? MifRomanToUtf8(fileName) : fileName;
    comp.path = MifResolveComponent(book->file, comp.fileName);
    if (!MifUtf8ToRomanName(comp.path, &comp.hostName)) comp.hostName = comp.path;
    comp.line = c.line;
    ObjHandle h = host.NewObject(memhost::T_COMPONENT, b);
    host.SetIntProp(h, PROP_COMPONENT_TYPE, kComponentFile);
    host.SetStringProp(h, PROP_NAME, comp.hostName);
    host.AppendKid(b, h);
    book->components.push_back(std::move(comp));
  }
  if (handle != nullptr) *handle = b;
  return true;
}

bool MifLoadBook(memhost::DocStore& host, const std::string& file, const std::string& name,
                 MifBook* book, ObjHandle* handle, MifError* error) {
  book->file = file;
  if (!MifReadFile(file, &book->tree, error)) return false;
  return MifLoadBookTree(host, name, book, handle, error);
}
