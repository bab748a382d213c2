#pragma once
// What a fold step does with one face, from the sides of the reflection
// plane its corners lie on; the general flood and the quick step decide alike.

enum class FaceFold { kMirror, kTurn, kSplit, kSplitAtCorner, kLeave };

// For a face whose corners lie on sides s (0: on the plane) when `side` moves;
// `zero` gets the corner on the plane for kSplitAtCorner.
inline FaceFold DecideFaceFold(const int s[3], int side, int& zero)
{
    const int onPlane = (s[0] == 0) + (s[1] == 0) + (s[2] == 0);
    if (onPlane == 0)
        return s[0] == s[1] && s[1] == s[2] ? FaceFold::kMirror : FaceFold::kSplit;
    // A corner on the plane: the face turns about it when the rest lies on
    // the moving side, splits through it when the rest straddles the plane.
    bool restMoves = onPlane < 3;
    for (int j = 0; j < 3; ++j)
        if (s[j] != 0 && s[j] != side)
            restMoves = false;
    if (restMoves)
        return FaceFold::kTurn;
    if (onPlane == 1) {
        const int z = s[0] == 0 ? 0 : (s[1] == 0 ? 1 : 2);
        if (s[(z + 1) % 3] == -s[(z + 2) % 3]) {
            zero = z;
            return FaceFold::kSplitAtCorner;
        }
    }
    return FaceFold::kLeave;
}
