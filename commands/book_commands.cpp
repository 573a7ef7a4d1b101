// The commands that work on every file of the active book through the book
// walk: the three usage listings, Delete Unused Character Tags, Create
// Character Tag List, Remove Non-list Character Tags, Create Conversion
// Document, Convert Characters and Remove Overrides.
#include "charfmt/conversion.h"
#include "charfmt/output_document.h"
#include "charfmt/tag_lists.h"
#include "charfmt/usage_scan.h"
#include "commands/book_walk.h"
#include "commands/command_rows.h"
#include "commands/overrides.h"
#include "support/memory.h"
#include "support/string_list.h"

namespace {

const char kUsedHeading[] = "Character Tags Used:";

// A used/unused pair, made and destroyed together.
struct TagLists {
  StringList* used;
  StringList* unused;
};

bool MakeLists(TagLists* lists) {
  lists->used = StringListCreate(1, 1);
  lists->unused = StringListCreate(1, 1);
  return lists->used != nullptr && lists->unused != nullptr;
}

void DestroyLists(TagLists* lists) {
  StringListDestroy(lists->used);
  StringListDestroy(lists->unused);
  lists->used = nullptr;
  lists->unused = nullptr;
}

void WriteParagraph(ObjHandle out, const char* text, const char* format) {
  if (out != 0) AppendOutputParagraph(out, text, format);
}

void WriteTags(ObjHandle out, const StringList* tags) {
  for (uint32_t i = 0; i < StringListCount(tags); ++i) {
    WriteParagraph(out, StringListAt(tags, i), "Body");
  }
}

void WriteBookTitle(ObjHandle out, ObjHandle book) {
  char* title = BookTitle(book);
  WriteParagraph(out, title, "Heading1");
  StrReleaseAndClear(&title);
}

void WriteDocumentTitle(ObjHandle out, ObjHandle doc, const char* format) {
  char* title = DocumentTitle(doc);
  WriteParagraph(out, title, format);
  StrReleaseAndClear(&title);
}

// ---- Accumulating scan ----

// The book's lists; for the commands that delete by them, also the paths of
// the files the scan read whole and of those it opened but did not: a later
// pass must not act on what the scan never saw.
struct BookScan {
  TagLists lists;
  StringList* read;
  StringList* partial;
  int32_t unopened;  // files the last pass could not open
};

bool Listed(const StringList* paths, const char* path) {
  return path != nullptr && StringListIndexOf(paths, path) != -1;
}

void ScanIntoBookLists(BookFile* file, void* context) {
  BookScan* scan = static_cast<BookScan*>(context);
  int32_t status = CharTagUsageScan(file->doc, scan->lists.used, scan->lists.unused);
  if (file->doc == 0) ++scan->unopened;
  if (file->doc == 0 || file->path == nullptr || scan->read == nullptr) return;
  // A path that cannot be noted reads as not read whole: that only ever
  // keeps tags.
  if (status == 0) {
    StringListAdd(scan->read, file->path);
  } else if (!Listed(scan->partial, file->path)) {
    StringListAdd(scan->partial, file->path);
  }
}

void ScanBook(ObjHandle book, BookScan* scan) {
  ForEachBookFile(book, kExaminingPrefix, BOOK_PASS_READ, ScanIntoBookLists, scan);
}

// ---- List Character Usage ----

RowResult ListUsage(ObjHandle book) {
  BookScan scan{{nullptr, nullptr}, nullptr, nullptr, 0};
  if (MakeLists(&scan.lists)) {
    ScanBook(book, &scan);
    ObjHandle out = OpenOutputDocument();
    if (out != 0) {
      WriteBookTitle(out, book);
      WriteUsedBlock(out, scan.lists.used);
      WriteUnusedBlock(out, scan.lists.unused);
    }
  }
  DestroyLists(&scan.lists);
  return Done();
}

// ---- List Character Usage - Individual ----

void ListFileUsage(BookFile* file, void* context) {
  ObjHandle out = *static_cast<ObjHandle*>(context);
  TagLists own{nullptr, nullptr};
  if (MakeLists(&own)) {
    CharTagUsageScan(file->doc, own.used, own.unused);
    WriteDocumentTitle(out, file->doc, "Heading1");
    WriteParagraph(out, kUsedHeading, "Heading2");
    // The file is done with once its title is read; its lists are the
    // command's own.
    FinishBookFile(file);
    WriteTags(out, own.used);
    WriteUnusedBlock(out, own.unused);
  }
  DestroyLists(&own);
}

RowResult ListUsageIndividual(ObjHandle book) {
  ObjHandle out = OpenOutputDocument();
  WriteBookTitle(out, book);
  ForEachBookFile(book, kExaminingPrefix, BOOK_PASS_READ, ListFileUsage, &out);
  return Done();
}

// ---- List Character Usage - By Tag ----

struct TagInFiles {
  ObjHandle out;
  const char* tag;
};

void ListFileIfItUsesTag(BookFile* file, void* context) {
  const TagInFiles* search = static_cast<const TagInFiles*>(context);
  TagLists own{nullptr, nullptr};
  if (MakeLists(&own)) {
    CharTagUsageScan(file->doc, own.used, own.unused);
    if (StringListIndexOf(own.used, search->tag) != -1) {
      WriteDocumentTitle(search->out, file->doc, "Body");
    }
  }
  DestroyLists(&own);
}

RowResult ListUsageByTag(ObjHandle book) {
  BookScan scan{{nullptr, nullptr}, nullptr, nullptr, 0};
  if (MakeLists(&scan.lists)) {
    ScanBook(book, &scan);
    ObjHandle out = OpenOutputDocument();
    WriteBookTitle(out, book);
    for (uint32_t i = 0; i < StringListCount(scan.lists.used); ++i) {
      TagInFiles search{out, StringListAt(scan.lists.used, i)};
      WriteParagraph(out, search.tag, "Heading2");
      ForEachBookFile(book, kExaminingPrefix, BOOK_PASS_READ, ListFileIfItUsesTag, &search);
    }
  }
  DestroyLists(&scan.lists);
  return Done();
}

bool NotReadWhole(const char* path, void* context) {
  return !Listed(static_cast<const BookScan*>(context)->read, path);
}

// Scans the book, then reads again every file the first pass could not read
// whole, before anything is decided by the lists: what one file uses decides
// for all of them, wherever it stands in the book. True when text was still
// missed: a file read in part both times, or one that could not be opened
// the second time either.
bool ScanBookMissedText(ObjHandle book, BookScan* scan) {
  ScanBook(book, scan);
  scan->unopened = 0;
  ForEachBookFile(book, kExaminingPrefix, BOOK_PASS_READ, ScanIntoBookLists, scan, 0, NotReadWhole);
  bool missed = scan->unopened > 0;
  for (uint32_t i = 0; i < StringListCount(scan->partial); ++i) {
    if (!Listed(scan->read, StringListAt(scan->partial, i))) missed = true;
  }
  return missed;
}

// ---- Delete Unused Character Tags ----

void DeleteBookUnusedTags(BookFile* file, void* context) {
  const BookScan* scan = static_cast<const BookScan*>(context);
  // Only a file the scan is known to have read whole is changed: one that
  // cannot be opened now, or whose reading could not be noted, keeps every
  // tag.
  if (file->doc == 0 || !Listed(scan->read, file->path)) return;
  DeleteUnusedTags(file->doc, scan->lists.used, scan->lists.unused);
}

RowResult DeleteUnused(ObjHandle book) {
  BookScan scan{{nullptr, nullptr}, StringListCreate(1, 1), StringListCreate(1, 1), 0};
  int32_t answer = 0;
  if (MakeLists(&scan.lists) && scan.read != nullptr && scan.partial != nullptr) {
    // A file that cannot be opened is text that could not be read: it may
    // be the only one to use a tag the others define, so nothing is deleted
    // anywhere.
    if (ScanBookMissedText(book, &scan)) {
      answer = HostAlert(kIncompleteScanWarning, ALERT_WARNING);
    } else if (Confirmed("Are you sure you want to delete unused character tags for all files "
                         "in the book?",
                         &answer)) {
      ForEachBookFile(book, kRemovingUnusedPrefix, BOOK_PASS_CHANGE, DeleteBookUnusedTags, &scan);
    }
  }
  DestroyLists(&scan.lists);
  StringListDestroy(scan.read);
  StringListDestroy(scan.partial);
  return Done(answer);
}

// ---- Create Character Tag List, Create Conversion Document ----

typedef ObjHandle (*BuildFromLists)(int32_t listType, const StringList* used,
                                    const StringList* unused, bool* noInsertionPoint);

RowResult CreateListTable(ObjHandle book, BuildFromLists build, bool keepList) {
  int32_t listType = ChooseListType();
  if (listType < 0) return EndAtOnce(listType);
  // Pruning by a keep-list deletes every tag it leaves out, so a list that
  // is not empty is made only from every file read whole; any file left out,
  // unopened ones too, could use or define a tag no other file does.
  bool wholeBook = keepList && listType != LIST_TYPE_EMPTY;
  BookScan scan{{nullptr, nullptr}, nullptr, nullptr, 0};
  if (wholeBook) {
    scan.read = StringListCreate(1, 1);
    scan.partial = StringListCreate(1, 1);
  }
  // Lists that cannot be made leave nothing to write: no place was found.
  bool noInsertionPoint = true;
  bool missed = false;
  if (MakeLists(&scan.lists) && (!wholeBook || (scan.read != nullptr && scan.partial != nullptr))) {
    if (wholeBook) {
      missed = ScanBookMissedText(book, &scan);
    } else if (listType == LIST_TYPE_USED || listType == LIST_TYPE_ALL) {
      ScanBook(book, &scan);
    }
    if (!missed) build(listType, scan.lists.used, scan.lists.unused, &noInsertionPoint);
  }
  DestroyLists(&scan.lists);
  StringListDestroy(scan.read);
  StringListDestroy(scan.partial);
  if (missed) return Done(HostAlert(kIncompleteListWarning, ALERT_WARNING));
  return noInsertionPoint ? EndAtOnce() : Done();
}

// ---- Remove Non-list Character Tags, Convert Characters ----

typedef void (*ApplyList)(ObjHandle doc, ObjHandle listDoc, ObjHandle table);

struct ListPass {
  ApplyList apply;
  ObjHandle listDoc;
  ObjHandle table;
};

void ApplyListToFile(BookFile* file, void* context) {
  const ListPass* pass = static_cast<const ListPass*>(context);
  pass->apply(file->doc, pass->listDoc, pass->table);
}

RowResult ApplyListToBook(ObjHandle book, const char* heading, const char* missing,
                          const char* question, ApplyList apply) {
  ObjHandle listDoc = FindListDocument(heading);
  if (listDoc == 0) return Done(HostAlert(missing, ALERT_WARNING));
  ListPass pass{apply, listDoc, FindListTable(listDoc, heading)};
  int32_t answer = 0;
  if (Confirmed(question, &answer)) {
    // The list document may be a file of the book. Closed after its own
    // pass, it could no longer be read for the files that follow, so the
    // pass leaves it open (saved) and every file is treated by the same list.
    ForEachBookFile(book, kProcessingPrefix, BOOK_PASS_CHANGE, ApplyListToFile, &pass, listDoc);
  }
  return Done(answer);
}

// ---- Remove Overrides ----

void RemoveFileOverrides(BookFile* file, void*) { RemoveOverridesInDocument(file->doc); }

RowResult RemoveOverrides(ObjHandle book) {
  int32_t answer = 0;
  if (Confirmed("Are you sure you want to remove character overrides for all files in the book?",
                &answer)) {
    ForEachBookFile(book, kProcessingPrefix, BOOK_PASS_CHANGE, RemoveFileOverrides, nullptr);
  }
  return Done(answer);
}

}  // namespace

