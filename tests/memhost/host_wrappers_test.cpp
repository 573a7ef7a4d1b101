// The wrappers over any host: the fault injector breaks the one call it is
// told to and passes every other through untouched; the script answers
// dialogs in order and leaves the rest to the host below.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "client/host_lists.h"
#include "memhost/doc_builder.h"
#include "memhost/host_stack.h"

namespace {

// A host below the wrappers that notes which calls reach it.
class Witness : public HostWrapper {
 public:
  using HostWrapper::HostWrapper;
  std::vector<std::string> reached;
  int32_t GetInt(ObjHandle d, ObjHandle o, int32_t p) override {
    reached.push_back("GetInt");
    return HostWrapper::GetInt(d, o, p);
  }
  ObjHandle GetId(ObjHandle d, ObjHandle o, int32_t p) override {
    reached.push_back("GetId");
    return HostWrapper::GetId(d, o, p);
  }
  int32_t AddMenuToMenu(ObjHandle p, ObjHandle m) override {
    reached.push_back("AddMenuToMenu");
    return HostWrapper::AddMenuToMenu(p, m);
  }
  int32_t Alert(const char* m, int32_t t) override {
    reached.push_back("Alert");
    return HostWrapper::Alert(m, t);
  }
};

class HostWrappersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HostErrno = 0;
    HostInstall(&faults);
  }
  void TearDown() override { HostInstall(nullptr); }

  memhost::DocStore model;
  memhost::MemHost mem{&model};
  Witness witness{&mem};
  memhost::ScriptedHost script{&witness};
  memhost::FaultyHost faults{&script};
};

TEST_F(HostWrappersTest, AFaultOnOneCallBreaksOnlyThatCallAndNeverReachesTheHost) {
  memhost::DocBuilder b(model, "C:\\a.fm");
  ObjHandle pgf = b.Para("text");
  faults.failWith = [](const char* op) { return std::string(op) == "GetId" ? -9 : 0; };
  EXPECT_EQ(0u, HostGetId(b.doc, pgf, PROP_IN_TEXT_OBJ));
  EXPECT_EQ(-9, HostErrno);
  HostErrno = 0;
  EXPECT_EQ(1, HostGetInt(0, 0, PROP_DISPLAYING));
  EXPECT_EQ(0, HostErrno);
  EXPECT_EQ(0u, HostGetId(b.doc, pgf, PROP_IN_TEXT_OBJ));
  EXPECT_EQ((std::vector<std::string>{"GetInt"}), witness.reached);
  EXPECT_EQ(3, faults.callCount);
  EXPECT_EQ(2, faults.failedCalls);
  faults.failWith = nullptr;
  EXPECT_NE(0u, HostGetId(b.doc, pgf, PROP_IN_TEXT_OBJ));
}

// Calls the host makes with another are counted and failed under that
// one's name, so that a log reads as the host's calls.
TEST_F(HostWrappersTest, CallsAreNamedAsTheHostMakesThem) {
  faults.recordCalls = true;
  ObjHandle bar = HostGetNamedObject(0, OBJ_MENU, "!MakerMainMenu");
  ObjHandle menu = HostDefineMenu("Tools", "Tools");
  EXPECT_EQ(0, HostAddMenuToMenu(bar, menu));
  HostGetMetric(0, 0, PROP_DISPLAYING);
  HostAlert("Go on?", 1);
  EXPECT_EQ((std::vector<std::string>{"GetNamedObject", "DefineMenu", "AddItemToMenu", "GetInt",
                                      "Alert1"}),
            faults.callLog);
  faults.FailNthCall(1, -4);
  EXPECT_EQ(-4, HostAddMenuToMenu(bar, menu));
  EXPECT_EQ((std::vector<std::string>{"AddMenuToMenu"}), witness.reached);
}

TEST_F(HostWrappersTest, AFailedOpenOrSaveStillHandsBackAList) {
  memhost::DocBuilder b(model, "C:\\a.fm");
  b.SaveAndClose("C:\\a.fm");
  PropVals* ret = nullptr;
  faults.FailNthCall(1, -1);
  EXPECT_EQ(0u, HostOpenDocument("C:\\a.fm", nullptr, &ret));
  ASSERT_NE(nullptr, ret);
  EXPECT_EQ(0u, ret->len);
  ObjHandle doc = HostOpenDocument("C:\\a.fm", nullptr, &ret);
  EXPECT_NE(0u, doc);
  ASSERT_NE(nullptr, ret);
  EXPECT_EQ(1u, ret->len);
  faults.FailNthCall(1, -1);
  EXPECT_EQ(0u, HostSaveDocument(doc, "C:\\b.fm", nullptr, &ret));
  ASSERT_NE(nullptr, ret);
  EXPECT_EQ(0u, ret->len);
  EXPECT_EQ(0u, model.files.count("C:\\b.fm"));
}

