// Placeholder until this row group is built.
#include "commands/command_rows.h"

RowResult RunDeleteUnusedChars(ObjHandle)  { return Done(); }
RowResult RunCreateCharList(ObjHandle)  { return Done(); }
RowResult RunRemoveNonlistChars(ObjHandle)  { return Done(); }
