// The one line a changing command ends with: what it changed and what was
// written where, so that a run that wrote nothing cannot be read as one
// that changed the files on disk.
#ifndef TAGSMITH_SIM_RUN_SUMMARY_H
#define TAGSMITH_SIM_RUN_SUMMARY_H

#include <cstdint>
#include <string>
#include <vector>

struct ChangeTally {
  bool changing = false;               // a command that changes documents ran
  std::vector<std::string> changed;    // the documents it changed
  std::vector<std::string> deletedIn;  // those it deleted character formats from
  int64_t formatsDeleted = 0;
  enum Writing { kNotWritten, kDiff, kInPlace, kOutDir } writing = kNotWritten;
  std::string outDir;
  std::vector<std::string> written;  // the changed documents written
  std::string output;                // where the output document went; empty: nowhere
};

// The tally a run adds to, said once at its end (or at the end of the batch
// of --each).
ChangeTally& RunTally();

// Whether the client-call string names a command that changes documents.
bool IsChangingCall(const char* call);

// The names of the character formats in a MIF document's font catalog, as
// written there. Only the catalog is read, so a large document costs little.
std::vector<std::string> CatalogFormats(const std::string& mif);

// "deleted 4 character formats in 3 files; wrote 3 files into out", or
// "nothing to change"; no line break.
std::string ChangeSummary(const ChangeTally& t);

#endif
