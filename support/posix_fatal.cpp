#include "support/fatal_platform.h"

// There is no host to catch a software exception here, so the stop is only
// counted (by FatalStop) and the caller carries on with its fallback result,
// exactly as it would after the host resumes a continuable exception.
void PlatformFatalStop() {}
