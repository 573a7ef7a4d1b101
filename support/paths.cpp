#include "support/paths.h"

#include <cstdlib>
#include <cstring>

#include "support/encoding.h"
#include "support/memory.h"
#include "support/strings.h"

namespace {

constexpr int32_t kPathSize = 4096;  // 4,095 bytes and a terminator
constexpr int32_t kNameSize = 1024;  // a last component: 1,023 bytes at most
constexpr uint16_t kFromStringFlag = 0x10;
constexpr char kDctmPrefix[] = "dctm://";

const NetLibFunctions* g_netLib = nullptr;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Characters of the client encoding, so that a trail byte that happens to
// equal '\' is never taken for a separator.
int32_t CharLength(const char* s) {
  int32_t length = EncodingCharLength(s, ClientEncoding());
  return length > 0 ? length : 1;
}

bool IsNetworkPath(const char* text) { return text != nullptr && !PathIsLocal(text); }

// No drive, not rooted, local and not a dctm reference: a path that a base
// completes.
bool IsRelative(const char* text) {
  if (text[0] != '\0' && text[1] == ':') return false;
  if (IsSeparator(text[0])) return false;
  if (PathIsDctm(text)) return false;
  return PathIsLocal(text) != 0;
}

// Appends text to buf (of kPathSize bytes) as far as it fits, whole
// characters only.
void AppendBounded(char* buf, const char* text) {
  int32_t length = StrLength(buf);
  StrCopyCharSafe(buf + length, text, kPathSize - length, ClientEncoding());
}

// --- Resolution against a network base ------------------------------------

// The absolute reference that NetLib makes of text against a network base;
// empty when NetLib fails.
void ResolveAgainstNetworkBase(const char* base, const char* text, char* out) {
  out[0] = '\0';
  if (g_netLib == nullptr || g_netLib->GetAbsoluteURL == nullptr) return;
  char joinedBase[kPathSize];
  StrCopyCharSafe(joinedBase, base, kPathSize, ClientEncoding());
  StrAppendChar(joinedBase, '/', kPathSize);
  char relative[kPathSize];
  StrCopyCharSafe(relative, text, kPathSize, ClientEncoding());
  for (char* p = relative; *p != '\0'; p += CharLength(p)) {
    if (*p == '\\') *p = '/';
  }
  char* answer = nullptr;
  if (g_netLib->GetAbsoluteURL(joinedBase, relative, &answer) != 0) return;
  if (answer == nullptr) return;
  char* copy = StrDuplicate(answer);
  if (g_netLib->Free != nullptr) g_netLib->Free(answer);
  StrCopyCharSafe(out, copy, kPathSize, ClientEncoding());
  MemRelease(copy);
}

// --- Expansion of $NAME and a leading ~ -------------------------------------

const char* HomeDirectory() {
#ifdef _WIN32
  return std::getenv("USERPROFILE");
#else
  return std::getenv("HOME");
#endif
}

// Expands text in place (kPathSize bytes).
void Expand(char* text) {
  char out[kPathSize];
  out[0] = '\0';
  const char* p = text;
  if (*p == '~') {
    ++p;
    if (*p == '\0' || IsSeparator(*p)) {
      const char* home = HomeDirectory();
      if (home != nullptr) AppendBounded(out, home);
    }
  }
  int32_t outLength = StrLength(out);
  while (*p != '\0' && outLength < kPathSize - 1) {
    const bool startsReference = *p == '$' && (p == text || p[1] != '.');
    if (!startsReference) {
      int32_t length = CharLength(p);
      if (outLength + length > kPathSize - 1) break;
      std::memcpy(out + outLength, p, static_cast<size_t>(length));
      outLength += length;
      out[outLength] = '\0';
      p += length;
      continue;
    }
    const char* end = p + 1;
    while (*end != '\0' && !IsSeparator(*end)) end += CharLength(end);
    char name[kPathSize];
    size_t nameLength = static_cast<size_t>(end - p - 1);
    if (nameLength >= sizeof name) nameLength = sizeof name - 1;
    std::memcpy(name, p + 1, nameLength);
    name[nameLength] = '\0';
    const char* value = nameLength > 0 ? std::getenv(name) : nullptr;
    if (value != nullptr) {
      AppendBounded(out, value);
    } else {
      // Unknown names stay as written, '$' included.
      char reference[kPathSize];
      size_t referenceLength = static_cast<size_t>(end - p);
      if (referenceLength >= sizeof reference) referenceLength = sizeof reference - 1;
      std::memcpy(reference, p, referenceLength);
      reference[referenceLength] = '\0';
      AppendBounded(out, reference);
    }
    outLength = StrLength(out);
    p = end;
  }
  std::memcpy(text, out, static_cast<size_t>(outLength) + 1);
}

// --- Normalisation -----------------------------------------------------------

bool IsComponent(const char* start, size_t length, const char* what) {
  return length == std::strlen(what) && std::memcmp(start, what, length) == 0;
}

// Normalises `in` into `out` (both kPathSize bytes): one separator per run,
// in the style of the first one met; "." dropped; ".." taking the previous
// component with it, but never a drive.
void Normalise(const char* in, char* out) {
  char separator = '\\';
  for (const char* p = in; *p != '\0'; p += CharLength(p)) {
    if (IsSeparator(*p)) {
      separator = *p;
      break;
    }
  }

  size_t length = 0;
  const char* p = in;
  if (p[0] == '\\' && p[1] == '\\') {
    out[length++] = '\\';
    out[length++] = '\\';
  } else if (IsSeparator(p[0])) {
    out[length++] = separator;
  }
  const size_t rootLength = length;
  while (IsSeparator(*p)) ++p;

  // Where each written component starts; a component is at least one byte
  // and a separator, so half the buffer is enough.
  uint16_t starts[kPathSize / 2];
  size_t depth = 0;

  while (*p != '\0') {
    const char* start = p;
    while (*p != '\0' && !IsSeparator(*p)) p += CharLength(p);
    const size_t componentLength = static_cast<size_t>(p - start);
    const bool followed = *p != '\0';
    while (IsSeparator(*p)) ++p;

    if (IsComponent(start, componentLength, ".")) continue;
    if (IsComponent(start, componentLength, "..")) {
      if (depth > 0) {
        const size_t previous = starts[depth - 1];
        const char* written = out + previous;
        const size_t writtenLength = length - previous - (out[length - 1] == separator ? 1 : 0);
        const bool drive = writtenLength > 0 && written[writtenLength - 1] == ':';
        if (drive) continue;  // the separator after a drive stays
        if (!IsComponent(written, writtenLength, "..")) {
          length = previous;
          --depth;
          continue;
        }
      } else if (rootLength > 0) {
        continue;  // nothing above the root
      }
      // A relative path that climbs above its start keeps the "..".
    }
    if (length + componentLength + (followed ? 1 : 0) > kPathSize - 1) break;
    if (depth == sizeof starts / sizeof starts[0]) break;
    starts[depth++] = static_cast<uint16_t>(length);
    std::memcpy(out + length, start, componentLength);
    length += componentLength;
    if (followed) out[length++] = separator;
  }
  out[length] = '\0';
}

// --- Token form ----------------------------------------------------------

// Turns the host's token form ("<v>C:<c>Docs<c>a.fm") into a platform path
// in out (kPathSize bytes). Returns false on failure.
bool PathFromTokens(const char* text, char* out) {
  if (IsNetworkPath(text)) {
    StrCopyCharSafe(out, text, kPathSize, ClientEncoding());
    return true;
  }
  size_t length = 0;
  char previous = 0;  // letter of the token before, 0 for none
  const char* p = text;
  auto put = [&](const char* bytes, size_t n) {
    if (length + n > kPathSize - 1) return false;
    std::memcpy(out + length, bytes, n);
    length += n;
    return true;
  };

  while (p[0] == '<' && p[1] != '\0' && p[2] == '>') {
    const char letter = p[1];
    p += 3;
    // The token's text: up to the next unescaped '<'; '\' escapes one
    // character.
    char value[kPathSize];
    size_t valueLength = 0;
    while (*p != '\0' && *p != '<') {
      if (*p == '\\') {
        if (p[1] == '\0') {
          ++p;
          break;
        }
        ++p;
      }
      int32_t n = CharLength(p);
      if (valueLength + static_cast<size_t>(n) > kPathSize - 1) return false;
      std::memcpy(value + valueLength, p, static_cast<size_t>(n));
      valueLength += static_cast<size_t>(n);
      p += n;
    }

    bool ok = true;
    switch (letter) {
      case 'v': ok = previous == 0 && put(value, valueLength) && put("\\", 1); break;
      case 'h':
        ok = previous == 0 && put("\\", 1) && put(value, valueLength) && put("\\", 1);
        break;
      case 'r':
        if (previous == 0) {
          ok = put("\\", 1);
        } else {
          ok = previous == 'v';
        }
        break;
      case 'u': ok = previous != 'r' && previous != 'h' && put("..\\", 3); break;
      case 'c': ok = put(value, valueLength) && put("\\", 1); break;
      default: break;
    }
    if (!ok) return false;
    previous = letter;
  }
  if (length == 0) return false;
  out[length - 1] = '\0';  // the final separator
  return length - 1 > 0;
}

// --- Last component ---------------------------------------------------------

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void DecodePercents(char* s) {
  char* out = s;
  for (const char* p = s; *p != '\0';) {
    if (p[0] == '%' && p[1] != '\0' && p[2] != '\0') {
      int hi = HexValue(p[1]);
      int lo = HexValue(p[2]);
      if (hi >= 0 && lo >= 0 && (hi * 16 + lo) != 0) {
        *out++ = static_cast<char>(hi * 16 + lo);
        p += 3;
        continue;
      }
    }
    *out++ = *p++;
  }
  *out = '\0';
}

}  // namespace

