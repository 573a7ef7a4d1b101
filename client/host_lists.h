// Building, copying and freeing the host's list types, and the two simple
// compositions over opening and saving.
#ifndef TAGSMITH_CLIENT_HOST_LISTS_H
#define TAGSMITH_CLIENT_HOST_LISTS_H

#include "client/host_api.h"

PropVals PropValsAllocate(uint32_t count);
void PropValsSet(PropVals* list, int32_t number, const TypedVal* value);
void PropValsSetString(PropVals* list, int32_t number, const char* value);
void PropValFree(PropVal* value);
void PropValsFree(PropVals* list);
void TextItemsFree(TextItems* items);
void HostStringsFree(HostStrings* strings);

// Deep copies into new client memory; the source is not changed. They return
// 0, or -1 when memory ran out (the destination is then left empty/zero).
int32_t TypedValCopy(TypedVal* dst, const TypedVal* src);
void TypedValFree(TypedVal* value);
int32_t PropValCopy(PropVal* dst, const PropVal* src);
int32_t PropValsCopy(PropVals* dst, const PropVals* src);
int32_t TextItemsCopy(TextItems* dst, const TextItems* src);
int32_t HostStringsCopy(HostStrings* dst, const HostStrings* src);

ObjHandle HostOpenDocumentSimple(const char* path, int32_t interactive);
ObjHandle HostSaveDocumentSimple(ObjHandle doc, const char* path, int32_t interactive);

#endif
