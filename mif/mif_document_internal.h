// What the document reader and writer share beyond the public interface.
#ifndef TAGSMITH_MIF_MIF_DOCUMENT_INTERNAL_H
#define TAGSMITH_MIF_MIF_DOCUMENT_INTERNAL_H

#include <cstdint>
#include <string>
#include <vector>

#include "mif/mif_document.h"

// <Char> names and the host's bytes for them.
struct MifSpecialChar {
  const char* name;
  unsigned char byte;
};
extern const MifSpecialChar kMifSpecialChars[];
extern const size_t kMifSpecialCharCount;
// The byte for a <Char> name; false when the name is unknown.
bool MifSpecialCharByte(const std::string& name, unsigned char* byte);
// The <Char> name for a byte of the host's text, or null for ordinary text.
const char* MifSpecialCharName(unsigned char byte);
// The host's tab. A MIF string writes it as \t (byte 0x09).
constexpr char kMifHostTab = '\x08';

// The path of ref, a node of source.
std::vector<uint32_t> MifRefPath(const MifDocument& source, const MifNodeRef& ref);
// Its last index: the node's place among its parent's children.
uint32_t MifRefChild(const MifDocument& source, const MifNodeRef& ref);
// The reference of an object of the model (its origin: index + 1 into
// source->nodes, set by the reader; 0 for objects made since), or null.
const MifNodeRef* MifRefOf(const memhost::DocStore& host, const MifDocument* source, ObjHandle h);

// The run properties of the host with the colour by name.
MifRunProps MifNormalizeRun(const memhost::DocStore& host, const memhost::CharProps& props);

// A statement of a <ParaLine> that anchors something (a table, footnote,
// frame or marker): one position of the text.
bool MifIsAnchor(const MifNode& c);

// Root-relative node at path, or null.
MifNode* MifNodeAt(MifNode* root, const std::vector<uint32_t>& path);

#endif
