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

// Whether only errors are shown (--quiet).
bool& SayQuietly();
// Says what is not an error: kept for the report like every line, but not
// shown when only errors are.
void SayNote(const std::string& text);

// A status line (progress) stands on the terminal until the next thing is
// said, which takes it off first with `clear`. Neither is kept for the
// report: a status line is no message.
void SayStatus(const std::string& line, const std::string& clear);
// Takes the status line off the terminal, if one stands there.
void ClearStatus();
// Leaves the status line standing, as a line of its own.
void EndStatus();

#endif
