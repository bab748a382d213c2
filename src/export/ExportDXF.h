#pragma once
// A crease pattern as DXF for laser cutters and CAD programs: AutoCAD R12
// ASCII (AC1009), the version every one of them reads. R12 has no units
// header, so the file's comment says that its coordinates are millimetres.

#include <string>

struct CPatternDrawing;

// The DXF text: a layer per drawing layer (CUT, MOUNTAIN, VALLEY, BEND and
// BACK_..., colours 7, 1, 5 and 8), every entity on its layer with its colour
// BYLAYER. A stroke of two points is a LINE, any other a POLYLINE (closed for
// the outline). x as the page has it, y upwards from the paper's bottom edge,
// so that the pattern reads the right way up; $EXTMIN and $EXTMAX are the
// paper's corners. Numbers are written exactly (shortest round trip).
std::string DxfDocument(const CPatternDrawing& drawing);
