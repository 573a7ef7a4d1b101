#include "plugin/version_info.h"

#include <cstdio>

#include "client/host_lists.h"

namespace {

struct ClientKey {
  const char* key;
  int32_t property;
};

// The order here is the order of the description, whatever the order of
// the keys in the resource.
constexpr ClientKey kClientKeys[] = {
    {"ClientName", 2},      {"ClientType", 3},       {"FileDescription", 4}, {"ClientProducts", 5},
    {"ClientFacet", 6},     {"ClientFormatId", 7},   {"ClientVendor", 8},    {"ClientSuffix", 9},
    {"ClientInFormat", 10}, {"ClientOutFormat", 11},
};

// Only the U.S. English table in the Unicode code page is read.
constexpr char kStringTable[] = "\\StringFileInfo\\040904b0\\";
constexpr int kQuerySize = 512;

}  // namespace

void BuildClientDescription(void* module, PropVals* list) {
  char path[kModulePathSize];
  if (ModuleFilePath(module, path, sizeof path) == 0) return;

  unsigned char info[kVersionInfoSize];
  if (!FileVersionInfo(path, info, sizeof info)) return;

  for (const ClientKey& entry : kClientKeys) {
    char query[kQuerySize];
    int n = std::snprintf(query, sizeof query, "%s%s", kStringTable, entry.key);
    if (n < 0 || n >= kQuerySize) continue;
    const char* value = VersionInfoValue(info, query);
    if (value != nullptr) PropValsSetString(list, entry.property, value);
  }
}
