// The blocks a typed value owns, walked in one place. Copying and freeing
// follow the same walk over whichever heap the blocks come from (the client's,
// the task allocator, a host handing blocks out), so a new value code is one
// change here.
#ifndef TAGSMITH_CLIENT_TYPED_PARTS_H
#define TAGSMITH_CLIENT_TYPED_PARTS_H

#include <cstdint>

#include "client/host_types.h"

struct BlockHeap {
  void* context;  // passed to both routines as is
  // A zeroed block of count * size bytes; null when it cannot be had.
  void* (*allocate)(void* context, uint32_t count, uint32_t size);
  // Gives a block back; never called with null.
  void (*release)(void* context, void* block);
};

// Overwrites dst (without freeing it) with a deep copy of src, every owned
// block from heap. Unknown codes copy nothing. False when some
// block could not be had: dst then owns what was copied, shares nothing
// with src, and TypedPartsFree gives it back.
bool TypedPartsCopy(TypedVal* dst, const TypedVal* src, const BlockHeap& heap);
// Gives every block the value owns back to heap and zeroes the payload, so a
// second call frees nothing; payloads that own nothing stay as they are.
void TypedPartsFree(TypedVal* value, const BlockHeap& heap);
// Gives back a property's name (owned when its number is 0) and value, and
// then a whole list with its array; a null argument frees nothing. Both
// leave nothing behind to free twice.
void PropValPartsFree(PropVal* value, const BlockHeap& heap);
void PropValsPartsFree(PropVals* list, const BlockHeap& heap);
// Gives back the strings of a text item list and then its array, the same.
void TextItemsPartsFree(TextItems* items, const BlockHeap& heap);

// Deep copies of a property, a property list and a text item list into
// heap: dst is overwritten (not freed) and src is not changed. A null or
// empty source gives an empty copy. False when some block could not be had:
// dst is then empty (zero), whatever was copied given back.
bool PropValPartsCopy(PropVal* dst, const PropVal* src, const BlockHeap& heap);
bool PropValsPartsCopy(PropVals* dst, const PropVals* src, const BlockHeap& heap);
bool TextItemsPartsCopy(TextItems* dst, const TextItems* src, const BlockHeap& heap);

// A property named by number whose value is a number or one string: what
// the text walks ask for at every character. Such a value owns at most its
// string, so it can cross from heap to heap without the walk.
inline bool PropValIsPlain(const PropVal& v) {
  if (v.propIdent.num == 0) return false;
  switch (v.propVal.valType) {
    case VT_STRING:
    case VT_INT:
    case VT_METRIC:
    case VT_ID: return true;
    default: return false;
  }
}

#endif
