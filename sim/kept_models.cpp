#include "sim/kept_models.h"

KeptModels KeptModelsFor(bool commandMayChange) {
  KeptModels k;
  if (commandMayChange) k.eighths = 7;
  return k;
}

bool KeepModel(KeptModels* k, size_t cost) {
  k->read += cost;
  if (cost > k->budget || (k->kept + cost) * 8 > k->read * k->eighths) return false;
  k->budget -= cost;
  k->kept += cost;
  return true;
}
