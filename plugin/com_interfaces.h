// The host's COM interfaces as the client sees them: the main API interface
// whose methods carry the host operations, the callback interfaces the client
// implements, and the ids of every interface the client asks the host for.
//
// Method positions in a table are fixed by the host; a method the client
// never calls still occupies its slot, declared as a reserved one.
#ifndef TAGSMITH_PLUGIN_COM_INTERFACES_H
#define TAGSMITH_PLUGIN_COM_INTERFACES_H

#include "plugin/com_types.h"
#include "client/host_types.h"

// The function-code list of ExecuteCodes, passed by address.
struct FunctionCodes {
  uint32_t len;
  const int32_t* val;
};

// GetResource's answer: the bytes pass to the host in a task block.
struct ResourceBlob {
  uint32_t len;
  void* data;
};

// CMSCommand's answer record.
struct CmsCommandResult {
  int32_t code;
  char* text;
  uint32_t count;
  int32_t* values;
};

#define TS_COM_GAP(n) virtual HRESULT STDMETHODCALLTYPE Reserved##n() = 0;

// The main API interface. Every operation takes its inputs in order, then its
// out-parameters; status is -1 on entry and the host writes 0 or its error.
// Results the host allocates (strings, arrays) come in task blocks.
// Left as laid out by hand: a method a line, so that the slots read as the host lays them out.
// clang-format off
struct IHostMainApi0 : IUnknown {
  // slot 3
  virtual HRESULT STDMETHODCALLTYPE Register(IUnknown* callback, int32_t constant, const PropVals* description) = 0;
  TS_COM_GAP(4) TS_COM_GAP(5) TS_COM_GAP(6)
  // slot 7
  virtual HRESULT STDMETHODCALLTYPE ExecuteCodes(const FunctionCodes* codes, int32_t* status) = 0;
  // slot 8
  virtual HRESULT STDMETHODCALLTYPE RequestNotification(int32_t note, int32_t enable, int32_t* status) = 0;
  TS_COM_GAP(9) TS_COM_GAP(10) TS_COM_GAP(11) TS_COM_GAP(12)
  // slot 13
  virtual HRESULT STDMETHODCALLTYPE DefineMenu(const char* tag, const char* label, int32_t* status, ObjHandle* menu) = 0;
  // slot 14
  virtual HRESULT STDMETHODCALLTYPE AddItemToMenu(ObjHandle menu, ObjHandle item, int32_t* status) = 0;
  // slot 15
  virtual HRESULT STDMETHODCALLTYPE AddMenuToMenu(ObjHandle parent, ObjHandle menu, int32_t* status) = 0;
  // slot 16
  virtual HRESULT STDMETHODCALLTYPE DefineAndAddMenu(ObjHandle parent, const char* tag, const char* label, int32_t* status,
                                               ObjHandle* menu) = 0;
  TS_COM_GAP(17) TS_COM_GAP(18) TS_COM_GAP(19)
  // slot 20
  virtual HRESULT STDMETHODCALLTYPE Alert(const char* message, int32_t type, int32_t* answer) = 0;
  TS_COM_GAP(21) TS_COM_GAP(22) TS_COM_GAP(23)
  // slot 24
  virtual HRESULT STDMETHODCALLTYPE PrintConsole(const char* text, int32_t* status) = 0;
  TS_COM_GAP(25)
  // slot 26
  virtual HRESULT STDMETHODCALLTYPE ScrollBox(int32_t* status, int32_t* chosen, const char* title,
                                        const HostStrings* items, int32_t defaultIndex) = 0;
  TS_COM_GAP(27) TS_COM_GAP(28) TS_COM_GAP(29) TS_COM_GAP(30) TS_COM_GAP(31)
  // slot 32
  virtual HRESULT STDMETHODCALLTYPE OpenDocument(const char* path, const PropVals* params, int32_t* status,
                                           ObjHandle* doc, PropVals* ret) = 0;
  // slot 33
  virtual HRESULT STDMETHODCALLTYPE SaveDocument(ObjHandle doc, const char* path, const PropVals* params,
                                           int32_t* status, ObjHandle* saved, PropVals* ret) = 0;
  // slot 34
  virtual HRESULT STDMETHODCALLTYPE NewCustomDocument(Metric width, Metric height, int32_t columns, Metric gap,
                                                Metric top, Metric bottom, Metric left, Metric right,
                                                int32_t sidedness, int32_t flag, int32_t* status,
                                                ObjHandle* doc) = 0;
  // slot 35
  virtual HRESULT STDMETHODCALLTYPE CloseDocument(ObjHandle doc, int32_t flags, int32_t* status) = 0;
  TS_COM_GAP(36) TS_COM_GAP(37) TS_COM_GAP(38) TS_COM_GAP(39) TS_COM_GAP(40) TS_COM_GAP(41)
  TS_COM_GAP(42) TS_COM_GAP(43) TS_COM_GAP(44) TS_COM_GAP(45) TS_COM_GAP(46) TS_COM_GAP(47)
  TS_COM_GAP(48) TS_COM_GAP(49) TS_COM_GAP(50) TS_COM_GAP(51) TS_COM_GAP(52) TS_COM_GAP(53)
  TS_COM_GAP(54) TS_COM_GAP(55)
  // slot 56
  virtual HRESULT STDMETHODCALLTYPE ScrollToText(ObjHandle doc, const TextRange* range, int32_t* status) = 0;
  TS_COM_GAP(57) TS_COM_GAP(58) TS_COM_GAP(59) TS_COM_GAP(60) TS_COM_GAP(61) TS_COM_GAP(62)
  TS_COM_GAP(63) TS_COM_GAP(64) TS_COM_GAP(65)
  // slot 66
  virtual HRESULT STDMETHODCALLTYPE Redisplay(ObjHandle doc, int32_t* status) = 0;
  // slot 67
  virtual HRESULT STDMETHODCALLTYPE DeleteObject(ObjHandle doc, ObjHandle obj, int32_t* status) = 0;
  // slot 68
  virtual HRESULT STDMETHODCALLTYPE GetNamedObject(ObjHandle doc, int32_t type, const char* name, int32_t* status,
                                             ObjHandle* obj) = 0;
  TS_COM_GAP(69)
  // slot 70
  virtual HRESULT STDMETHODCALLTYPE NewNamedObject(ObjHandle doc, int32_t type, const char* name, int32_t* status,
                                             ObjHandle* obj) = 0;
  TS_COM_GAP(71) TS_COM_GAP(72)
  // slot 73
  virtual HRESULT STDMETHODCALLTYPE AddText(ObjHandle doc, const TextLoc* at, const char* text, int32_t* status,
                                      TextLoc* after) = 0;
  TS_COM_GAP(74) TS_COM_GAP(75) TS_COM_GAP(76) TS_COM_GAP(77) TS_COM_GAP(78) TS_COM_GAP(79)
  TS_COM_GAP(80)
  // slot 81
  virtual HRESULT STDMETHODCALLTYPE GetPropVal(ObjHandle doc, ObjHandle obj, const PropIdent* prop, int32_t* status,
                                         PropVal* value) = 0;
  TS_COM_GAP(82)
  // slot 83
  virtual HRESULT STDMETHODCALLTYPE GetProps(ObjHandle doc, ObjHandle obj, int32_t* status, PropVals* values) = 0;
  // slot 84
  virtual HRESULT STDMETHODCALLTYPE SetProps(ObjHandle doc, ObjHandle obj, const PropVals* values, int32_t* status) = 0;
  // slot 85
  virtual HRESULT STDMETHODCALLTYPE GetInt(ObjHandle doc, ObjHandle obj, const PropIdent* prop, int32_t* status,
                                     int32_t* value) = 0;
  // slot 86
  virtual HRESULT STDMETHODCALLTYPE SetInt(ObjHandle doc, ObjHandle obj, const PropIdent* prop, int32_t value,
                                     int32_t* status) = 0;
  TS_COM_GAP(87) TS_COM_GAP(88)
  // slot 89
  virtual HRESULT STDMETHODCALLTYPE GetId(ObjHandle doc, ObjHandle obj, const PropIdent* prop, int32_t* status,
                                    ObjHandle* value) = 0;
  // slot 90
  virtual HRESULT STDMETHODCALLTYPE SetId(ObjHandle doc, ObjHandle obj, const PropIdent* prop, ObjHandle value,
                                    int32_t* status) = 0;
  // slot 91
  virtual HRESULT STDMETHODCALLTYPE GetMetric(ObjHandle doc, ObjHandle obj, const PropIdent* prop, int32_t* status,
                                        Metric* value) = 0;
  TS_COM_GAP(92) TS_COM_GAP(93) TS_COM_GAP(94)
  // slot 95
  virtual HRESULT STDMETHODCALLTYPE GetTextRange(ObjHandle doc, ObjHandle obj, const PropIdent* prop,
                                           int32_t* status, TextRange* value) = 0;
  // slot 96
  virtual HRESULT STDMETHODCALLTYPE SetTextRange(ObjHandle doc, ObjHandle obj, const PropIdent* prop,
                                           const TextRange* value, int32_t* status) = 0;
  // slot 97
  virtual HRESULT STDMETHODCALLTYPE GetString(ObjHandle doc, ObjHandle obj, const PropIdent* prop, int32_t* status,
                                        char** value) = 0;
  // slot 98
  virtual HRESULT STDMETHODCALLTYPE SetString(ObjHandle doc, ObjHandle obj, const PropIdent* prop, const char* value,
                                        int32_t* status) = 0;
  // slot 99
  virtual HRESULT STDMETHODCALLTYPE GetStrings(ObjHandle doc, ObjHandle obj, const PropIdent* prop, int32_t* status,
                                         HostStrings* value) = 0;
  TS_COM_GAP(100)
  // slot 101
  virtual HRESULT STDMETHODCALLTYPE GetMetrics(ObjHandle doc, ObjHandle obj, const PropIdent* prop, int32_t* status,
                                         MetricList* value) = 0;
  // slot 102
  virtual HRESULT STDMETHODCALLTYPE SetMetrics(ObjHandle doc, ObjHandle obj, const PropIdent* prop,
                                         const MetricList* value, int32_t* status) = 0;
  TS_COM_GAP(103) TS_COM_GAP(104) TS_COM_GAP(105) TS_COM_GAP(106) TS_COM_GAP(107) TS_COM_GAP(108)
  TS_COM_GAP(109)
  // slot 110
  virtual HRESULT STDMETHODCALLTYPE GetTextForRange(ObjHandle doc, const TextRange* range, int32_t mask,
                                              int32_t* status, TextItems* items) = 0;
  TS_COM_GAP(111) TS_COM_GAP(112) TS_COM_GAP(113) TS_COM_GAP(114) TS_COM_GAP(115) TS_COM_GAP(116)
  TS_COM_GAP(117) TS_COM_GAP(118) TS_COM_GAP(119) TS_COM_GAP(120) TS_COM_GAP(121) TS_COM_GAP(122)
  TS_COM_GAP(123) TS_COM_GAP(124) TS_COM_GAP(125) TS_COM_GAP(126) TS_COM_GAP(127) TS_COM_GAP(128)
  TS_COM_GAP(129) TS_COM_GAP(130) TS_COM_GAP(131) TS_COM_GAP(132) TS_COM_GAP(133) TS_COM_GAP(134)
  TS_COM_GAP(135) TS_COM_GAP(136) TS_COM_GAP(137) TS_COM_GAP(138) TS_COM_GAP(139)
  // slot 140
  virtual HRESULT STDMETHODCALLTYPE NewTable(ObjHandle doc, const char* format, int32_t columns, int32_t bodyRows,
                                       int32_t headingRows, int32_t footingRows, const TextLoc* at,
                                       int32_t* status, ObjHandle* table) = 0;
  TS_COM_GAP(141) TS_COM_GAP(142)
  // slot 143
  virtual HRESULT STDMETHODCALLTYPE GetTextPropVal(ObjHandle doc, const TextLoc* at, const PropIdent* prop,
                                             int32_t* status, PropVal* value) = 0;
  TS_COM_GAP(144) TS_COM_GAP(145)
  // slot 146
  virtual HRESULT STDMETHODCALLTYPE SetTextProps(ObjHandle doc, const TextRange* range, const PropVals* values,
                                           int32_t* status) = 0;
  TS_COM_GAP(147) TS_COM_GAP(148) TS_COM_GAP(149) TS_COM_GAP(150) TS_COM_GAP(151) TS_COM_GAP(152)
  TS_COM_GAP(153) TS_COM_GAP(154) TS_COM_GAP(155) TS_COM_GAP(156) TS_COM_GAP(157) TS_COM_GAP(158)
  TS_COM_GAP(159) TS_COM_GAP(160) TS_COM_GAP(161) TS_COM_GAP(162) TS_COM_GAP(163)
  // slot 164
  virtual HRESULT STDMETHODCALLTYPE DefineAndAddCommand(int32_t number, ObjHandle menu, const char* tag,
                                                  const char* label, const char* shortcut,
                                                  int32_t* status, ObjHandle* command) = 0;
};
// clang-format on

