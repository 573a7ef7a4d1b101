// A concise way to build documents and books in the in-memory host's model, so that
// a test reads like the document it describes:
//
//   DocBuilder b(store, "C:\\docs\\ch1.fm");
//   b.CharFormat("Emphasis").Set(PROP_FONT_ANGLE, 1);
//   b.Para({Run("Plain "), Run("stressed", "Emphasis"), Run("bold", "", {{PROP_FONT_WEIGHT, 1}})});
//   b.Table({{"Source Tag", "Destination Tag"}, {"Emphasis", "Strong"}});
#ifndef TAGSMITH_MEMHOST_DOC_BUILDER_H
#define TAGSMITH_MEMHOST_DOC_BUILDER_H

#include <string>
#include <utility>
#include <vector>

#include "memhost/doc_store.h"

namespace memhost {

// A stretch of text with its character tag and any properties set by hand
// on top of what the tag gives it. Inside a GoogleTest body the bare name Run
// means the test's own member function: write memhost::Run or an alias.
struct Run {
  std::string text;
  std::string tag;
  std::vector<std::pair<int32_t, int32_t>> overrides;
  Run(std::string t, std::string g = "", std::vector<std::pair<int32_t, int32_t>> o = {})
      : text(std::move(t)), tag(std::move(g)), overrides(std::move(o)) {}
  Run(const char* t) : text(t) {}  // NOLINT: plain text reads best unwrapped
};

// A character format under construction: Set gives a property a value and
// marks it as set by the format (its "use" flag); others stay as is.
struct FormatRef {
  DocStore* store;
  ObjHandle h;
  FormatRef& Set(int32_t prop, int32_t value);
  FormatRef& SetString(int32_t prop, const std::string& value);
};

struct DocBuilder {
  DocStore& store;
  ObjHandle doc;
  ObjHandle flow;      // the main flow
  ObjHandle frame;     // its last text frame
  ObjHandle firstPgf;  // the empty paragraph a new document starts with

  // A new open document named `path` with the default catalogs and an empty
  // main flow; it becomes the active document.
  DocBuilder(DocStore& store, const std::string& path);

  FormatRef CharFormat(const std::string& name);
  ObjHandle PgfFormat(const std::string& name);
  ObjHandle Color(const std::string& name);

  // Appends a paragraph to the main flow (the first call fills the empty
  // paragraph the document starts with).
  ObjHandle Para(const std::vector<Run>& runs);
  ObjHandle Para(const std::string& text, const std::string& tag = "");
  // Appends a paragraph to any container (cell, footnote, frame, table title).
  ObjHandle ParaIn(ObjHandle container, const std::vector<Run>& runs);
  // Gives the paragraph end the tag and overrides of `run` (its text is not
  // used), as a font change after a paragraph's last text does in MIF.
  void ParaEnd(ObjHandle pgf, const Run& run);
  // Starts a new text frame of the main flow on a new body page.
  ObjHandle NewFrame();
  // A new flow whose first frame lies on a master page (or a body page when
  // `master` is false); returns the flow. Paragraphs go in with ParaIn on the
  // flow's frame (Kid(flow, 0)).
  ObjHandle NewFlow(bool master);

  // A table anchored in a new paragraph of the main flow. rows[0..heading-1]
  // are heading rows; every cell gets one paragraph with its text.
  ObjHandle Table(const std::vector<std::vector<std::string>>& rows, int headingRows = 1,
                  const std::vector<std::string>& titles = {});
  // Cell (row, column) of a table; the first paragraph of a cell.
  ObjHandle Cell(ObjHandle table, size_t row, size_t column) const;
  ObjHandle CellPgf(ObjHandle table, size_t row, size_t column) const;
  // A footnote anchored at the end of `anchor`, holding one paragraph.
  // A footnote anchored at the end of `anchor`; the anchor is tagged
  // anchorTag (else it takes the properties of the text before it).
  ObjHandle Footnote(ObjHandle anchor, const std::vector<Run>& runs,
                     const std::string& anchorTag = "");

  ObjHandle FormatDefA(const std::string& text);
  ObjHandle FormatDefB(const std::string& text);
  ObjHandle FormatDefC(const std::string& text);
  ObjHandle TagRef(const std::string& name);
  // A format page whose frame holds a text graphic with these paragraphs.
  ObjHandle FormatPage(const std::vector<std::string>& paragraphs);

  ObjHandle Kid(ObjHandle container, size_t i) const;
  // Plain text of a paragraph.
  std::string Text(ObjHandle pgf) const;
  // The tag, and the properties, of the character at offset.
  std::string TagAt(ObjHandle pgf, int32_t offset) const;
  int32_t PropAt(ObjHandle pgf, int32_t offset, int32_t prop) const;
  // Saves a copy as the file `path` and closes the document.
  void SaveAndClose(const std::string& path);
  // The same for the active document, whichever builder made it.
  static void SaveAndCloseActive(DocStore& store, const std::string& path);

 private:
  bool firstUsed_ = false;
  CharProps PropsFor(ObjHandle pgf, const Run& run) const;
  ObjHandle ChainedText(int32_t type, int32_t firstProp, int32_t textProp, const std::string& text);
};

// A book of the in-memory store.
struct BookBuilder {
  DocStore& store;
  ObjHandle book;
  BookBuilder(DocStore& store, const std::string& path);
  // Component kinds: 2 and 64 hold further components, 512 is a file.
  ObjHandle File(const std::string& path, ObjHandle parent = 0);
  ObjHandle Component(int32_t kind, const std::string& name, ObjHandle parent = 0);
};

}  // namespace memhost

#endif
