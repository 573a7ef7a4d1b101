// Which of a book's chapters keep their models as read, so that opening one
// again is a copy rather than a reading of its MIF once more.
#ifndef TAGSMITH_SIM_KEPT_MODELS_H
#define TAGSMITH_SIM_KEPT_MODELS_H

#include <cstddef>

// A model costs about three and a half times its MIF. A listing keeps those
// of up to 64 MB of MIF, which keeps a book within six times its MIF. A
// command that changes documents ends up holding the settled text of every
// chapter it changed instead of its model and bytes read, less than what
// it held at the start; its peak is the models kept with the bytes read,
// as a listing's is. It keeps at most seven eighths of what was read,
// every eighth chapter's model made again at each opening, which keeps it
// near five and a half times the book's MIF (with every model kept, as
// much as the listing, up to six).
struct KeptModels {
  size_t budget = size_t{64} << 20;  // MIF bytes whose models may still be kept
  size_t eighths = 8;                // the share of what was read that may be kept
  size_t read = 0;
  size_t kept = 0;
};

KeptModels KeptModelsFor(bool commandMayChange);

// Whether the model of a chapter of `cost` bytes of MIF, read next, is kept;
// counted either way.
bool KeepModel(KeptModels* k, size_t cost);

#endif
