// Placeholder until this row group is built.
#include "commands/command_rows.h"

RowResult RunListCharUsage(ObjHandle)  { return Done(); }
