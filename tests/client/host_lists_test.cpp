#include "client/host_lists.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/encoding.h"
#include "support/memory.h"
#include "support/strings.h"
#include "tests/alloc_faults.h"
#include "tests/client/stub_host.h"

namespace {

TypedVal IntVal(int32_t v) {
  TypedVal t{};
  t.valType = VT_INT;
  t.u.ival = v;
  return t;
}

class HostListsTest : public ::testing::Test {
 protected:
  void TearDown() override { MemFailNth(0); }
};

TEST_F(HostListsTest, AllocateGivesZeroedEntriesOrNothing) {
  PropVals list = PropValsAllocate(3);
  ASSERT_EQ(3u, list.len);
  for (uint32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(0, list.val[i].propIdent.num);
    EXPECT_EQ(nullptr, list.val[i].propIdent.name);
    EXPECT_EQ(0, list.val[i].propVal.valType);
  }
  PropValsFree(&list);  // all-zero entries: only the array is freed
  EXPECT_EQ(0u, list.len);
  EXPECT_EQ(nullptr, list.val);
  PropValsFree(&list);
  PropValsFree(nullptr);

  MemFailNth(1);
  PropVals failed = PropValsAllocate(1);
  EXPECT_EQ(0u, failed.len);
  EXPECT_EQ(nullptr, failed.val);
}

TEST_F(HostListsTest, SetReplacesByNumberOrAppends) {
  PropVals list{0, nullptr};
  TypedVal one = IntVal(1);
  TypedVal two = IntVal(2);
  PropValsSet(&list, 2, &one);
  PropValsSet(&list, 2, &two);
  ASSERT_EQ(1u, list.len);
  EXPECT_EQ(2, list.val[0].propIdent.num);
  EXPECT_EQ(2, list.val[0].propVal.u.ival);

  PropValsSetString(&list, 7, "Body");
  PropValsSetString(&list, 7, "Heading1");
  ASSERT_EQ(2u, list.len);
  EXPECT_EQ(VT_STRING, list.val[1].propVal.valType);
  EXPECT_STREQ("Heading1", list.val[1].propVal.u.sval);

  // Replacing a value with a copy of itself must not read freed memory.
  PropValsSet(&list, 7, &list.val[1].propVal);
  EXPECT_STREQ("Heading1", list.val[1].propVal.u.sval);
  PropValsSet(&list, 9, &list.val[1].propVal);
  EXPECT_STREQ("Heading1", list.val[2].propVal.u.sval);
  EXPECT_NE(list.val[1].propVal.u.sval, list.val[2].propVal.u.sval);
  PropValsSet(nullptr, 1, &one);
  PropValsFree(&list);
}

TEST_F(HostListsTest, ArrayGrowsToEightThenDoubles) {
  PropVals list{0, nullptr};
  for (int32_t n = 1; n <= 8; ++n) {
    TypedVal v = IntVal(n);
    PropValsSet(&list, n, &v);
  }
  EXPECT_EQ(8u, list.len);
  // The ninth entry must move the array to 16 entries: fill every one.
  for (int32_t n = 9; n <= 17; ++n) {
    TypedVal v = IntVal(n);
    PropValsSet(&list, n, &v);
  }
  ASSERT_EQ(17u, list.len);
  for (uint32_t i = 0; i < 17; ++i)
    EXPECT_EQ(static_cast<int32_t>(i + 1), list.val[i].propVal.u.ival);

  // A failed growth leaves the list as it was.
  TypedVal extra = IntVal(99);
  int64_t before = MemAllocationCount();
  MemFailNth(1);
  PropValsSet(&list, 99, &extra);
  EXPECT_EQ(before + 1, MemAllocationCount());
  EXPECT_EQ(17u, list.len);
  PropValsFree(&list);
}

TEST_F(HostListsTest, OpenParametersByHand) {
  PropVals list = PropValsAllocate(1);
  list.val[0].propIdent.num = 29;
  list.val[0].propVal.valType = VT_INT;
  list.val[0].propVal.u.ival = 1;
  PropVals copy{};
  ASSERT_EQ(0, PropValsCopy(&copy, &list));
  ASSERT_EQ(1u, copy.len);
  EXPECT_EQ(29, copy.val[0].propIdent.num);
  EXPECT_EQ(1, copy.val[0].propVal.u.ival);
  PropValsFree(&copy);
  PropValsFree(&list);
}

TEST_F(HostListsTest, TextItemsFreeOnlyStringsOfStringItems) {
  TextItems items{3, static_cast<TextItem*>(MemAllocateZeroed(3, sizeof(TextItem), 0))};
  items.val[0].dataType = ITEM_STRING;
  items.val[0].u.sdata = StrDuplicate("text");
  items.val[1].dataType = ITEM_PGF_END;
  items.val[1].u.idata = 0x1234;  // would crash if passed to free
  items.val[2].dataType = ITEM_STRING;
  items.val[2].u.sdata = nullptr;

  TextItems copy{};
  ASSERT_EQ(0, TextItemsCopy(&copy, &items));
  EXPECT_NE(items.val[0].u.sdata, copy.val[0].u.sdata);
  EXPECT_STREQ("text", copy.val[0].u.sdata);
  EXPECT_EQ(0x1234, copy.val[1].u.idata);
  EXPECT_EQ(nullptr, copy.val[2].u.sdata);

  TextItems failed{};
  MemFailNth(2);  // the array, then "text"
  EXPECT_EQ(-1, TextItemsCopy(&failed, &items));
  EXPECT_EQ(0u, failed.len);
  EXPECT_EQ(nullptr, failed.val);

  TextItemsFree(&items);
  EXPECT_EQ(0u, items.len);
  EXPECT_EQ(nullptr, items.val);
  TextItemsFree(&items);
  TextItemsFree(&copy);
  TextItemsFree(nullptr);
}

TEST_F(HostListsTest, HostStringsCopyAndFree) {
  HostStrings src{3, static_cast<char**>(MemAllocateZeroed(3, sizeof(char*), 0))};
  src.val[0] = StrDuplicate("a");
  src.val[2] = StrDuplicate("c");
  HostStrings copy{};
  ASSERT_EQ(0, HostStringsCopy(&copy, &src));
  ASSERT_EQ(3u, copy.len);
  EXPECT_STREQ("a", copy.val[0]);
  EXPECT_EQ(nullptr, copy.val[1]);
  EXPECT_NE(src.val[2], copy.val[2]);

  HostStrings failed{};
  MemFailNth(3);  // the array, "a", then "c"
  EXPECT_EQ(-1, HostStringsCopy(&failed, &src));
  EXPECT_EQ(0u, failed.len);
  EXPECT_EQ(nullptr, failed.val);

  HostStringsFree(&src);
  HostStringsFree(&src);
  HostStringsFree(&copy);
  EXPECT_EQ(nullptr, copy.val);
  HostStringsFree(nullptr);
}

// One value of every owning code, built in client memory.
TypedVal Build(int32_t code) {
  TypedVal v{};
  v.valType = code;
  switch (code) {
    case VT_STRING: v.u.sval = StrDuplicate("str"); break;
    case VT_METRICS:
    case VT_IDS:
    case VT_INTS:
      v.u.ints.len = 2;
      v.u.ints.val = static_cast<int32_t*>(MemAllocate(8, 0));
      v.u.ints.val[0] = 11;
      v.u.ints.val[1] = 22;
      break;
    case VT_POINTS:
    case VT_RANGES:
      v.u.wide.len = 1;
      v.u.wide.val = static_cast<int64_t*>(MemAllocate(8, 0));
      v.u.wide.val[0] = 0x1122334455667788LL;
      break;
    case VT_BYTES:
      v.u.bytes.len = 3;
      v.u.bytes.val = static_cast<uint8_t*>(MemAllocate(3, 0));
      std::memcpy(v.u.bytes.val, "xyz", 3);
      break;
    case VT_STRINGS:
      v.u.ssval.len = 2;
      v.u.ssval.val = static_cast<char**>(MemAllocateZeroed(2, sizeof(char*), 0));
      v.u.ssval.val[0] = StrDuplicate("s0");
      v.u.ssval.val[1] = StrDuplicate("s1");
      break;
    case VT_TABS:
      v.u.tabs.len = 2;
      v.u.tabs.val = static_cast<TypedTab*>(MemAllocateZeroed(2, sizeof(TypedTab), 0));
      v.u.tabs.val[0].text = StrDuplicate("tab");
      v.u.tabs.val[1].a = 5;
      break;
    case VT_PAIRS:
      v.u.pairs.len = 1;
      v.u.pairs.val = static_cast<TypedPair*>(MemAllocateZeroed(1, sizeof(TypedPair), 0));
      v.u.pairs.val[0].first = StrDuplicate("first");
      v.u.pairs.val[0].second = StrDuplicate("second");
      v.u.pairs.val[0].data[6] = 66;
      break;
    case VT_NESTED:
      v.u.nested.len = 1;
      v.u.nested.val = static_cast<TypedNested*>(MemAllocateZeroed(1, sizeof(TypedNested), 0));
      v.u.nested.val[0].text = StrDuplicate("nested");
      v.u.nested.val[0].count = 2;
      v.u.nested.val[0].values = static_cast<int32_t*>(MemAllocate(8, 0));
      v.u.nested.val[0].values[0] = 1;
      v.u.nested.val[0].values[1] = 2;
      break;
    case VT_NESTED_WIDE:
      v.u.nestedWide.len = 1;
      v.u.nestedWide.val =
          static_cast<TypedNestedWide*>(MemAllocateZeroed(1, sizeof(TypedNestedWide), 0));
      v.u.nestedWide.val[0].first = StrDuplicate("w1");
      v.u.nestedWide.val[0].list.len = 1;
      v.u.nestedWide.val[0].list.val = static_cast<char**>(MemAllocateZeroed(1, sizeof(char*), 0));
      v.u.nestedWide.val[0].list.val[0] = StrDuplicate("inner");
      break;
    case VT_RECORD:
      v.u.record = static_cast<TypedRecord*>(MemAllocateZeroed(1, sizeof(TypedRecord), 0));
      v.u.record->data[2] = 77;
      break;
    case VT_OWNING_RECORD:
      // Exactly the host's 16 bytes: a copy that reads more overflows.
      v.u.owningRecord = static_cast<TypedOwningRecord*>(MemAllocateZeroed(1, 16, 0));
      v.u.owningRecord->count = 1;
      v.u.owningRecord->values = static_cast<int32_t*>(MemAllocate(4, 0));
      v.u.owningRecord->values[0] = 9;
      break;
    case VT_STRUCTURED:
      v.u.structured =
          static_cast<TypedStructured*>(MemAllocateZeroed(1, sizeof(TypedStructured), 0));
      v.u.structured->name = StrDuplicate("struct");
      v.u.structured->strings.len = 1;
      v.u.structured->strings.val = static_cast<char**>(MemAllocateZeroed(1, sizeof(char*), 0));
      v.u.structured->strings.val[0] = StrDuplicate("ss");
      v.u.structured->count = 1;
      v.u.structured->elems = static_cast<TypedTab*>(MemAllocateZeroed(1, sizeof(TypedTab), 0));
      v.u.structured->elems[0].text = StrDuplicate("se");
      break;
    default: break;
  }
  return v;
}

// Whether the copy holds the same content as the source in separate blocks.
void ExpectDeepCopy(const TypedVal& a, const TypedVal& b) {
  ASSERT_EQ(a.valType, b.valType);
  switch (a.valType) {
    case VT_STRING:
      EXPECT_STREQ(a.u.sval, b.u.sval);
      EXPECT_NE(a.u.sval, b.u.sval);
      break;
    case VT_METRICS:
    case VT_IDS:
    case VT_INTS:
      ASSERT_EQ(a.u.ints.len, b.u.ints.len);
      EXPECT_NE(a.u.ints.val, b.u.ints.val);
      EXPECT_EQ(22, b.u.ints.val[1]);
      break;
    case VT_POINTS:
    case VT_RANGES:
      EXPECT_NE(a.u.wide.val, b.u.wide.val);
      EXPECT_EQ(a.u.wide.val[0], b.u.wide.val[0]);
      break;
    case VT_BYTES:
      EXPECT_NE(a.u.bytes.val, b.u.bytes.val);
      EXPECT_EQ(0, std::memcmp(a.u.bytes.val, b.u.bytes.val, 3));
      break;
    case VT_STRINGS:
      EXPECT_NE(a.u.ssval.val[1], b.u.ssval.val[1]);
      EXPECT_STREQ("s1", b.u.ssval.val[1]);
      break;
    case VT_TABS:
      EXPECT_NE(a.u.tabs.val[0].text, b.u.tabs.val[0].text);
      EXPECT_STREQ("tab", b.u.tabs.val[0].text);
      EXPECT_EQ(5, b.u.tabs.val[1].a);
      break;
    case VT_PAIRS:
      EXPECT_STREQ("second", b.u.pairs.val[0].second);
      EXPECT_NE(a.u.pairs.val[0].second, b.u.pairs.val[0].second);
      EXPECT_EQ(66, b.u.pairs.val[0].data[6]);
      break;
    case VT_NESTED:
      EXPECT_NE(a.u.nested.val[0].values, b.u.nested.val[0].values);
      EXPECT_EQ(2, b.u.nested.val[0].values[1]);
      EXPECT_STREQ("nested", b.u.nested.val[0].text);
      break;
    case VT_NESTED_WIDE:
      EXPECT_NE(a.u.nestedWide.val[0].list.val[0], b.u.nestedWide.val[0].list.val[0]);
      EXPECT_STREQ("inner", b.u.nestedWide.val[0].list.val[0]);
      EXPECT_EQ(nullptr, b.u.nestedWide.val[0].second);
      break;
    case VT_RECORD:
      EXPECT_NE(a.u.record, b.u.record);
      EXPECT_EQ(77, b.u.record->data[2]);
      break;
    case VT_OWNING_RECORD:
      EXPECT_NE(a.u.owningRecord->values, b.u.owningRecord->values);
      EXPECT_EQ(1u, b.u.owningRecord->count);
      EXPECT_EQ(9, b.u.owningRecord->values[0]);
      break;
    case VT_STRUCTURED:
      EXPECT_STREQ("struct", b.u.structured->name);
      EXPECT_NE(a.u.structured->elems, b.u.structured->elems);
      EXPECT_STREQ("se", b.u.structured->elems[0].text);
      EXPECT_STREQ("ss", b.u.structured->strings.val[0]);
      break;
    default: break;
  }
}

TEST_F(HostListsTest, EveryOwningCodeCopiesDeepAndFreesTwiceHarmlessly) {
  const int32_t codes[] = {VT_STRING, VT_METRICS, VT_STRINGS,       VT_POINTS,      VT_TABS,
                           VT_RANGES, VT_IDS,     VT_BYTES,         VT_INTS,        VT_PAIRS,
                           VT_NESTED, VT_RECORD,  VT_OWNING_RECORD, VT_NESTED_WIDE, VT_STRUCTURED};
  for (int32_t code : codes) {
    SCOPED_TRACE(code);
    TypedVal source = Build(code);
    TypedVal copy;
    ASSERT_EQ(0, TypedValCopy(&copy, &source));
    ExpectDeepCopy(source, copy);
    TypedValFree(&source);
    TypedValFree(&source);
    TypedValFree(&copy);
  }
}

TEST_F(HostListsTest, PlainCodesCopyTheirPayload) {
  TypedVal loc{};
  loc.valType = VT_TEXTLOC;
  loc.u.tloc = TextLoc{0x5000001, 17};
  TypedVal range{};
  range.valType = VT_TEXTRANGE;
  range.u.trange = TextRange{{1, 2}, {3, 0x50000000}};
  TypedVal unknown{};
  unknown.valType = 99;
  unknown.u.ival = 5;

  TypedVal copy;
  ASSERT_EQ(0, TypedValCopy(&copy, &loc));
  EXPECT_EQ(17, copy.u.tloc.offset);
  EXPECT_EQ(0x5000001u, copy.u.tloc.obj);
  ASSERT_EQ(0, TypedValCopy(&copy, &range));
  EXPECT_EQ(0x50000000, copy.u.trange.end.offset);
  ASSERT_EQ(0, TypedValCopy(&copy, &unknown));
  EXPECT_EQ(99, copy.valType);
  EXPECT_EQ(0, copy.u.ival) << "codes the client does not know carry nothing";
  TypedValFree(&copy);
}

TEST_F(HostListsTest, FailedCopiesLeaveNothingBehind) {
  // Every allocation of a nested copy is made to fail in turn; the result is
  // always either a whole copy or an empty destination, and nothing leaks.
  for (int32_t code : {VT_NESTED_WIDE, VT_STRUCTURED, VT_OWNING_RECORD, VT_NESTED}) {
    TypedVal source = Build(code);
    for (int64_t nth = 1; nth <= 6; ++nth) {
      SCOPED_TRACE(nth);
      TypedVal copy;
      MemFailNth(nth);
      int32_t result = TypedValCopy(&copy, &source);
      MemFailNth(0);
      if (result != 0) {
        EXPECT_EQ(0, copy.valType);
        EXPECT_EQ(nullptr, copy.u.sval);
      }
      TypedValFree(&copy);
    }
    TypedValFree(&source);
  }

  PropVal named{};
  named.propIdent.num = 0;
  named.propIdent.name = StrDuplicate("ByName");
  named.propVal.valType = VT_STRING;
  named.propVal.u.sval = StrDuplicate("v");
  PropVals list{1, &named};
  PropVals copy{};
  MemFailNth(3);  // array, name, then the string value
  EXPECT_EQ(-1, PropValsCopy(&copy, &list));
  EXPECT_EQ(0u, copy.len);
  ASSERT_EQ(0, PropValsCopy(&copy, &list));
  EXPECT_STREQ("ByName", copy.val[0].propIdent.name);
  EXPECT_NE(named.propIdent.name, copy.val[0].propIdent.name);
  PropValsFree(&copy);
  PropValFree(&named);
  EXPECT_EQ(nullptr, named.propIdent.name);
  PropValFree(&named);
  PropValFree(nullptr);
}

// --- The two compositions over opening and saving ---

class RecordingHost : public StubHost {
 public:
  ObjHandle OpenDocument(const char* path, const PropVals* params, PropVals** ret) override {
    openPath = path != nullptr ? path : "<null>";
    ASSERT_OPEN(params);
    *ret = &openReturn;
    PropValsSetString(&openReturn, 5, "returned");
    if (status != 0) {
      HostErrno = status;
      return 0;
    }
    return 0x1000007;
  }
  ObjHandle SaveDocument(ObjHandle doc, const char* path, const PropVals* params,
                         PropVals** ret) override {
    savedDoc = doc;
    savePath = path != nullptr ? path : "<null>";
    saveParamCount = params != nullptr ? params->len : 99;
    *ret = &saveReturn;
    PropValsSetString(&saveReturn, 6, "saved");
    return doc;
  }
  void ASSERT_OPEN(const PropVals* params) {
    openParamCount = params->len;
    if (params->len == 1) {
      openParamNumber = params->val[0].propIdent.num;
      openParamType = params->val[0].propVal.valType;
      openParamValue = params->val[0].propVal.u.ival;
    }
  }

