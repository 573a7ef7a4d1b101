// FaultyHost: fault injection for tests over any host. It counts every call,
// can log their names, and fails the call chosen (the n-th from now, or any
// that a test's function picks by name) as the host fails one: HostErrno
// set to the status and the call's failure value returned, without the host
// below being asked. A test that breaks one call in its own way derives from
// it (or from HostWrapper) and overrides only that call.
//
// The names are the host's calls; AddMenuToMenu counts as AddItemToMenu,
// GetMetric as GetInt and PeekTextPropVal as GetTextPropVal, the calls the
// host does them with.
#ifndef TAGSMITH_MEMHOST_FAULTY_HOST_H
#define TAGSMITH_MEMHOST_FAULTY_HOST_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "client/host_wrapper.h"

namespace memhost {

class FaultyHost : public HostWrapper {
 public:
  // Over `target`, which must outlive it.
  explicit FaultyHost(HostApi* target) : HostWrapper(target) {}
  ~FaultyHost() override;
  FaultyHost(const FaultyHost&) = delete;
  FaultyHost& operator=(const FaultyHost&) = delete;

  // The n-th host call from now (1 = the next) fails with `status` (stored
  // in HostErrno, and returned by calls whose result is a status). 0: off.
  void FailNthCall(int64_t n, int32_t status);
  // When set, asked before every call with the call's name; a call it
  // answers with a status other than 0 fails with that status as above.
  std::function<int32_t(const char* op)> failWith;
  int64_t callCount = 0;    // every call so far
  int64_t failedCalls = 0;  // calls failed here
  // When set, the name of every call is appended to callLog (an alert with
  // its type: "Alert1" is a question).
  bool recordCalls = false;
  std::vector<std::string> callLog;

  int32_t Alert(const char* message, int32_t type) override;
  int32_t ScrollBox(int32_t* chosen, const char* title, const HostStrings* items,
                    int32_t defaultIndex) override;
  int32_t PrintConsole(const char* text) override;
  int32_t RequestNotification(int32_t note, int32_t enable) override;
  int32_t ExecuteCodes(int32_t count, const int32_t* codes) override;
  ObjHandle DefineMenu(const char* tag, const char* label) override;
  ObjHandle DefineAndAddMenu(ObjHandle parent, const char* tag, const char* label) override;
  ObjHandle DefineAndAddCommand(int32_t number, ObjHandle menu, const char* tag, const char* label,
                                const char* shortcut) override;
  int32_t AddItemToMenu(ObjHandle menu, ObjHandle item) override;
  int32_t AddMenuToMenu(ObjHandle parent, ObjHandle menu) override;
  ObjHandle GetNamedObject(ObjHandle doc, int32_t type, const char* name) override;
  ObjHandle NewNamedObject(ObjHandle doc, int32_t type, const char* name) override;
  int32_t DeleteObject(ObjHandle doc, ObjHandle obj) override;
  // A failed open or save still points *ret at a list (empty) as the host's
  // do.
  ObjHandle OpenDocument(const char* path, const PropVals* params, PropVals** ret) override;
  ObjHandle SaveDocument(ObjHandle doc, const char* path, const PropVals* params,
                         PropVals** ret) override;
  int32_t CloseDocument(ObjHandle doc, int32_t flags) override;
  ObjHandle NewCustomDocument(Metric width, Metric height, int32_t columns, Metric gap, Metric top,
                              Metric bottom, Metric left, Metric right, int32_t sidedness,
                              int32_t flag) override;
  int32_t Redisplay(ObjHandle doc) override;
  int32_t ScrollToText(ObjHandle doc, TextRange range) override;
  int32_t GetInt(ObjHandle doc, ObjHandle obj, int32_t prop) override;
  void SetInt(ObjHandle doc, ObjHandle obj, int32_t prop, int32_t value) override;
  ObjHandle GetId(ObjHandle doc, ObjHandle obj, int32_t prop) override;
  void SetId(ObjHandle doc, ObjHandle obj, int32_t prop, ObjHandle value) override;
  Metric GetMetric(ObjHandle doc, ObjHandle obj, int32_t prop) override;
  char* GetString(ObjHandle doc, ObjHandle obj, int32_t prop) override;
  void SetString(ObjHandle doc, ObjHandle obj, int32_t prop, const char* value) override;
  HostStrings GetStrings(ObjHandle doc, ObjHandle obj, int32_t prop) override;
  MetricList GetMetrics(ObjHandle doc, ObjHandle obj, int32_t prop) override;
  void SetMetrics(ObjHandle doc, ObjHandle obj, int32_t prop, const MetricList* value) override;
  TextRange GetTextRange(ObjHandle doc, ObjHandle obj, int32_t prop) override;
  void SetTextRange(ObjHandle doc, ObjHandle obj, int32_t prop, TextRange value) override;
  PropVal GetPropVal(ObjHandle doc, ObjHandle obj, int32_t prop) override;
  PropVals GetProps(ObjHandle doc, ObjHandle obj) override;
  void SetProps(ObjHandle doc, ObjHandle obj, const PropVals* values) override;
  TextItems GetTextForRange(ObjHandle doc, TextRange range, int32_t mask) override;
  PropVal GetTextPropVal(ObjHandle doc, TextLoc at, int32_t prop) override;
  bool PeekTextPropVal(ObjHandle doc, TextLoc at, int32_t prop, PropVal* view,
                       size_t* length) override;
  void SetTextProps(ObjHandle doc, TextRange range, const PropVals* values) override;
  TextLoc AddText(ObjHandle doc, TextLoc at, const char* text) override;
  ObjHandle NewTable(ObjHandle doc, const char* format, int32_t columns, int32_t bodyRows,
                     int32_t headingRows, int32_t footingRows, TextLoc at) override;

 protected:
  // Counts (and logs) the call named `op`; true, with HostErrno and *status
  // set, when it is to fail. Inline for a run that injects nothing: a scan
  // makes a call a character.
  bool Fault(const char* op, int32_t* status = nullptr) {
    if (failAt_ == 0 && !recordCalls && !failWith) {
      ++callCount;
      return false;
    }
    return Injecting(op, status);
  }

 private:
  bool Injecting(const char* op, int32_t* status);
  // Frees the list *ret held and points it at `own`, emptied.
  static void ReturnEmpty(PropVals** ret, PropVals* own);

  int64_t failAt_ = 0;
  int32_t failStatus_ = -1;
  PropVals openReturn_{0, nullptr};
  PropVals saveReturn_{0, nullptr};
};

}  // namespace memhost

#endif
