// Placeholder until this row group is built.
#include "commands/command_rows.h"

RowResult RunRemoveOverrides(ObjHandle)  { return Done(); }
RowResult RunFindNextOverride(ObjHandle)  { return Done(); }
RowResult RunSkipMasterPages()  { return Done(); }
