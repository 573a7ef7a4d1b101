// Modules, their version information and resources where modules are ELF
// shared objects. The version information lives in a section of its own,
// written by the build from the module's resource script:
//   "TSVI", uint32 total length, then pairs of zero-terminated query path
//   and value, ended by an empty path.
#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "plugin/version_info.h"

namespace {

constexpr char kVersionSection[] = ".tsversion";
constexpr char kMagic[4] = {'T', 'S', 'V', 'I'};
constexpr uint32_t kHeaderSize = 8;
constexpr uint16_t kVersionResourceType = 16;
constexpr char kVersionResourceName[] = "#1";

struct SectionPlace {
  uint64_t offset;   // in the file
  uint64_t address;  // relative to the load address
  uint64_t size;
};

bool ReadAt(FILE* f, uint64_t offset, void* buf, size_t size) {
  if (offset > static_cast<uint64_t>(LONG_MAX)) return false;
  if (std::fseek(f, static_cast<long>(offset), SEEK_SET) != 0) return false;
  return std::fread(buf, 1, size, f) == size;
}

// Finds the named section of a 64-bit ELF file.
bool FindSection(FILE* f, const char* wanted, SectionPlace* place) {
  Elf64_Ehdr eh;
  if (!ReadAt(f, 0, &eh, sizeof eh)) return false;
  if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != ELFCLASS64)
    return false;
  if (eh.e_shentsize != sizeof(Elf64_Shdr) || eh.e_shstrndx >= eh.e_shnum) return false;

  Elf64_Shdr names;
  if (!ReadAt(f, eh.e_shoff + uint64_t{eh.e_shstrndx} * sizeof(Elf64_Shdr), &names, sizeof names))
    return false;
  const size_t wantedSize = std::strlen(wanted) + 1;
  for (uint16_t i = 0; i < eh.e_shnum; ++i) {
    Elf64_Shdr sh;
    if (!ReadAt(f, eh.e_shoff + uint64_t{i} * sizeof(Elf64_Shdr), &sh, sizeof sh)) return false;
    if (sh.sh_name >= names.sh_size || names.sh_size - sh.sh_name < wantedSize) continue;
    char name[sizeof kVersionSection + 1] = {};
    if (wantedSize > sizeof name) return false;
    if (!ReadAt(f, names.sh_offset + sh.sh_name, name, wantedSize)) continue;
    if (std::memcmp(name, wanted, wantedSize) == 0) {
      *place = SectionPlace{sh.sh_offset, sh.sh_addr, sh.sh_size};
      return true;
    }
  }
  return false;
}

bool FindVersionSection(const char* path, SectionPlace* place) {
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return false;
  bool found = FindSection(f, kVersionSection, place);
  std::fclose(f);
  return found;
}

uint32_t ReadLength(const unsigned char* header) {
  uint32_t length;
  std::memcpy(&length, header + 4, sizeof length);
  return length;
}

link_map* LinkMapOf(void* module) {
  if (module == nullptr) return nullptr;
  link_map* map = nullptr;
  if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0) return nullptr;
  return map;
}

}  // namespace

uint32_t ModuleFilePath(void* module, char* buf, uint32_t size) {
  link_map* map = LinkMapOf(module);
  if (map == nullptr || map->l_name == nullptr || map->l_name[0] == '\0') return 0;
  char* full = realpath(map->l_name, nullptr);
  if (full == nullptr) return 0;
  size_t length = std::strlen(full);
  uint32_t result = 0;
  if (length < size) {
    std::memcpy(buf, full, length + 1);
    result = static_cast<uint32_t>(length);
  }
  std::free(full);
  return result;
}

int32_t FileVersionInfo(const char* path, void* buf, uint32_t size) {
  if (path == nullptr || buf == nullptr || size < kHeaderSize) return 0;
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return 0;
  SectionPlace place;
  bool ok = FindSection(f, kVersionSection, &place) && place.size >= kHeaderSize;
  uint32_t take = 0;
  if (ok) {
    take = place.size < size ? static_cast<uint32_t>(place.size) : size;
    ok = ReadAt(f, place.offset, buf, take);
  }
  std::fclose(f);
  if (!ok) return 0;
  unsigned char* bytes = static_cast<unsigned char*>(buf);
  if (std::memcmp(bytes, kMagic, sizeof kMagic) != 0) return 0;
  // What was cut off is no longer part of the block.
  uint32_t length = ReadLength(bytes);
  if (length > take) std::memcpy(bytes + 4, &take, sizeof take);
  return 1;
}

const char* VersionInfoValue(const void* buf, const char* query) {
  if (buf == nullptr || query == nullptr) return nullptr;
  const unsigned char* bytes = static_cast<const unsigned char*>(buf);
  if (std::memcmp(bytes, kMagic, sizeof kMagic) != 0) return nullptr;
  const char* p = reinterpret_cast<const char*>(bytes) + kHeaderSize;
  const char* end = reinterpret_cast<const char*>(bytes) + ReadLength(bytes);
  while (p < end) {
    const char* keyEnd = static_cast<const char*>(std::memchr(p, '\0', end - p));
    if (keyEnd == nullptr || keyEnd == p) return nullptr;
    const char* value = keyEnd + 1;
    if (value >= end) return nullptr;
    const char* valueEnd = static_cast<const char*>(std::memchr(value, '\0', end - value));
    if (valueEnd == nullptr) return nullptr;
    if (std::strcmp(p, query) == 0) return value;
    p = valueEnd + 1;
  }
  return nullptr;
}

const void* ModuleResourceData(void* module, const char* name, uint16_t type, uint32_t* size) {
  // The version information is the one resource such a module carries.
  if (type != kVersionResourceType || name == nullptr ||
      std::strcmp(name, kVersionResourceName) != 0)
    return nullptr;
  link_map* map = LinkMapOf(module);
  if (map == nullptr) return nullptr;
  char path[kModulePathSize];
  if (ModuleFilePath(module, path, sizeof path) == 0) return nullptr;
  SectionPlace place;
  if (!FindVersionSection(path, &place) || place.address == 0 || place.size > UINT32_MAX)
    return nullptr;
  // The section may be padded past the block (by the linker, or by
  // instrumentation around the object); the block's own length is what counts.
  const unsigned char* block = reinterpret_cast<const unsigned char*>(map->l_addr + place.address);
  if (place.size < kHeaderSize || std::memcmp(block, kMagic, sizeof kMagic) != 0) return nullptr;
  uint32_t length = ReadLength(block);
  if (length < kHeaderSize || length > place.size) return nullptr;
  *size = length;
  return block;
}
