// Which of a book's chapters keep their models as read, so that opening one
// again is a copy rather than a reading of its MIF once more.
#ifndef TAGSMITH_SIM_KEPT_MODELS_H
#define TAGSMITH_SIM_KEPT_MODELS_H

#include <cstddef>

// A model costs about three and a half times its MIF. A listing keeps those
// of up to 64 MB of MIF, which keeps a book within six times its MIF. A
// command that changes documents also holds, by its end, the text of every
// chapter it changed and the text to write: it keeps the models of at most
// a quarter of what was read, about every fourth chapter's, which keeps it
// near five times the book's MIF (with every model kept it took nine).
struct KeptModels {
  size_t budget = size_t{64} << 20;  // MIF bytes whose models may still be kept
  size_t quarters = 4;               // the share of what was read that may be kept
  size_t read = 0;
  size_t kept = 0;
};

KeptModels KeptModelsFor(bool commandMayChange);

// Whether the model of a chapter of `cost` bytes of MIF, read next, is kept;
// counted either way.
bool KeepModel(KeptModels* k, size_t cost);

#endif
