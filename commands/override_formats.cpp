#include "commands/override_formats.h"

#include "charfmt/output_document.h"
#include "client/host_lists.h"
#include "commands/book_walk.h"
#include "commands/command_rows.h"
#include "commands/overrides.h"
#include "support/format.h"
#include "support/memory.h"
#include "support/strings.h"

const char kCreateFormatsQuestion[] =
    "Create new character formats for overrides that match no format?";

namespace {

// Longer runs are named by their beginning in the report.
constexpr int32_t kExcerptLength = 40;

struct Conversion {
  FormatCatalog catalog;
  CharLook paragraph;
  bool paragraphRead;
  CreateConsent* consent;
  OverrideFormatsReport* report;
};

bool Consents(CreateConsent* consent) {
  if (!consent->asked) {
    consent->asked = true;
    consent->agreed = Confirmed(kCreateFormatsQuestion, nullptr);
  }
  return consent->agreed;
}

FormatUse* UseOf(OverrideFormatsReport* report, const char* name) {
  for (uint32_t i = 0; i < report->useCount; ++i) {
    if (StrEquals(report->uses[i].name, name)) return &report->uses[i];
  }
  if (report->useCount == report->useCapacity) {
    uint32_t capacity = report->useCapacity == 0 ? 4 : report->useCapacity * 2;
    void* grown = MemResize(report->uses, capacity * static_cast<uint32_t>(sizeof(FormatUse)), 0);
    if (grown == nullptr) return nullptr;
    report->uses = static_cast<FormatUse*>(grown);
    report->useCapacity = capacity;
  }
  FormatUse use{StrDuplicate(name), 0, StringListCreate(1, 1)};
  if (use.name == nullptr || use.sameLook == nullptr) {
    MemRelease(use.name);
    StringListDestroy(use.sameLook);
    return nullptr;
  }
  report->uses[report->useCount] = use;
  return &report->uses[report->useCount++];
}

// Notes the run tagged with format `index`, and every later format of the
// catalog that would have given it the same look.
void NoteUse(Conversion* c, int32_t index, const CharLook* run) {
  FormatUse* use = UseOf(c->report, c->catalog.formats[index].name);
  if (use == nullptr) return;
  ++use->runs;
  for (uint32_t i = static_cast<uint32_t>(index) + 1; i < c->catalog.count; ++i) {
    const char* name = c->catalog.formats[i].name;
    if (FormatGivesLook(&c->catalog.formats[i], &c->paragraph, run) &&
        StringListIndexOf(use->sameLook, name) == -1) {
      StringListAdd(use->sameLook, name);
    }
  }
}

// "\"the run's text\" (character tag \"Code\")".
void NoteLeft(Conversion* c, ObjHandle doc, TextRange run, const char* tag) {
  TextItems items = HostGetTextForRange(doc, run, ITEM_STRING);
  char* text = JoinStringItems(&items);
  TextItemsFree(&items);
  bool cut = StrLength(text) > kExcerptLength;
  if (cut) StrTruncateAt(text, kExcerptLength);
  char* line = StrDuplicate("\"");
  bool ok = line != nullptr && StrAppendGrow(&line, text != nullptr ? text : "") == 0 &&
            StrAppendGrow(&line, cut ? "...\"" : "\"") == 0;
  if (ok && StrLength(tag) == 0) {
    ok = StrAppendGrow(&line, " (no character tag)") == 0;
  } else if (ok) {
    ok = StrAppendGrow(&line, " (character tag \"") == 0 && StrAppendGrow(&line, tag) == 0 &&
         StrAppendGrow(&line, "\")") == 0;
  }
  if (ok) StringListAdd(c->report->left, line);
  MemRelease(line);
  MemRelease(text);
}

void NoteCreated(Conversion* c, ObjHandle doc, int32_t index) {
  const FormatLook* f = &c->catalog.formats[index];
  char* what = DescribeFormatLook(doc, f);
  char* line = StrDuplicate(f->name);
  bool ok = what != nullptr && line != nullptr && StrAppendGrow(&line, ": ") == 0 &&
            StrAppendGrow(&line, what) == 0;
  if (ok) StringListAdd(c->report->created, line);
  MemRelease(line);
  MemRelease(what);
}

int32_t CatalogIndexOf(const FormatCatalog* catalog, const char* name) {
  for (uint32_t i = 0; i < catalog->count; ++i) {
    if (StrEquals(catalog->formats[i].name, name)) return static_cast<int32_t>(i);
  }
  return -1;
}

// The last run reaches over the paragraph end, which has a tag and look of
// its own. It is tagged with the run only when it looks exactly like the
// run: then pinning the run's look on it changes nothing but its tag.
TextRange WithEndOnlyAlike(ObjHandle doc, TextRange run, const char* tag, const CharLook* look) {
  if (run.end.offset != OFFSET_OBJ_END) return run;
  HostErrno = 0;
  PropVal endTag = HostGetTextPropVal(doc, run.end, PROP_CHAR_TAG);
  bool alike = HostErrno == 0 && endTag.propVal.valType == VT_STRING &&
               StrEquals(endTag.propVal.u.sval, tag);
  PropValFree(&endTag);
  CharLook end;
  if (alike && ReadTextLook(doc, run.end, &end)) {
    alike = CharLookEquals(&end, look);
    CharLookFree(&end);
  } else {
    alike = false;
  }
  if (!alike) run.end.offset = OFFSET_BEFORE_OBJ_END;
  return run;
}

// The format for a look no format gives, made when the user agrees; -1
// when there is none.
int32_t NewFormatFor(Conversion* c, ObjHandle doc, const char* tag, const CharLook* look) {
  if (!Consents(c->consent)) return -1;
  int32_t base = StrLength(tag) > 0 ? CatalogIndexOf(&c->catalog, tag) : -1;
  FormatLook planned;
  if (!PlanNewFormat(doc, &c->catalog, base >= 0 ? &c->catalog.formats[base] : nullptr,
                     &c->paragraph, look, &planned)) {
    return -1;
  }
  bool leftover = false;
  int32_t index = CreatePlannedFormat(doc, &c->catalog, &planned, &leftover);
  if (leftover) ++c->report->unfinished;
  if (index >= 0) NoteCreated(c, doc, index);
  FormatLookFree(&planned);
  return index;
}

// Tags the run with the format that gives its look; false when it is left
// as it was.
bool TagWithItsLook(Conversion* c, ObjHandle doc, TextRange run, const char* tag,
                    const CharLook* look) {
  int32_t index = FirstFormatGiving(&c->catalog, &c->paragraph, look, nullptr);
  if (index < 0) index = NewFormatFor(c, doc, tag, look);
  if (index < 0) return false;
  // One set carries the tag and every property: one the host refuses
  // leaves the run as it was.
  PropVals values = TaggedLookValues(c->catalog.formats[index].name, look);
  bool tagged = false;
  if (values.len > 0) {
    HostErrno = 0;
    HostSetTextProps(doc, WithEndOnlyAlike(doc, run, tag, look), &values);
    tagged = HostErrno == 0;
  }
  PropValsFree(&values);
  if (tagged) NoteUse(c, index, look);
  return tagged;
}

// The search judged the run by reads any of which may have failed; its
// whole look, read without a failure, decides whether it is an override,
// and a run that cannot be read so is left as it was.
void ConvertRun(Conversion* c, ObjHandle doc, TextRange run) {
  HostErrno = 0;
  PropVal tagValue = HostGetTextPropVal(doc, run.beg, PROP_CHAR_TAG);
  bool tagRead = HostErrno == 0;
  char* tag = StrDuplicate(tagValue.propVal.valType == VT_STRING ? tagValue.propVal.u.sval : "");
  PropValFree(&tagValue);
  CharLook look;
  bool read = tagRead && tag != nullptr && c->paragraphRead && ReadTextLook(doc, run.beg, &look);
  bool done = false;
  if (read) {
    int32_t own = StrLength(tag) > 0 ? CatalogIndexOf(&c->catalog, tag) : -1;
    // A tag no format defines gives nothing to differ from.
    bool overridden =
        (StrLength(tag) == 0 || own >= 0) &&
        LooksOverridden(own >= 0 ? &c->catalog.formats[own] : nullptr, &c->paragraph, &look);
    done = !overridden || TagWithItsLook(c, doc, run, tag, &look);
    CharLookFree(&look);
  }
  if (!done) NoteLeft(c, doc, run, tag);
  MemRelease(tag);
}

// Goes through the paragraph from its start, once: a run left as it was is
// still an override, and searching from the start again would find it for
// ever. Going forward only needs no bound on the runs of a paragraph, so
// every run is either given a format or listed as left.
void ConvertParagraph(ObjHandle doc, ObjHandle pgf, void* context) {
  Conversion* c = static_cast<Conversion*>(context);
  c->paragraphRead = ReadParagraphLook(doc, pgf, &c->paragraph);
  int32_t start = 0;
  for (;;) {
    TextRange run{};
    if (FindOverrideRunFrom(doc, pgf, start, &run) == OVERRIDE_NONE) break;
    ConvertRun(c, doc, run);
    if (run.end.offset == OFFSET_OBJ_END || run.end.offset <= start) break;
    start = run.end.offset;
  }
  if (c->paragraphRead) CharLookFree(&c->paragraph);
}

void WriteList(ObjHandle out, const char* heading, const StringList* items) {
  AppendOutputParagraph(out, heading, "Heading2");
  for (uint32_t i = 0; i < StringListCount(items); ++i) {
    AppendOutputParagraph(out, StringListAt(items, i), "Body");
  }
}

// "Emphasis: 3 runs; the same look: Stress, Strong".
char* UseLine(const FormatUse* use) {
  char count[32];
  StrFormat(count, ": %d run%s", use->runs, use->runs == 1 ? "" : "s");
  char* line = StrDuplicate(use->name);
  bool ok = line != nullptr && StrAppendGrow(&line, count) == 0;
  for (uint32_t i = 0; ok && i < StringListCount(use->sameLook); ++i) {
    ok = StrAppendGrow(&line, i == 0 ? "; the same look: " : ", ") == 0 &&
         StrAppendGrow(&line, StringListAt(use->sameLook, i)) == 0;
  }
  if (!ok) StrReleaseAndClear(&line);
  return line;
}

// ---- The commands ----

const char kDocumentQuestion[] =
    "Are you sure you want to turn character overrides into character formats?";
const char kBookQuestion[] =
    "Are you sure you want to turn character overrides into character formats for all files "
    "in the book?";
const char kNoCatalog[] = "The character formats of the document could not be read.";

bool MakeReport(OverrideFormatsReport* report) {
  *report = OverrideFormatsReport{nullptr, 0, 0, StringListCreate(1, 1), StringListCreate(1, 1), 0};
  return report->created != nullptr && report->left != nullptr;
}

struct BookConversion {
  CreateConsent consent;
  ObjHandle out;
};

void ConvertBookFile(BookFile* file, void* context) {
  BookConversion* book = static_cast<BookConversion*>(context);
  if (file->doc == 0) return;
  OverrideFormatsReport report;
  if (MakeReport(&report)) {
    if (ConvertOverridesInDocument(file->doc, &book->consent, &report)) {
      if (book->out != 0) WriteOverrideFormatsReport(book->out, file->doc, &report);
    } else if (book->out != 0) {
      char* title = DocumentTitle(file->doc);
      AppendOutputParagraph(book->out, title, "Heading1");
      AppendOutputParagraph(book->out, kNoCatalog, "Body");
      MemRelease(title);
    }
  }
  OverrideFormatsReportFree(&report);
}

}  // namespace

