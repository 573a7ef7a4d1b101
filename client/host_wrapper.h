// A host that forwards every operation to another one. Derive from it to
// change a single operation (to break it, count it or watch it) and leave the
// rest as the target does them.
#ifndef TAGSMITH_CLIENT_HOST_WRAPPER_H
#define TAGSMITH_CLIENT_HOST_WRAPPER_H

#include "client/host_api.h"

class HostWrapper : public HostApi {
 public:
  explicit HostWrapper(HostApi* target) : target_(target) {}
  HostApi* target() const { return target_; }

  int32_t Alert(const char* m, int32_t t) override { return target_->Alert(m, t); }
  int32_t ScrollBox(int32_t* c, const char* t, const HostStrings* i, int32_t d) override {
    return target_->ScrollBox(c, t, i, d);
  }
  int32_t PrintConsole(const char* t) override { return target_->PrintConsole(t); }
  int32_t RequestNotification(int32_t n, int32_t e) override {
    return target_->RequestNotification(n, e);
  }
  int32_t ExecuteCodes(int32_t n, const int32_t* c) override { return target_->ExecuteCodes(n, c); }
  ObjHandle DefineMenu(const char* t, const char* l) override { return target_->DefineMenu(t, l); }
  ObjHandle DefineAndAddMenu(ObjHandle p, const char* t, const char* l) override {
    return target_->DefineAndAddMenu(p, t, l);
  }
  ObjHandle DefineAndAddCommand(int32_t n, ObjHandle m, const char* t, const char* l,
                                const char* s) override {
    return target_->DefineAndAddCommand(n, m, t, l, s);
  }
  int32_t AddItemToMenu(ObjHandle m, ObjHandle i) override { return target_->AddItemToMenu(m, i); }
  int32_t AddMenuToMenu(ObjHandle p, ObjHandle m) override { return target_->AddMenuToMenu(p, m); }
  ObjHandle GetNamedObject(ObjHandle d, int32_t t, const char* n) override {
    return target_->GetNamedObject(d, t, n);
  }
  ObjHandle NewNamedObject(ObjHandle d, int32_t t, const char* n) override {
    return target_->NewNamedObject(d, t, n);
  }
  int32_t DeleteObject(ObjHandle d, ObjHandle o) override { return target_->DeleteObject(d, o); }
  ObjHandle OpenDocument(const char* p, const PropVals* a, PropVals** r) override {
    return target_->OpenDocument(p, a, r);
  }
  ObjHandle SaveDocument(ObjHandle d, const char* p, const PropVals* a, PropVals** r) override {
    return target_->SaveDocument(d, p, a, r);
  }
  int32_t CloseDocument(ObjHandle d, int32_t f) override { return target_->CloseDocument(d, f); }
  ObjHandle NewCustomDocument(Metric w, Metric h, int32_t c, Metric g, Metric t, Metric b, Metric l,
                              Metric r, int32_t s, int32_t f) override {
    return target_->NewCustomDocument(w, h, c, g, t, b, l, r, s, f);
  }
  int32_t Redisplay(ObjHandle d) override { return target_->Redisplay(d); }
  int32_t ScrollToText(ObjHandle d, TextRange r) override { return target_->ScrollToText(d, r); }
  int32_t GetInt(ObjHandle d, ObjHandle o, int32_t p) override { return target_->GetInt(d, o, p); }
  void SetInt(ObjHandle d, ObjHandle o, int32_t p, int32_t v) override {
    target_->SetInt(d, o, p, v);
  }
  ObjHandle GetId(ObjHandle d, ObjHandle o, int32_t p) override { return target_->GetId(d, o, p); }
  void SetId(ObjHandle d, ObjHandle o, int32_t p, ObjHandle v) override {
    target_->SetId(d, o, p, v);
  }
  Metric GetMetric(ObjHandle d, ObjHandle o, int32_t p) override {
    return target_->GetMetric(d, o, p);
  }
  char* GetString(ObjHandle d, ObjHandle o, int32_t p) override {
    return target_->GetString(d, o, p);
  }
  void SetString(ObjHandle d, ObjHandle o, int32_t p, const char* v) override {
    target_->SetString(d, o, p, v);
  }
  HostStrings GetStrings(ObjHandle d, ObjHandle o, int32_t p) override {
    return target_->GetStrings(d, o, p);
  }
  MetricList GetMetrics(ObjHandle d, ObjHandle o, int32_t p) override {
    return target_->GetMetrics(d, o, p);
  }
  void SetMetrics(ObjHandle d, ObjHandle o, int32_t p, const MetricList* v) override {
    target_->SetMetrics(d, o, p, v);
  }
  TextRange GetTextRange(ObjHandle d, ObjHandle o, int32_t p) override {
    return target_->GetTextRange(d, o, p);
  }
  void SetTextRange(ObjHandle d, ObjHandle o, int32_t p, TextRange v) override {
    target_->SetTextRange(d, o, p, v);
  }
  PropVal GetPropVal(ObjHandle d, ObjHandle o, int32_t p) override {
    return target_->GetPropVal(d, o, p);
  }
  PropVals GetProps(ObjHandle d, ObjHandle o) override { return target_->GetProps(d, o); }
  void SetProps(ObjHandle d, ObjHandle o, const PropVals* v) override {
    target_->SetProps(d, o, v);
  }
  TextItems GetTextForRange(ObjHandle d, TextRange r, int32_t m) override {
    return target_->GetTextForRange(d, r, m);
  }
  PropVal GetTextPropVal(ObjHandle d, TextLoc a, int32_t p) override {
    return target_->GetTextPropVal(d, a, p);
  }
  void SetTextProps(ObjHandle d, TextRange r, const PropVals* v) override {
    target_->SetTextProps(d, r, v);
  }
  TextLoc AddText(ObjHandle d, TextLoc a, const char* t) override {
    return target_->AddText(d, a, t);
  }
  ObjHandle NewTable(ObjHandle d, const char* f, int32_t c, int32_t b, int32_t h, int32_t ft,
                     TextLoc a) override {
    return target_->NewTable(d, f, c, b, h, ft, a);
  }

 private:
  HostApi* target_;
};

#endif
