#include "commands/book_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "client/host_wrapper.h"
#include "memhost/doc_builder.h"
#include "support/encoding.h"
#include "support/format.h"
#include "support/memory.h"
#include "tests/alloc_faults.h"
#include "tests/host_test.h"
#include "tests/test_support.h"

namespace {

using memhost::BookBuilder;
using memhost::DocBuilder;

int32_t ToHostConsole(const char* text) { return HostPrintConsole(text); }

// Forwards to the in-memory host and keeps what every open was asked with.
class OpenRecorder : public HostWrapper {
 public:
  explicit OpenRecorder(HostApi* target) : HostWrapper(target) {}
  ObjHandle OpenDocument(const char* path, const PropVals* params, PropVals** ret) override {
    std::vector<std::pair<int32_t, int32_t>> entries;
    for (uint32_t i = 0; params != nullptr && i < params->len; ++i) {
      const PropVal& p = params->val[i];
      EXPECT_EQ(VT_INT, p.propVal.valType) << "parameter " << p.propIdent.num;
      entries.emplace_back(p.propIdent.num, p.propVal.u.ival);
    }
    opened.emplace_back(path != nullptr ? path : "<null>", entries);
    return HostWrapper::OpenDocument(path, params, ret);
  }
  std::vector<std::pair<std::string, std::vector<std::pair<int32_t, int32_t>>>> opened;
};

// What an operation saw of one file.
struct Visit {
  std::string path;
  bool opened;
  std::string status;
};

class BookWalkTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    script.statusObserver = [this](const std::string& s) { statuses.push_back(s); };
  }

  // A saved file defining one character format named after it.
  void SaveFile(const std::string& path, const std::string& format) {
    DocBuilder b(model, path);
    b.CharFormat(format);
    b.SaveAndClose(path);
  }

  std::vector<std::string> Formats(ObjHandle doc) {
    std::vector<std::string> out;
    for (ObjHandle f : model.Chain(doc, PROP_FIRST_CHAR_FMT_IN_DOC)) {
      out.push_back(model.StringProp(f, PROP_NAME));
    }
    return out;
  }
  std::vector<std::string> SavedFormats(const std::string& path) {
    return Formats(model.files[path].image);
  }
  ObjHandle OpenDocNamed(const std::string& path) {
    for (ObjHandle d : model.openDocs) {
      if (model.StringProp(d, PROP_NAME) == path) return d;
    }
    return 0;
  }

  static void Record(BookFile* file, void* context) {
    auto* visits = static_cast<std::vector<Visit>*>(context);
    char* status = HostGetString(0, file->book, PROP_STATUS_LINE);
    visits->push_back({file->path, file->doc != 0, status != nullptr ? status : "<null>"});
    MemRelease(status);
  }

  std::vector<Visit> Walk(ObjHandle book) {
    std::vector<Visit> visits;
    ForEachBookFile(book, kExaminingPrefix, BOOK_PASS_READ, Record, &visits);
    return visits;
  }

  static std::vector<std::string> Paths(const std::vector<Visit>& visits) {
    std::vector<std::string> out;
    for (const Visit& v : visits) out.push_back(v.path);
    return out;
  }

  testsupport::ScopedClientEncoding encoding{"UTF-8"};
  testsupport::ScopedConsoleSink sink{ToHostConsole};
  std::vector<std::string> statuses;
};

TEST_F(BookWalkTest, ContainersAreEnteredInBookOrderAndOtherKindsSkippedWithTheirContents) {
  for (const char* p :
       {"C:\\b\\1.fm", "C:\\b\\2.fm", "C:\\b\\3.fm", "C:\\b\\4.fm", "C:\\b\\5.fm", "C:\\b\\6.fm"}) {
    SaveFile(p, "F");
  }
  BookBuilder b(model, "C:\\b\\book.book");
  ObjHandle group = b.Component(BOOK_COMPONENT_GROUP, "Part One");
  b.File("C:\\b\\1.fm", group);
  b.File("C:\\b\\2.fm", group);
  b.File("C:\\b\\3.fm");
  ObjHandle other = b.Component(8, "C:\\b\\generated.fm");
  b.File("C:\\b\\4.fm", other);  // inside a kind that is not walked into
  ObjHandle folder = b.Component(BOOK_COMPONENT_FOLDER, "Appendices");
  ObjHandle inner = b.Component(BOOK_COMPONENT_GROUP, "Inner", folder);
  b.File("C:\\b\\5.fm", inner);
  b.Component(BOOK_COMPONENT_FOLDER, "Empty", folder);
  b.File("C:\\b\\6.fm");

  OpenRecorder recorder(&host);
  HostInstall(&recorder);
  std::vector<Visit> visits = Walk(b.book);
  HostInstall(&host);

  EXPECT_EQ((std::vector<std::string>{"C:\\b\\1.fm", "C:\\b\\2.fm", "C:\\b\\3.fm", "C:\\b\\5.fm",
                                      "C:\\b\\6.fm"}),
            Paths(visits));
  ASSERT_EQ(visits.size(), recorder.opened.size()) << "containers are never opened";
  const std::vector<std::pair<int32_t, int32_t>> params = {
      {5, 0}, {2, 0}, {3, 1}, {23, 1}, {28, 1}, {22, 1}, {25, 1}, {36, 3}, {24, 11}};
  for (const auto& open : recorder.opened) EXPECT_EQ(params, open.second) << open.first;
  for (const Visit& v : visits) EXPECT_TRUE(v.opened) << v.path;
  EXPECT_TRUE(model.openDocs.empty()) << "every file is closed after its pass";
  EXPECT_TRUE(script.console.empty());
}