bool ConvertOverridesInDocument(ObjHandle doc, CreateConsent* consent,
                                OverrideFormatsReport* report) {
  if (doc == 0) return false;
  Conversion c{};
  c.consent = consent;
  c.report = report;
  bool read = ReadFormatCatalog(doc, &c.catalog);
  if (read) ForEachOverrideParagraph(doc, ConvertParagraph, &c);
  FormatCatalogFree(&c.catalog);
  return read;
}

void OverrideFormatsReportFree(OverrideFormatsReport* report) {
  for (uint32_t i = 0; i < report->useCount; ++i) {
    MemRelease(report->uses[i].name);
    StringListDestroy(report->uses[i].sameLook);
  }
  MemRelease(report->uses);
  StringListDestroy(report->created);
  StringListDestroy(report->left);
  *report = OverrideFormatsReport{nullptr, 0, 0, nullptr, nullptr, 0};
}

void WriteOverrideFormatsReport(ObjHandle out, ObjHandle doc, const OverrideFormatsReport* report) {
  char* title = DocumentTitle(doc);
  AppendOutputParagraph(out, title, "Heading1");
  MemRelease(title);
  AppendOutputParagraph(out, "Runs Given a Character Format:", "Heading2");
  for (uint32_t i = 0; i < report->useCount; ++i) {
    char* line = UseLine(&report->uses[i]);
    if (line != nullptr) AppendOutputParagraph(out, line, "Body");
    MemRelease(line);
  }
  WriteList(out, "Character Formats Created:", report->created);
  if (report->unfinished > 0) {
    char line[96];
    StrFormat(line, "%d format(s) made without properties could not be deleted again.",
              report->unfinished);
    AppendOutputParagraph(out, line, "Body");
  }
  WriteList(out, "Runs Left As They Were:", report->left);
}

