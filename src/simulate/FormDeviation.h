#pragma once
// How far a simulated fold lands from the designed form: the best rigid
// alignment of one onto the other on the same vertices (Kabsch), then the
// RMS and largest distance as a percentage of the form's bounding-box
// diagonal.

#include "model/Geometry.h"

#include <vector>

struct CFormDeviation {
    bool valid = false; // false when the lists differ in length or are empty
    double rmsPercent = 0.0;
    double maxPercent = 0.0;
};

CFormDeviation MeasureDeviation(const std::vector<CVector3>& simulated,
                                const std::vector<CVector3>& form);