TEST_F(BookWalkTest, AnEmptyBookOpensNothingAndLeavesTheStatusLineEmpty) {
  BookBuilder b(model, "C:\\b\\empty.book");
  OpenRecorder recorder(&host);
  HostInstall(&recorder);
  EXPECT_TRUE(Walk(b.book).empty());
  HostInstall(&host);
  EXPECT_TRUE(recorder.opened.empty());
  EXPECT_EQ(std::vector<std::string>{""}, statuses);
}

TEST_F(BookWalkTest, StatusLineNamesEachFileAndAFileThatCannotBeOpenedIsReportedAndPassedOn) {
  const std::string odd = "C:\\books\\100%s %d.fm";  // a formatter would eat these
  SaveFile("C:\\books\\ch1.fm", "F");
  SaveFile(odd, "F");
  model.SetFileFailures(odd, true, false);
  SaveFile("C:\\books\\ch3.fm", "F");
  BookBuilder b(model, "C:\\books\\manual.book");
  b.File("C:\\books\\ch1.fm");
  b.File(odd);
  b.File("C:\\books\\ch3.fm");

  std::vector<Visit> visits = Walk(b.book);
  ASSERT_EQ(3u, visits.size());
  EXPECT_FALSE(visits[1].opened);
  EXPECT_TRUE(visits[2].opened) << "the walk goes on";
  EXPECT_EQ("Examining: ch1.fm", visits[0].status);
  EXPECT_EQ("Examining: 100%s %d.fm", visits[1].status);
  EXPECT_EQ("", statuses.back()) << "cleared after the pass";
  EXPECT_EQ("Could not open file:" + odd + "\n", script.console);
}

TEST_F(BookWalkTest, AFileAlreadyOpenIsClosedAfterItsPass) {
  DocBuilder open(model, "C:\\books\\ch1.fm");
  BookBuilder b(model, "C:\\books\\manual.book");
  b.File("C:\\books\\ch1.fm");
  ObjHandle seen = 0;
  ForEachBookFile(
      b.book, kExaminingPrefix, BOOK_PASS_READ,
      [](BookFile* f, void* c) { *static_cast<ObjHandle*>(c) = f->doc; }, &seen);
  EXPECT_EQ(open.doc, seen) << "the open document itself is worked on";
  EXPECT_EQ(nullptr, model.Find(open.doc));
}

// A change pass that defines a format "Added" in every file it opens.
void AddFormat(BookFile* file, void*) {
  if (file->doc != 0) HostNewNamedObject(file->doc, OBJ_CHAR_FMT, "Added");
}

TEST_F(BookWalkTest, AChangePassSavesEachFileAndKeepsOneThatCannotBeSavedOpen) {
  SaveFile("C:\\books\\ch1.fm", "F");
  SaveFile("C:\\books\\ch2.fm", "F");
  SaveFile("C:\\books\\ch3.fm", "F");
  model.SetFileFailures("C:\\books\\ch2.fm", false, true);
  BookBuilder b(model, "C:\\books\\manual.book");
  b.File("C:\\books\\ch1.fm");
  b.File("C:\\books\\ch2.fm");
  b.File("C:\\books\\ch3.fm");

  ForEachBookFile(b.book, kProcessingPrefix, BOOK_PASS_CHANGE, AddFormat, nullptr);

  const std::vector<std::string> changed = {"F", "Added"};
  EXPECT_EQ(changed, SavedFormats("C:\\books\\ch1.fm"));
  EXPECT_EQ(changed, SavedFormats("C:\\books\\ch3.fm"));
  EXPECT_EQ(std::vector<std::string>{"F"}, SavedFormats("C:\\books\\ch2.fm"));
  ObjHandle kept = OpenDocNamed("C:\\books\\ch2.fm");
  ASSERT_NE(0u, kept) << "a file that could not be saved stays open";
  EXPECT_EQ(changed, Formats(kept));
  EXPECT_EQ(1u, model.openDocs.size());
  EXPECT_TRUE(script.console.empty()) << "a failed save is not reported";
}

}  // namespace
