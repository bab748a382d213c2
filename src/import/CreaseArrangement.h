#pragma once
// A crease pattern drawn as loose lines, made into a planar graph: lines are
// split where they cross or touch, ends that meet become one vertex, and the
// faces the lines close are found. The line-drawing formats (SVG) read
// through it.

#include "model/WorkingShape.h"

#include <cstdint>
#include <string>
#include <vector>

// A drawn line on the sheet (mm) with its FOLD assignment (B, M, V, F, C or
// U) and target angle in degrees (FOLD's sign: valley positive).
struct CCreaseLine {
    CPaperPoint a, b;
    char assignment = 'F';
    double angle = 0.0;
};

struct CCreaseEdge {
    uint32_t a = 0, b = 0;
    char assignment = 'F';
    double angle = 0.0;
};

struct CCreaseGraph {
    std::vector<CPaperPoint> vertices;
    std::vector<CCreaseEdge> edges;           // every edge of a face, once
    std::vector<std::vector<uint32_t>> faces; // counter-clockwise (v up)
    size_t droppedLines = 0;                  // ends left loose inside a face, and so on
};

// Builds the graph of `lines`. Points closer than `snap` are one vertex, and
// a line end within `snap` of another line splits it there. Where lines
// overlap, the edge keeps one kind: boundary, then cut, then mountain or
// valley, then undriven, then facet. Lines that close no face (loose ends)
// are dropped and counted. The unbounded face around each piece is not a
// face. Returns false with `why` when no line is left, when the lines close
// no face, or when a piece lies inside a face of another (a hole).
bool ArrangeCreases(const std::vector<CCreaseLine>& lines, double snap, CCreaseGraph& out,
                    std::string& why);
