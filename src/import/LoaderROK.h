#pragma once
// Reader of ROK files: points (y and z negated), lines between two points,
// faces given as sequences of line numbers, and an optional colour palette.
// Faces of one file may wind either way; connected faces are brought to the
// winding of the first of them in file order before the topology is built.

#include "model/Progress.h"
#include "model/PolyModel.h"

#include <string>
#include <vector>

class LoaderROK {
public:
    LoaderROK(const std::string& path, CPolyModel* model, IProgress* progress);
    virtual ~LoaderROK();
    LoaderROK(const LoaderROK&) = delete;
    LoaderROK& operator=(const LoaderROK&) = delete;

    // 0 on success; 1 when the file cannot be read, a record or section is cut
    // short, a count is negative, a line or point number is out of range, or no
    // usable face remains; 2 when cancelled.
    ReadResult Read();

private:
    std::string path;
    CPolyModel* model;
    ProgressScope progress;
};

// Makes the winding of faces that share an edge consistent, face by face in
// the order a full rescan from the first face would settle them: each group of
// connected faces takes the winding of its first face in object and face-list
// order; a face reached from several settled neighbours follows the first of
// them in that order. Faces whose corners are not linked into a ring (fewer
// than three corners) take no part. Leaves every face's `sel` at 0.
void HarmoniseWinding(CPolyModel& model);

// Reverses one face as FlipOrientation does: negates its plane, gives every
// corner its successor's vertex and texture coordinate, swaps the ring links
// and reverses the corner list.
void ReverseFace(CPolyFace& face);
