#include "sim/kept_models.h"

KeptModels KeptModelsFor(bool commandMayChange) {
  KeptModels k;
  if (commandMayChange) k.quarters = 1;
  return k;
}

bool KeepModel(KeptModels* k, size_t cost) {
  k->read += cost;
  if (cost > k->budget || (k->kept + cost) * 4 > k->read * k->quarters) return false;
  k->budget -= cost;
  k->kept += cost;
  return true;
}
