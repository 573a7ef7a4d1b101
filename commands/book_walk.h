// The walk over the files of a book: every document file in book order is
// opened, handed to an operation, and closed again (saved first when the
// operation changes it).
#ifndef TAGSMITH_COMMANDS_BOOK_WALK_H
#define TAGSMITH_COMMANDS_BOOK_WALK_H

#include "client/host_api.h"

// Component kinds of a book.
constexpr int32_t BOOK_COMPONENT_GROUP = 2;    // holds further components
constexpr int32_t BOOK_COMPONENT_FOLDER = 64;  // holds further components
constexpr int32_t BOOK_COMPONENT_FILE = 512;   // a document file

// What a pass does with a file once its operation is done.
constexpr int32_t BOOK_PASS_READ = 0;    // close it
constexpr int32_t BOOK_PASS_CHANGE = 1;  // save it under its path, then close it

// Status-line prefixes of the passes.
extern const char kExaminingPrefix[];       // "Examining: "
extern const char kRemovingUnusedPrefix[];  // "Removing Unused Tags: "
extern const char kProcessingPrefix[];      // "Processing: "

// The file a pass is working on, as its operation sees it.
struct BookFile {
  ObjHandle book;
  ObjHandle doc;     // 0 when the file could not be opened
  const char* path;  // as the book gives it; the walk's, valid during the call
  int32_t mode;      // BOOK_PASS_*
  ObjHandle keepOpen;
  bool finished;  // FinishBookFile has run
};

typedef void (*BookFileOperation)(BookFile* file, void* context);
// Whether a pass opens the file at `path` at all.
typedef bool (*BookFileFilter)(const char* path, void* context);

// The component after `component` in book order: the contents of a group or
// folder come before its next sibling; other kinds are not entered. 0 after
// the last one.
ObjHandle NextBookComponent(ObjHandle book, ObjHandle component);

// One pass over the document files of `book`. The status line shows `prefix`
// and the file's name while its operation runs and is cleared at the end. A
// file that cannot be opened is reported on the console and still handed to
// the operation with doc 0. `keepOpen`, when not 0, is a document the pass
// must leave open (saved in a change pass): the list that the operation reads.
// `wanted`, when given, picks the files the pass opens; the others are passed
// by unopened and unreported.
void ForEachBookFile(ObjHandle book, const char* prefix, int32_t mode, BookFileOperation operation,
                     void* context, ObjHandle keepOpen = 0, BookFileFilter wanted = nullptr);

// Closes the file (saving it first in a change pass) before the operation
// returns, for operations that keep writing elsewhere afterwards. The walk
// calls it for every file whose operation did not. A file whose save fails is
// left open with its changes.
void FinishBookFile(BookFile* file);

#endif