#undef TS_COM_GAP

// Callback interfaces implemented by the client.
struct IFrameMakerNotifications0 : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Initialize(int32_t code) = 0;
  virtual HRESULT STDMETHODCALLTYPE Quit() = 0;
  virtual HRESULT STDMETHODCALLTYPE Command(int32_t number) = 0;
  virtual HRESULT STDMETHODCALLTYPE Message(intptr_t value, int32_t a, int32_t b) = 0;
  virtual HRESULT STDMETHODCALLTYPE DialogEvent(int32_t a, int32_t b, int32_t c) = 0;
  virtual HRESULT STDMETHODCALLTYPE Notify(int32_t note, ObjHandle doc, const char* s,
                                           int32_t n) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetResource(int32_t type, const char* name,
                                                ResourceBlob* blob) = 0;
};

struct IFrameMakerNotifications1 : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE HtmlDialogEventEx(int32_t a, void* b, void* c) = 0;
};

struct IFrameMakerCMSNotifications0 : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CMSCommand(int32_t a, void* b, int32_t c, void* d,
                                               CmsCommandResult* result) = 0;
};

// The first method of auxiliary interface 1: asked with 1 whether the host
// keeps the blocks it hands out; 0 means it does.
struct IHostMemoryArrangement0 : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Arrange(int32_t request) = 0;
};

