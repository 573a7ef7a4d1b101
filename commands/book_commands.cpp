// Placeholder until this row group is built.
#include "commands/command_rows.h"

RowResult RunBookCommand(int32_t, ObjHandle)  { return Done(); }
