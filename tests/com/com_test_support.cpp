#include "tests/com/com_test_support.h"

#include <cstring>
#include <string>

#include "plugin/com_bridge.h"
#include "plugin/entry.h"
#include "client/host_lists.h"
#include "support/memory.h"
#include "support/strings.h"

namespace comtest {

namespace {

// Stack-built source of EveryKindOfValue; copied into the heap as a whole.
char kName[] = "Custom";
char kCustom[] = "custom value";
char kA[] = "a";
char kB[] = "b";
char* kStrings[] = {kA, kB};
int32_t kInts[] = {1, 2, 3};
int64_t kWide[] = {10, 20};
char kTab[] = "tab";
TypedTab kTabs[] = {{kTab, 1, 2}};
uint8_t kBytes[] = {1, 2, 3, 4};
char kFirst[] = "first";
char kSecond[] = "second";
TypedPair kPairs[] = {{kFirst, kSecond, {1, 2, 3, 4, 5, 6, 7}}};
TypedNested kNested[] = {{kTab, 3, kInts, 9}};
TypedRecord kRecord = {{7, 8, 9}};
TypedOwningRecord kOwningRecord = {2, kInts};
TypedNestedWide kNestedWide[] = {{kFirst, kSecond, {2, kStrings}, {1, 2}}};
TypedStructured kStructured = {kName, {2, kStrings}, 1, kTabs};

PropVal Entry(int32_t num, int32_t code) {
  PropVal v{};
  v.propIdent.num = num;
  v.propVal.valType = code;
  return v;
}

template <typename T>
bool SameArray(const T* a, const T* b, uint32_t n) {
  if (n == 0) return true;
  return a != nullptr && b != nullptr && a != b && std::memcmp(a, b, n * sizeof(T)) == 0;
}

bool SameString(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return a != b && std::strcmp(a, b) == 0;
}

bool SameStrings(const HostStrings& a, const HostStrings& b) {
  if (a.len != b.len) return false;
  if (a.len > 0 && a.val == b.val) return false;
  for (uint32_t i = 0; i < a.len; ++i) {
    if (!SameString(a.val[i], b.val[i])) return false;
  }
  return true;
}

bool SameTabs(const TypedTab* a, const TypedTab* b, uint32_t n) {
  if (n > 0 && (a == nullptr || b == nullptr || a == b)) return false;
  for (uint32_t i = 0; i < n; ++i) {
    if (!SameString(a[i].text, b[i].text) || a[i].a != b[i].a || a[i].b != b[i].b) return false;
  }
  return true;
}

}  // namespace

PropVals EveryKindOfValue() {
  PropVal v[17];
  v[0] = Entry(0, VT_STRING);
  v[0].propIdent.name = kName;
  v[0].propVal.u.sval = kCustom;
  v[1] = Entry(5, VT_INT);
  v[1].propVal.u.ival = 7;
  v[2] = Entry(6, VT_STRINGS);
  v[2].propVal.u.ssval = {2, kStrings};
  v[3] = Entry(7, VT_METRICS);
  v[3].propVal.u.ints = {3, kInts};
  v[4] = Entry(8, VT_POINTS);
  v[4].propVal.u.wide = {2, kWide};
  v[5] = Entry(9, VT_TABS);
  v[5].propVal.u.tabs = {1, kTabs};
  v[6] = Entry(10, VT_TEXTRANGE);
  v[6].propVal.u.trange = TextRange{{1, 2}, {3, 4}};
  v[7] = Entry(11, VT_RANGES);
  v[7].propVal.u.wide = {1, kWide};
  v[8] = Entry(12, VT_IDS);
  v[8].propVal.u.ints = {1, kInts};
  v[9] = Entry(13, VT_BYTES);
  v[9].propVal.u.bytes = {4, kBytes};
  v[10] = Entry(14, VT_INTS);
  v[10].propVal.u.ints = {2, kInts};
  v[11] = Entry(15, VT_PAIRS);
  v[11].propVal.u.pairs = {1, kPairs};
  v[12] = Entry(16, VT_NESTED);
  v[12].propVal.u.nested = {1, kNested};
  v[13] = Entry(17, VT_RECORD);
  v[13].propVal.u.record = &kRecord;
  v[14] = Entry(18, VT_OWNING_RECORD);
  v[14].propVal.u.owningRecord = &kOwningRecord;
  v[15] = Entry(19, VT_NESTED_WIDE);
  v[15].propVal.u.nestedWide = {1, kNestedWide};
  v[16] = Entry(20, VT_STRUCTURED);
  v[16].propVal.u.structured = &kStructured;
  PropVals source{17, v};
  PropVals copy{0, nullptr};
  PropValsCopy(&copy, &source);
  return copy;
}

::testing::AssertionResult SameValue(const PropVal& a, const PropVal& b) {
  if (a.propIdent.num != b.propIdent.num) return ::testing::AssertionFailure() << "number";
  if (a.propIdent.num == 0 && !SameString(a.propIdent.name, b.propIdent.name))
    return ::testing::AssertionFailure() << "name of " << a.propIdent.num;
  const TypedVal& x = a.propVal;
  const TypedVal& y = b.propVal;
  if (x.valType != y.valType) return ::testing::AssertionFailure() << "code";
  bool same = true;
  switch (x.valType) {
    case VT_STRING: same = SameString(x.u.sval, y.u.sval); break;
    case VT_METRICS:
    case VT_IDS:
    case VT_INTS:
      same = x.u.ints.len == y.u.ints.len && SameArray(x.u.ints.val, y.u.ints.val, x.u.ints.len);
      break;
    case VT_STRINGS: same = SameStrings(x.u.ssval, y.u.ssval); break;
    case VT_POINTS:
    case VT_RANGES:
      same = x.u.wide.len == y.u.wide.len && SameArray(x.u.wide.val, y.u.wide.val, x.u.wide.len);
      break;
    case VT_BYTES:
      same = x.u.bytes.len == y.u.bytes.len &&
             SameArray(x.u.bytes.val, y.u.bytes.val, x.u.bytes.len);
      break;
    case VT_TABS:
      same = x.u.tabs.len == y.u.tabs.len && SameTabs(x.u.tabs.val, y.u.tabs.val, x.u.tabs.len);
      break;
    case VT_PAIRS:
      same = x.u.pairs.len == y.u.pairs.len && x.u.pairs.val != y.u.pairs.val;
      for (uint32_t i = 0; same && i < x.u.pairs.len; ++i) {
        same = SameString(x.u.pairs.val[i].first, y.u.pairs.val[i].first) &&
               SameString(x.u.pairs.val[i].second, y.u.pairs.val[i].second) &&
               std::memcmp(x.u.pairs.val[i].data, y.u.pairs.val[i].data,
                           sizeof x.u.pairs.val[i].data) == 0;
      }
      break;
    case VT_NESTED:
      same = x.u.nested.len == y.u.nested.len && x.u.nested.val != y.u.nested.val;
      for (uint32_t i = 0; same && i < x.u.nested.len; ++i) {
        const TypedNested& p = x.u.nested.val[i];
        const TypedNested& q = y.u.nested.val[i];
        same = SameString(p.text, q.text) && p.count == q.count &&
               SameArray(p.values, q.values, p.count) && p.data == q.data;
      }
      break;
    case VT_RECORD: same = SameArray(x.u.record, y.u.record, 1); break;
    case VT_OWNING_RECORD:
      same = x.u.owningRecord != y.u.owningRecord &&
             x.u.owningRecord->count == y.u.owningRecord->count &&
             SameArray(x.u.owningRecord->values, y.u.owningRecord->values, x.u.owningRecord->count);
      break;
    case VT_NESTED_WIDE:
      same = x.u.nestedWide.len == y.u.nestedWide.len && x.u.nestedWide.val != y.u.nestedWide.val;
      for (uint32_t i = 0; same && i < x.u.nestedWide.len; ++i) {
        const TypedNestedWide& p = x.u.nestedWide.val[i];
        const TypedNestedWide& q = y.u.nestedWide.val[i];
        same = SameString(p.first, q.first) && SameString(p.second, q.second) &&
               SameStrings(p.list, q.list) && p.data[0] == q.data[0] && p.data[1] == q.data[1];
      }
      break;
    case VT_STRUCTURED:
      same = x.u.structured != y.u.structured &&
             SameString(x.u.structured->name, y.u.structured->name) &&
             SameStrings(x.u.structured->strings, y.u.structured->strings) &&
             x.u.structured->count == y.u.structured->count &&
             SameTabs(x.u.structured->elems, y.u.structured->elems, x.u.structured->count);
      break;
    default: same = std::memcmp(&x.u, &y.u, sizeof x.u) == 0; break;
  }
  if (!same) return ::testing::AssertionFailure() << "value of property " << a.propIdent.num;
  return ::testing::AssertionSuccess();
}

// ---------------------------------------------------------------------------

char* ScriptedHostC::GetString(ObjHandle, ObjHandle, int32_t prop) {
  // An empty host string is still a string; property 0 gives none.
  if (prop == 0) return nullptr;
  // From 100 on: that many letters less 100, for strings of every length.
  if (prop >= 100) return StrDuplicate(std::string(static_cast<size_t>(prop - 100), 'x').c_str());
  return StrDuplicate(prop == 1 ? "" : "host text");
}

HostStrings ScriptedHostC::GetStrings(ObjHandle, ObjHandle, int32_t) {
  HostStrings source{2, kStrings};
  HostStrings copy{0, nullptr};
  HostStringsCopy(&copy, &source);
  return copy;
}

MetricList ScriptedHostC::GetMetrics(ObjHandle, ObjHandle, int32_t) {
  MetricList list{3, static_cast<Metric*>(MemAllocate(3 * sizeof(Metric), 0))};
  for (uint32_t i = 0; i < 3; ++i) list.val[i] = static_cast<Metric>(0x10000 * (i + 1));
  return list;
}

PropVal ScriptedHostC::GetPropVal(ObjHandle, ObjHandle, int32_t) {
  PropVals all = EveryKindOfValue();
  PropVal one{};
  PropValCopy(&one, &all.val[0]);
  PropValsFree(&all);
  return one;
}

PropVals ScriptedHostC::GetProps(ObjHandle, ObjHandle) { return EveryKindOfValue(); }

TextItems ScriptedHostC::GetTextForRange(ObjHandle, TextRange, int32_t) {
  TextItem source[3] = {};
  source[0].offset = 0;
  source[0].dataType = ITEM_STRING;
  source[0].u.sdata = kFirst;
  source[1].offset = 5;
  source[1].dataType = ITEM_PGF_END;
  source[1].u.idata = 0x12345;
  source[2].offset = 5;
  source[2].dataType = ITEM_STRING;
  source[2].u.sdata = kSecond;
  TextItems from{3, source};
  TextItems copy{0, nullptr};
  TextItemsCopy(&copy, &from);
  return copy;
}

PropVal ScriptedHostC::GetTextPropVal(ObjHandle, TextLoc, int32_t prop) {
  PropVal v{};
  v.propIdent.num = prop;
  v.propVal.valType = VT_STRING;
  v.propVal.u.sval = StrDuplicate("Emphasis");
  return v;
}

ObjHandle ScriptedHostC::OpenDocument(const char*, const PropVals*, PropVals** ret) {
  static PropVals own{0, nullptr};
  PropValsFree(&own);
  own = EveryKindOfValue();
  if (ret != nullptr) {
    if (*ret != nullptr) PropValsFree(*ret);
    *ret = &own;
  }
  return 0x01000042;
}

// ---------------------------------------------------------------------------

void ConnectedTest::SetUp() {
  HostErrno = 0;
  ClientUseHandlers(ClientHandlers{});
}

void ConnectedTest::TearDown() {
  host.DropCallback();
  ClientUseHandlers(ClientHandlers{});
  HostInstall(nullptr);
  HostErrno = 0;
}

int32_t ConnectedTest::Connect(void* module) {
  return F_ApiClientInit(module, host.Object(), nullptr, &emptyDescription);
}

std::vector<comhost::TaskBlock> ConnectedTest::BlocksSince(size_t from) const {
  return std::vector<comhost::TaskBlock>(host.handedOut.begin() + static_cast<std::ptrdiff_t>(from),
                                         host.handedOut.end());
}

}  // namespace comtest