// The first method of auxiliary interface 2 receives the client's module.
struct IHostModuleSink0 : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetModule(void* module) = 0;
};

// --- Interface ids ---------------------------------------------------------

inline constexpr GUID kIidUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr GUID kIidFrameMakerCMSNotifications0 = {
    0x7AA0C49A, 0x1141, 0x44EF, {0xA7, 0x84, 0x15, 0x55, 0x93, 0xF9, 0x50, 0x25}};
inline constexpr GUID kIidFrameMakerNotifications0 = {
    0xEB813990, 0xB81C, 0x11D0, {0x98, 0x5E, 0x00, 0x60, 0x97, 0x0B, 0xEC, 0x0B}};
inline constexpr GUID kIidFrameMakerNotifications1 = {
    0xA4B8972D, 0x5B3A, 0x4B57, {0x93, 0xC5, 0x3E, 0xB3, 0xD6, 0x2A, 0x4F, 0x1D}};

// The host interface set, in the order the client asks for them.
constexpr int kHostInterfaceCount = 13;
constexpr int kHostMainInterface = 3;  // index of the main API interface
inline constexpr GUID kHostInterfaceIds[kHostInterfaceCount] = {
    {0x9EB9EBDE, 0xEF45, 0x4FAA, {0xBA, 0x83, 0x80, 0xC3, 0x7E, 0x74, 0x6D, 0xD7}},
    {0xF9EDAC1F, 0x75C2, 0x4544, {0xA6, 0x5E, 0x36, 0xE3, 0xC5, 0xA4, 0xDB, 0xA1}},
    {0x755FF112, 0x0DD6, 0x4947, {0xBD, 0xCC, 0xD3, 0x22, 0x28, 0x31, 0x39, 0xA7}},
    {0xCA913130, 0x7B0A, 0x11D0, {0x98, 0x5E, 0x00, 0x60, 0x97, 0x0B, 0xEC, 0x0B}},
    {0x5B0455F0, 0x0DB8, 0x11D1, {0x98, 0x6D, 0x00, 0x60, 0x97, 0x0B, 0xEC, 0x0B}},
    {0xEA34B890, 0x2289, 0x11D3, {0xBC, 0x05, 0x00, 0x80, 0x5F, 0xD9, 0x83, 0x89}},
    {0x895D2502, 0x96ED, 0x43E1, {0xA8, 0x8B, 0x45, 0x78, 0xA1, 0xAA, 0xA2, 0xB5}},
    {0xF8A1A179, 0xB5C9, 0x4AF8, {0x8E, 0x1A, 0xDA, 0x71, 0x43, 0x0E, 0xDB, 0xA1}},
    {0x02AC84A3, 0x499F, 0x4128, {0x93, 0x62, 0x0E, 0x38, 0xBB, 0x16, 0x20, 0xC9}},
    {0xB2159D69, 0xA7F0, 0x4978, {0x84, 0xA3, 0xC2, 0xCA, 0x54, 0x98, 0xF9, 0xFE}},
    {0xA76BE1F8, 0xB073, 0x4F2D, {0x95, 0x53, 0x98, 0x54, 0x38, 0x54, 0xE0, 0xFB}},
    {0x9D1E44A4, 0x9CCC, 0x4AB5, {0xB5, 0x55, 0x6F, 0xFA, 0xE7, 0x78, 0x34, 0x2C}},
    {0xEC7B1498, 0xED2D, 0x4278, {0xAE, 0x91, 0x07, 0x48, 0x1B, 0xCB, 0xBF, 0xD0}},
};

// Auxiliary interfaces, asked for once the main API interface is held.
constexpr int kHostAuxiliaryCount = 3;
inline constexpr GUID kHostAuxiliaryIds[kHostAuxiliaryCount] = {
    {0x04C8B860, 0xBC3B, 0x11D0, {0x8E, 0x04, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}},
    {0xF5AE87C2, 0x3FF6, 0x11D1, {0x94, 0x57, 0x00, 0x80, 0x5F, 0x29, 0x2B, 0x02}},
    {0xE1E9B610, 0x97D0, 0x11D3, {0xBC, 0x10, 0x00, 0x80, 0x5F, 0xD9, 0x83, 0x89}},
};

// The constant passed with the register call.
constexpr int32_t kRegisterConstant = 0x15000000;

#endif
