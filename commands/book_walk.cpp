#include "commands/book_walk.h"

#include "client/host_lists.h"
#include "support/format.h"
#include "support/memory.h"
#include "support/paths.h"
#include "support/strings.h"

const char kExaminingPrefix[] = "Examining: ";
const char kRemovingUnusedPrefix[] = "Removing Unused Tags: ";
const char kProcessingPrefix[] = "Processing: ";

namespace {

// The parameters every book file is opened with, in the order the host is
// given them. Their meaning lies in the host; the walk only relies on getting
// a document handle (or 0) back.
struct OpenParam {
  int32_t number;
  int32_t value;
};
constexpr OpenParam kOpenParams[] = {{5, 0},  {2, 0},  {3, 1},  {23, 1}, {28, 1},
                                     {22, 1}, {25, 1}, {36, 3}, {24, 11}};
constexpr uint32_t kOpenParamCount = sizeof kOpenParams / sizeof kOpenParams[0];

bool IsContainer(int32_t kind) {
  return kind == BOOK_COMPONENT_GROUP || kind == BOOK_COMPONENT_FOLDER;
}

ObjHandle OpenBookFile(const char* path) {
  // Made anew for every file: the host may not keep the list between calls.
  PropVals params = PropValsAllocate(kOpenParamCount);
  if (params.len != kOpenParamCount) {
    PropValsFree(&params);
    HostErrno = ERR_NO_PARAM_LIST;
    return 0;
  }
  for (uint32_t i = 0; i < kOpenParamCount; ++i) {
    params.val[i].propIdent.num = kOpenParams[i].number;
    params.val[i].propIdent.name = nullptr;
    params.val[i].propVal.valType = VT_INT;
    params.val[i].propVal.u.ival = kOpenParams[i].value;
  }
  PropVals* returned = nullptr;
  ObjHandle doc = HostOpenDocument(path, &params, &returned);
  PropValsFree(&params);
  PropValsFree(returned);
  return doc;
}

// The console line for a file that could not be opened. The path is printed
// as its own text, never as a format, so a '%' in it stays as it is.
void ReportUnopened(const char* path) {
  ConsolePrintText("Could not open file:");
  ConsolePrintText(path);
  ConsolePrintText("\n");
}

void ShowFileInStatus(ObjHandle book, const char* prefix, const char* path) {
  char* name = nullptr;
  FilePath* fp = FilePathFromString(path, nullptr, 0);
  if (fp != nullptr) {
    name = FilePathBaseName(fp);
    FilePathRelease(fp);
  }
  char* status = StrDuplicate(prefix);
  // Without memory for the whole text the prefix alone still says what runs.
  if (status != nullptr) StrAppendGrow(&status, name);
  HostSetString(0, book, PROP_STATUS_LINE, status != nullptr ? status : prefix);
  StrReleaseAndClear(&status);
  StrReleaseAndClear(&name);
}

}  // namespace

ObjHandle NextBookComponent(ObjHandle book, ObjHandle component) {
  ObjHandle next = 0;
  if (IsContainer(HostGetInt(book, component, PROP_COMPONENT_TYPE))) {
    next = HostGetId(book, component, PROP_FIRST_CHILD_COMPONENT);
  }
  if (next == 0) next = HostGetId(book, component, PROP_NEXT_COMPONENT);
  // After the last component of a container the walk goes on after the
  // container, however deep it is nested.
  ObjHandle current = component;
  while (next == 0) {
    ObjHandle parent = HostGetId(book, current, PROP_PARENT_COMPONENT);
    if (parent == 0) break;
    next = HostGetId(book, parent, PROP_NEXT_COMPONENT);
    current = parent;
  }
  return next;
}

void FinishBookFile(BookFile* file) {
  if (file == nullptr || file->finished) return;
  file->finished = true;
  if (file->doc == 0) return;  // nothing was opened, so nothing to save or close
  ObjHandle toClose = file->doc;
  if (file->mode == BOOK_PASS_CHANGE) {
    // A file that cannot be saved stays open: closing it would throw its
    // changes away.
    toClose = HostSaveDocumentSimple(file->doc, file->path, 0);
  }
  if (toClose != 0 && toClose != file->keepOpen) HostCloseDocument(toClose, 1);
}

void ForEachBookFile(ObjHandle book, const char* prefix, int32_t mode, BookFileOperation operation,
                     void* context, ObjHandle keepOpen, BookFileFilter wanted) {
  // Handle 0 would address the application: its properties are no book's.
  if (book == 0) return;
  char* path = nullptr;
  ObjHandle c = HostGetId(0, book, PROP_FIRST_COMPONENT_IN_BOOK);
  while (c != 0) {
    // Taken first: the operation may change what the host reports about c.
    ObjHandle next = NextBookComponent(book, c);
    if (HostGetInt(book, c, PROP_COMPONENT_TYPE) == BOOK_COMPONENT_FILE) {
      StrReleaseAndClear(&path);
      path = HostGetString(book, c, PROP_NAME);
      if (wanted != nullptr && !wanted(path, context)) {
        c = next;
        continue;
      }
      BookFile file{book, OpenBookFile(path), path, mode, keepOpen, false};
      if (file.doc == 0) ReportUnopened(path);
      ShowFileInStatus(book, prefix, path);
      if (operation != nullptr) operation(&file, context);
      FinishBookFile(&file);
    }
    c = next;
  }
  StrReleaseAndClear(&path);
  HostSetString(0, book, PROP_STATUS_LINE, "");
}