const NetLibFunctions* NetLibInstall(const NetLibFunctions* functions) {
  const NetLibFunctions* previous = g_netLib;
  g_netLib = functions;
  return previous;
}

int32_t PathIsLocal(const char* text) {
  if (text == nullptr || g_netLib == nullptr || g_netLib->IsNetFile == nullptr) return 1;
  return g_netLib->IsNetFile(text) != 0 ? 1 : 0;
}

int32_t PathIsDctm(const char* text) { return StrStartsWith(text, kDctmPrefix); }

FilePath* FilePathFromString(const char* text, const FilePath* base, int32_t kind) {
  if (kind == 3) return nullptr;
  if (kind < 0 || kind > 4) {
    FatalStop();
    return nullptr;
  }
  if (kind == 1 && text == nullptr) {
    AssertFailed();
    return nullptr;
  }
  if (text == nullptr || *text == '\0') return nullptr;

  char work[kPathSize];
  char result[kPathSize];
  if (kind == 1) {
    if (!PathFromTokens(text, work)) return nullptr;
  } else {
    StrCopyCharSafe(work, text, kPathSize, ClientEncoding());
  }
  const char* basePath = (base != nullptr && base->path != nullptr) ? base->path : "";

  if (IsRelative(work) && IsNetworkPath(basePath)) {
    ResolveAgainstNetworkBase(basePath, work, result);
  } else if (IsNetworkPath(work) || PathIsDctm(work)) {
    // References that NetLib or a repository resolves are taken as they
    // stand: collapsing "//" or expanding '$' would change what they name.
    StrCopyCharSafe(result, work, kPathSize, ClientEncoding());
  } else {
    Expand(work);
    char joined[kPathSize];
    joined[0] = '\0';
    if (IsRelative(work)) {
      AppendBounded(joined, basePath);
      int32_t length = StrLength(joined);
      if (length > 0 && joined[length - 1] != '\\') StrAppendChar(joined, '\\', kPathSize);
    }
    AppendBounded(joined, work);
    Normalise(joined, result);
  }
  if (result[0] == '\0') return nullptr;

  FilePath* path = static_cast<FilePath*>(MemAllocateZeroed(1, sizeof(FilePath), 0));
  if (path == nullptr) return nullptr;
  path->tag = kFilePathTag;
  path->flags = kFromStringFlag;
  path->path = StrDuplicate(result);
  if (path->path == nullptr) {
    MemRelease(path);
    return nullptr;
  }
  return path;
}

