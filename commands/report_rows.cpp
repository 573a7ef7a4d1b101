// Placeholder until this row group is built.
#include "commands/command_rows.h"

RowResult RunCharTagReportAll(ObjHandle)  { return Done(); }
RowResult RunCharTagReportSelected(ObjHandle)  { return Done(); }