// A dialog failed above the script uses up no answer and is not recorded.
TEST_F(HostWrappersTest, ScriptsAreAnsweredInOrderAndAFailedDialogTakesNoAnswer) {
  script.alertAnswers = {1, 0};
  faults.FailNthCall(1, -1);
  EXPECT_EQ(-1, HostAlert("First?", 1));
  EXPECT_EQ(1, HostAlert("Second?", 1));
  EXPECT_EQ(0, HostAlert("Third?", 1));
  ASSERT_EQ(2u, script.dialogs.size());
  EXPECT_EQ("Second?", script.dialogs[0].text);
  EXPECT_EQ(0, script.dialogs[1].answer);
  EXPECT_TRUE(witness.reached.empty()) << "the script answers; the host below shows nothing";
  int calls = 0;
  script.responder = [&calls](memhost::DialogRecord& r) {
    r.answer = 7;
    return ++calls == 1;  // the first only; then the queue
  };
  script.alertAnswers = {3};
  EXPECT_EQ(7, HostAlert("Fourth?", 1));
  EXPECT_EQ(3, HostAlert("Fifth?", 1));
  EXPECT_EQ(0, HostAlert("Sixth?", 2)) << "a notice is answered 0";
}

TEST_F(HostWrappersTest, TheScriptWatchesOnlyWhatTheHostTook) {
  memhost::BookBuilder book(model, "C:\\b.book");
  memhost::DocBuilder doc(model, "C:\\a.fm");
  std::vector<std::string> lines;
  script.statusObserver = [&lines](const std::string& s) { lines.push_back(s); };
  HostErrno = 5;
  HostSetString(book.book, book.book, PROP_STATUS_LINE, "Reading a.fm");
  EXPECT_EQ(5, HostErrno) << "a watched call leaves the error number as it was";
  HostSetString(doc.doc, doc.doc, PROP_STATUS_LINE, "not a book");
  HostSetString(book.book, 0xFF000000u | book.book, PROP_STATUS_LINE, "no such book");
  EXPECT_EQ((std::vector<std::string>{"Reading a.fm"}), lines);
  EXPECT_EQ(memhost::STATUS_BAD_OBJECT, HostErrno);

  EXPECT_EQ(0, HostRedisplay(doc.doc));
  EXPECT_NE(0, HostRedisplay(0x12345));
  faults.FailNthCall(1, -1);
  HostPrintConsole("lost");
  HostPrintConsole("kept");
  EXPECT_EQ(1, script.redisplayCount);
  EXPECT_EQ("kept", script.console);
}

// Without a script the host takes each dialog's default, as with nobody at
// it; the look at a text property passes through the script unchanged.
TEST_F(HostWrappersTest, TheHostAloneTakesDefaultsAndTheScriptPassesLooksThrough) {
  HostInstall(&mem);
  EXPECT_EQ(0, HostAlert("Go on?", 1));
  char one[] = "one";
  char* items[] = {one};
  HostStrings list{1, items};
  int32_t chosen = -1;
  EXPECT_EQ(0, HostScrollBox(&chosen, "Pick", &list, 0));
  EXPECT_EQ(0, chosen);
  EXPECT_EQ(-1, HostScrollBox(&chosen, "Pick", &list, 3));

  memhost::DocBuilder b(model, "C:\\a.fm");
  b.CharFormat("Emphasis");
  ObjHandle pgf = b.Para({memhost::Run("x", "Emphasis")});
  memhost::ScriptedHost direct(&mem);  // the script right over the host
  memhost::FaultyHost failing(&direct);
  PropVal view{};
  size_t length = 0;
  ASSERT_TRUE(failing.PeekTextPropVal(b.doc, TextLoc{pgf, 0}, PROP_CHAR_TAG, &view, &length));
  EXPECT_EQ("Emphasis", std::string(view.propVal.u.sval, length));
  failing.FailNthCall(1, -1);
  ASSERT_TRUE(failing.PeekTextPropVal(b.doc, TextLoc{pgf, 0}, PROP_CHAR_TAG, &view, &length));
  EXPECT_EQ(nullptr, view.propVal.u.sval);
  EXPECT_EQ(-1, HostErrno);
}

}  // namespace
