// What a run would write, shown instead of written: a unified diff of every
// target against what it holds now, for a reviewer to read or for patch(1)
// to apply.
#ifndef TAGSMITH_SIM_DIFF_PREVIEW_H
#define TAGSMITH_SIM_DIFF_PREVIEW_H

#include <string>
#include <vector>

#include "sim/safe_write.h"

// The unified diff (3 lines of context) that turns `before` into `after`,
// with "--- " oldName and "+++ " newName above it, written as git writes
// names (quoted with C escapes when unusual, a tab after one with a space)
// so that patch(1) and git apply take any name; empty when they are the
// same. A last line without a line break is marked as diff(1) marks it.
// The diff is the shortest there is unless some stretch of the texts needs
// more than mostEdits lines removed and added: that stretch is split where
// the search got furthest, so that texts that differ throughout take time in
// proportion to their length, not to its square.
constexpr size_t kDiffMostEdits = 1024;
std::string UnifiedDiff(const std::string& before, const std::string& after,
                        const std::string& oldName, const std::string& newName,
                        size_t mostEdits = kDiffMostEdits);

// The name a file has in a diff: relative to the working folder when it lies
// below it, else from the root; with no leading "./", "/" or "..".
std::string DiffPathOf(const std::string& path);

// The diff of one file (as UnifiedDiff makes it) coloured for a terminal:
// its two name lines bold, hunk heads cyan, removed lines red, added lines
// green.
std::string ColouredDiff(const std::string& diff);

// Prints to stdout the diff of each target (a/PATH, b/PATH; a new file from
// /dev/null), coloured when asked; standard output as a target is passed
// over. False, with a message on stderr, when a target that exists cannot be
// read.
bool PrintDiffPreview(const std::vector<SafeWrite>& writes, bool colour = false);

#endif