  std::string openPath, savePath;
  uint32_t openParamCount = 0, saveParamCount = 0;
  int32_t openParamNumber = 0, openParamType = 0, openParamValue = 0;
  ObjHandle savedDoc = 0;
  int32_t status = 0;
  PropVals openReturn{0, nullptr};
  PropVals saveReturn{0, nullptr};
};

class CompositionTest : public HostListsTest {
 protected:
  void SetUp() override { previous_ = HostInstall(&host_); }
  void TearDown() override {
    HostInstall(previous_);
    SetClientEncoding("FrameRoman");
    HostErrno = 0;
    HostListsTest::TearDown();
  }
  RecordingHost host_;
  HostApi* previous_ = nullptr;
};

TEST_F(CompositionTest, OpenPassesOneQuietParameterAndFreesTheReturnList) {
  EXPECT_EQ(0x1000007u, HostOpenDocumentSimple("C:\\Docs\\caf\x8E.fm", 0));
  EXPECT_EQ("C:\\Docs\\caf\x8E.fm", host_.openPath) << "the open name is not converted";
  EXPECT_EQ(1u, host_.openParamCount);
  EXPECT_EQ(29, host_.openParamNumber);
  EXPECT_EQ(VT_INT, host_.openParamType);
  EXPECT_EQ(1, host_.openParamValue);
  EXPECT_EQ(0u, host_.openReturn.len) << "the return list is emptied";

  host_.status = 12;
  HostErrno = 0;
  EXPECT_EQ(0u, HostOpenDocumentSimple("x.fm", 0));
  EXPECT_EQ(12, HostErrno);
  EXPECT_EQ(0u, host_.openReturn.len);
}

TEST_F(CompositionTest, OpenWithoutParameterMemoryFailsWithMinus42) {
  HostErrno = 0;
  MemFailNth(1);
  EXPECT_EQ(0u, HostOpenDocumentSimple("x.fm", 0));
  EXPECT_EQ(ERR_NO_PARAM_LIST, HostErrno);
  EXPECT_EQ("", host_.openPath) << "the host is not called";
}

TEST_F(CompositionTest, SaveHandsTheHostAUtf8Name) {
  const char* roman = "C:\\Docs\\caf\x8E.fm";
  char* expected = ClientTextToUtf8(roman);
  ASSERT_NE(nullptr, expected);
  EXPECT_EQ(0x1000009u, HostSaveDocumentSimple(0x1000009, roman, 0));
  EXPECT_EQ(std::string(expected), host_.savePath);
  EXPECT_NE(std::string(roman), host_.savePath);
  EXPECT_EQ(0u, host_.saveParamCount);
  EXPECT_EQ(0u, host_.saveReturn.len);
  MemRelease(expected);

  SetClientEncoding("UTF-8");
  EXPECT_EQ(0x1000009u, HostSaveDocumentSimple(0x1000009, "C:\\caf\xC3\xA9.fm", 0));
  EXPECT_EQ("C:\\caf\xC3\xA9.fm", host_.savePath) << "a UTF-8 client passes its name as is";
}

TEST_F(CompositionTest, WithoutAHostBothFail) {
  HostInstall(nullptr);
  HostErrno = 0;
  EXPECT_EQ(0u, HostOpenDocumentSimple("x.fm", 0));
  EXPECT_EQ(ERR_CALL_FAILED, HostErrno);
  HostErrno = 0;
  EXPECT_EQ(0u, HostSaveDocumentSimple(1, "x.fm", 0));
  EXPECT_EQ(ERR_CALL_FAILED, HostErrno);
}

}  // namespace