char* FilePathBaseName(const FilePath* path) {
  if (path == nullptr || path->path == nullptr) return nullptr;
  char whole[kPathSize];
  StrCopyCharSafe(whole, path->path, kPathSize, ClientEncoding());
  const bool network = IsNetworkPath(path->path);

  // The component starts after the last separator (for a local path also a
  // drive colon); a trailing '\' does not count.
  const char* start = whole;
  const char* lastChar = nullptr;
  for (const char* p = whole; *p != '\0'; p += CharLength(p)) lastChar = p;
  char* end = whole + std::strlen(whole);
  if (lastChar != nullptr && (*lastChar == '\\' || (!network && *lastChar == '/'))) {
    end = const_cast<char*>(lastChar);
  }
  for (const char* p = whole; p < end; p += CharLength(p)) {
    bool boundary = network ? *p == '/' : (IsSeparator(*p) || *p == ':');
    if (boundary) start = p + 1;
  }

  char name[kNameSize];
  const char saved = *end;
  *end = '\0';
  StrCopyCharSafe(name, start, kNameSize, ClientEncoding());
  *end = saved;
  if (network) DecodePercents(name);
  return StrDuplicate(name);
}

void FilePathRelease(FilePath* path) {
  if (path == nullptr) return;
  MemRelease(path->path);
  MemRelease(path);
}
