#include "charfmt/run_tags.h"

#include "client/host_lists.h"
#include "support/strings.h"

PropVals TagOnlyValues(const char* tag) {
  PropVals values = PropValsAllocate(1);
  char* copy = values.len == 1 ? StrDuplicate(tag) : nullptr;
  if (copy == nullptr) {
    PropValsFree(&values);
    return PropVals{0, nullptr};
  }
  values.val[0].propIdent.num = PROP_CHAR_TAG;
  values.val[0].propVal.valType = VT_STRING;
  values.val[0].propVal.u.sval = copy;
  return values;
}

bool SetRunValues(ObjHandle doc, TextRange run, const PropVals* values, const PropVals* fallback) {
  const PropVals* attempts[] = {values, values, fallback, fallback};
  for (const PropVals* attempt : attempts) {
    HostErrno = 0;
    HostSetTextProps(doc, run, attempt);
    if (HostErrno == 0) return true;
  }
  return false;
}