RowResult RunConvertOverridesToFormats(ObjHandle doc) {
  if (doc == 0) return NoDocumentNotice();
  int32_t answer = 0;
  if (!Confirmed(kDocumentQuestion, &answer)) return Done(answer);
  OverrideFormatsReport report;
  CreateConsent consent{false, false};
  if (MakeReport(&report)) {
    if (ConvertOverridesInDocument(doc, &consent, &report)) {
      ObjHandle out = OpenOutputDocument();
      if (out != 0) WriteOverrideFormatsReport(out, doc, &report);
    } else {
      answer = HostAlert(kNoCatalog, ALERT_WARNING);
    }
  }
  OverrideFormatsReportFree(&report);
  return Done(answer);
}

RowResult RunConvertOverridesToFormatsBook(ObjHandle book) {
  int32_t answer = 0;
  if (!Confirmed(kBookQuestion, &answer)) return Done(answer);
  BookConversion conversion{{false, false}, OpenOutputDocument()};
  if (conversion.out != 0) {
    char* title = BookTitle(book);
    AppendOutputParagraph(conversion.out, title, "Heading1");
    MemRelease(title);
  }
  ForEachBookFile(book, kProcessingPrefix, BOOK_PASS_CHANGE, ConvertBookFile, &conversion);
  return Done(answer);
}
