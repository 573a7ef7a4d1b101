// The host's text for people and for reports.
#ifndef TAGSMITH_SIM_HOST_TEXT_H
#define TAGSMITH_SIM_HOST_TEXT_H

#include <string>

// Roman bytes as UTF-8, the host's tab as a tab, other control characters of
// the host's text as spaces or nothing.
std::string Readable(const std::string& roman);

#endif
