// The platform side of FatalStop: what a stop does when no handler has been
// installed.
#ifndef TAGSMITH_SUPPORT_FATAL_PLATFORM_H
#define TAGSMITH_SUPPORT_FATAL_PLATFORM_H

void PlatformFatalStop();

#endif
