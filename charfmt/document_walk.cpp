#include "charfmt/document_walk.h"

ObjHandle FirstParagraphFrom(ObjHandle doc, ObjHandle frame) {
  ObjHandle pgf = frame == 0 ? 0 : HostGetId(doc, frame, PROP_FIRST_PGF);
  while (pgf == 0 && frame != 0) {
    frame = HostGetId(doc, frame, PROP_NEXT_FRAME_IN_FLOW);
    if (frame != 0) pgf = HostGetId(doc, frame, PROP_FIRST_PGF);
  }
  return pgf;
}
