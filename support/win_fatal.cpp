#include <windows.h>

#include "support/fatal_platform.h"

// Code 1, continuable, no arguments: the host decides whether the command in
// progress ends here or resumes with the caller's fallback.
void PlatformFatalStop() { RaiseException(1, 0, 0, nullptr); }
