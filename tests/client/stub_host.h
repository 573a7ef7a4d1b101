// A host on which every operation fails, for tests that need only one or two
// operations to answer: derive and override those.
#ifndef TAGSMITH_TESTS_CLIENT_STUB_HOST_H
#define TAGSMITH_TESTS_CLIENT_STUB_HOST_H

#include "client/host_api.h"

class StubHost : public HostApi {
 public:
  int32_t Alert(const char*, int32_t) override { return Fail(0); }
  int32_t ScrollBox(int32_t*, const char*, const HostStrings*, int32_t) override {
    return Fail(-1);
  }
  int32_t PrintConsole(const char*) override { return Fail(ERR_CALL_FAILED); }
  int32_t RequestNotification(int32_t, int32_t) override { return Fail(ERR_CALL_FAILED); }
  int32_t ExecuteCodes(int32_t, const int32_t*) override { return Fail(ERR_CALL_FAILED); }
  ObjHandle DefineMenu(const char*, const char*) override { return Fail(0); }
  ObjHandle DefineAndAddMenu(ObjHandle, const char*, const char*) override { return Fail(0); }
  ObjHandle DefineAndAddCommand(int32_t, ObjHandle, const char*, const char*,
                                const char*) override {
    return Fail(0);
  }
  int32_t AddItemToMenu(ObjHandle, ObjHandle) override { return Fail(ERR_CALL_FAILED); }
  int32_t AddMenuToMenu(ObjHandle, ObjHandle) override { return Fail(ERR_CALL_FAILED); }
  ObjHandle GetNamedObject(ObjHandle, int32_t, const char*) override { return Fail(0); }
  ObjHandle NewNamedObject(ObjHandle, int32_t, const char*) override { return Fail(0); }
  int32_t DeleteObject(ObjHandle, ObjHandle) override { return Fail(ERR_CALL_FAILED); }
  ObjHandle OpenDocument(const char*, const PropVals*, PropVals**) override { return Fail(0); }
  ObjHandle SaveDocument(ObjHandle, const char*, const PropVals*, PropVals**) override {
    return Fail(0);
  }
  int32_t CloseDocument(ObjHandle, int32_t) override { return Fail(ERR_CALL_FAILED); }
  ObjHandle NewCustomDocument(Metric, Metric, int32_t, Metric, Metric, Metric, Metric, Metric,
                              int32_t, int32_t) override {
    return Fail(0);
  }
  int32_t Redisplay(ObjHandle) override { return Fail(ERR_CALL_FAILED); }
  int32_t ScrollToText(ObjHandle, TextRange) override { return Fail(ERR_CALL_FAILED); }
  int32_t GetInt(ObjHandle, ObjHandle, int32_t) override { return Fail(0); }
  void SetInt(ObjHandle, ObjHandle, int32_t, int32_t) override { Fail(0); }
  ObjHandle GetId(ObjHandle, ObjHandle, int32_t) override { return Fail(0); }
  void SetId(ObjHandle, ObjHandle, int32_t, ObjHandle) override { Fail(0); }
  Metric GetMetric(ObjHandle, ObjHandle, int32_t) override { return Fail(0); }
  char* GetString(ObjHandle, ObjHandle, int32_t) override {
    Fail(0);
    return nullptr;
  }
  void SetString(ObjHandle, ObjHandle, int32_t, const char*) override { Fail(0); }
  HostStrings GetStrings(ObjHandle, ObjHandle, int32_t) override {
    Fail(0);
    return HostStrings{0, nullptr};
  }
  MetricList GetMetrics(ObjHandle, ObjHandle, int32_t) override {
    Fail(0);
    return MetricList{0, nullptr};
  }
  void SetMetrics(ObjHandle, ObjHandle, int32_t, const MetricList*) override { Fail(0); }
  TextRange GetTextRange(ObjHandle, ObjHandle, int32_t) override {
    Fail(0);
    return TextRange{{0, 0}, {0, 0}};
  }
  void SetTextRange(ObjHandle, ObjHandle, int32_t, TextRange) override { Fail(0); }
  PropVal GetPropVal(ObjHandle, ObjHandle, int32_t) override {
    Fail(0);
    return PropVal{};
  }
  PropVals GetProps(ObjHandle, ObjHandle) override {
    Fail(0);
    return PropVals{0, nullptr};
  }
  void SetProps(ObjHandle, ObjHandle, const PropVals*) override { Fail(0); }
  TextItems GetTextForRange(ObjHandle, TextRange, int32_t) override {
    Fail(0);
    return TextItems{0, nullptr};
  }
  PropVal GetTextPropVal(ObjHandle, TextLoc, int32_t) override {
    Fail(0);
    return PropVal{};
  }
  void SetTextProps(ObjHandle, TextRange, const PropVals*) override { Fail(0); }
  TextLoc AddText(ObjHandle, TextLoc, const char*) override {
    Fail(0);
    return TextLoc{0, 0};
  }
  ObjHandle NewTable(ObjHandle, const char*, int32_t, int32_t, int32_t, int32_t, TextLoc) override {
    return Fail(0);
  }

 protected:
  static int32_t Fail(int32_t failure) {
    HostErrno = ERR_CALL_FAILED;
    return failure;
  }
};

#endif
