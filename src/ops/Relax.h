// Relax: the selected faces settle towards their 3D shapes inside what holds them.
#pragma once

#include "EditProtocol.h"
#include "IslandOptions.h"

// Lowers the stretch energy of the faces whose three corners are selected and visible:
// corners of one vertex whose UVs meet within `epsilon` (UV units) move as one; a UV
// vertex stays where it is when one of its corners is locked, lies on a face that is not
// selected (or filtered out), or lies on a face without 3D area, without UV area or with
// a bad index or a non-finite number. Each face is measured against its 3D shape at its
// island's texel density, so the selection settles without growing or shrinking its
// island; no face turns over. One history entry named `description`, kept only when a
// UV changed, which is also the answer (Changed).
EditResult relax(UVModel& model, float epsilon, const wchar_t* description, const RelaxOptions& options = {});
