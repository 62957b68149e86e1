// Internals of Align and Straighten: the selected corners as UV vertices (corners of
// one vertex joined across edges whose UVs meet), and the guarded write that keeps
// every face turning the way it turned.
#pragma once

#include "IslandsInternal.h"

#include <vector>

namespace lineup {

// The faces with a selected visible corner and their UV vertices, kept in the model's
// scratch from call to call with the working arrays of what is made of them.
struct CornerNet {
    islands::FaceSet set;
    std::vector<int> node;  // per corner 3 m + c: its UV vertex number
    int nodeCount = 0;
    std::vector<float> target;  // the caller's: per corner u, v
    // Scratch of selectedCornerNet and writeGuarded.
    std::vector<int> members, check, newlyHeld, firstOf, cornersOf;
    std::vector<char> held, moving;
};

// Fills the model's kept net and answers it. Throws std::bad_alloc.
CornerNet& selectedCornerNet(UVModel& model, UVWalk& walk, float epsilon);

// Whether corner 3 m + c is one an edit may move: selected, visible, unlocked, finite.
bool movable(const CornerNet& net, UVWalk& walk, int corner);

// Writes target[corner] (u, v pairs, per corner 3 m + c; NaN u: stays) to the movable
// corners. A UV vertex with a locked corner stays whole; of a face that would turn over
// or collapse, the UV vertex moving farthest stays whole, until no face turns over. Answers
// the number of corners whose UV changed. Throws std::bad_alloc.
int writeGuarded(UVWalk& walk, CornerNet& net, const std::vector<float>& target);

}  // namespace lineup
