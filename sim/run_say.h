// What a run says on standard error, kept as well for the report's
// messages.
#ifndef TAGSMITH_SIM_RUN_SAY_H
#define TAGSMITH_SIM_RUN_SAY_H

#include <string>

// Everything said on stderr so far.
std::string& Said();
// Says text on stderr and keeps it.
void Say(const std::string& text);
// The same for what the writing of files says (SafeSay): said always, kept
// while memory lasts.
void SayWhileWriting(const char* text);

#endif
