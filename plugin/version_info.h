// The client's description of itself, read from its module's version
// resource, and the platform layer beneath it: the module's file, its version
// information and its resources.
//
// A module handle is what the platform calls one: the HMODULE on Windows,
// the handle dlopen returned elsewhere. Elsewhere the version information is
// the module's ".tsversion" section, built from the same resource script as
// the Windows resource and queried with the same paths.
#ifndef TAGSMITH_PLUGIN_VERSION_INFO_H
#define TAGSMITH_PLUGIN_VERSION_INFO_H

#include <cstdint>

#include "client/host_types.h"

// The longest module path the client passes on, terminator included.
constexpr uint32_t kModulePathSize = 260;
// What the version information is read into.
constexpr uint32_t kVersionInfoSize = 4096;

// Fills `list` (which starts empty, and is the caller's to free with
// PropValsFree) with the client keys found in the module's U.S. English,
// Unicode string table, in the order of the key table.
void BuildClientDescription(void* module, PropVals* list);

// --- Platform layer ---------------------------------------------------------

// The full path of the module's file into buf (size bytes, terminator
// included). Returns the length without the terminator; 0 when the path cannot
// be had or does not fit.
uint32_t ModuleFilePath(void* module, char* buf, uint32_t size);

// Reads the file's version information into buf (size bytes; a longer one is
// cut short). Returns 1 on success, 0 when the file has none.
int32_t FileVersionInfo(const char* path, void* buf, uint32_t size);

// The value under `query` (such as "\StringFileInfo\040904b0\ClientName") in
// what FileVersionInfo read; null when absent. The value points into buf.
const char* VersionInfoValue(const void* buf, const char* query);

// The bytes of the module's resource `name` of numeric type `type`, valid
// while the module stays loaded; null when there is none.
const void* ModuleResourceData(void* module, const char* name, uint16_t type, uint32_t* size);

#endif