RowResult RunListCharUsageBook(ObjHandle book) { return ListUsage(book); }

RowResult RunListCharUsageBookIndividual(ObjHandle book) { return ListUsageIndividual(book); }

RowResult RunListCharUsageBookByTag(ObjHandle book) { return ListUsageByTag(book); }

RowResult RunDeleteUnusedCharsBook(ObjHandle book) { return DeleteUnused(book); }

RowResult RunCreateCharListBook(ObjHandle book) {
  return CreateListTable(book, CreateTagListFromLists, true);
}

RowResult RunCreateConversionDocumentBook(ObjHandle book) {
  return CreateListTable(book, CreateConversionDocumentFromLists, false);
}

RowResult RunRemoveNonlistCharsBook(ObjHandle book) {
  return ApplyListToBook(
      book, kKeepListHeading, "The list of character tags to keep could not be found.",
      "Are you sure you want to keep only the character tags listed?", PruneToKeepList);
}

RowResult RunConvertCharsBook(ObjHandle book) {
  return ApplyListToBook(book, kConversionHeading,
                         "The list of character tags to convert could not be found.",
                         "Are you sure you want to convert character tags for all files in the "
                         "book?",
                         ConvertCharacterTags);
}

RowResult RunRemoveOverridesBook(ObjHandle book) { return RemoveOverrides(book); }
