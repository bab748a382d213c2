#pragma once
// Laying the pieces of a joined surface on the paper: unfolding across
// shared edges, measuring the strain, splitting pieces that land on
// themselves, and setting pieces side by side.

#include "paper/PaperSurface.h"

#include <vector>

// Lays every piece out in its own frame across its paired edges, breadth
// first from its first triangle (corner 0 at the origin, edge 0-1 along u);
// each triangle keeps its own shape, and with `snap` a corner whose paper
// point was already placed takes that point (without it, each corner keeps
// where its triangle put it). One paper point per corner of s.
void UnfoldSurface(const CPaperSurface& s, std::vector<CPaperPoint>& paper, bool snap = true);

// Relative change of length, paper against surface, over the edges (each
// shared edge once). Fills the largest per piece (pieceMax) and overall.
void MeasureStrain(const CPaperSurface& s, const std::vector<CPaperPoint>& paper, double& max,
                   double& mean, std::vector<double>* pieceMax = nullptr);

// Splits every piece that overlaps itself on the paper into pieces that do
// not, growing each across shared edges while it stays clear of itself.
// Renumbers s.pieceOf and s.pieces; false when nothing overlapped.
bool SplitOverlappingPieces(CPaperSurface& s, const std::vector<CPaperPoint>& paper);

// Sets pieces side by side, kPieceGap apart, each with its lower-left at
// (cursor, 0), and gives the extent of them all.
void SetSideBySide(const CPaperSurface& s, std::vector<CPaperPoint>& paper, double& width,
                   double& height);
