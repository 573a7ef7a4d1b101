// How a run names files and commands: paths as the host and the messages
// give them, labels as typed.
#ifndef TAGSMITH_SIM_RUN_NAMES_H
#define TAGSMITH_SIM_RUN_NAMES_H

#include <string>

// The path made normal, a network path keeping the two slashes that start it.
std::string Normal(const std::string& path);
std::string BaseName(const std::string& path);
std::string Lower(std::string s);
// A label as typed: case, surrounding blanks and a trailing "..." do not count.
std::string LabelKey(std::string s);
// What the host calls a file named in UTF-8 (Roman); the name itself when
// it has no Roman form.
std::string RomanName(const std::string& utf8);

#endif
