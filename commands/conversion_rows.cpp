// Placeholder until this row group is built.
#include "commands/command_rows.h"

RowResult RunCreateConversionDocument(ObjHandle)  { return Done(); }
RowResult RunConvertChars(ObjHandle)  { return Done(); }
