// Whole islands of a UV layout: select an island, flatten islands by least-squares
// conformal maps, cut a surface into charts by normal deviation, pack islands into the
// unit square. An island is a set of faces joined through shared edges: the same two
// vertices with coinciding UVs at both ends (within the weld epsilon). The steps these
// operations are made of are in IslandsInternal.h.
#pragma once

#include "EditProtocol.h"
#include "IslandOptions.h"

// The operations. Each is one history entry named by its command; the unwraps and the
// packing act on the faces whose three corners are selected and visible. epsilon: the
// UV distance (UV units) within which corners coincide; sync: as in UVModel.h. Each
// answers Changed when it really changed a corner (a selection bit or a UV), which is
// when its entry is kept; OutOfMemory, nothing changed, when working memory ran out.
EditResult selectIsland(UVModel& model, float epsilon, bool sync);
EditResult unwrap(UVModel& model, float epsilon, const UnwrapOptions& options = {});
EditResult unwrapConformal(UVModel& model, float epsilon, const UnwrapOptions& options = {});
EditResult autoUnwrap(UVModel& model, float epsilon, const UnwrapOptions& options = {},
                      const PackOptions& packing = {});
EditResult packIslands(UVModel& model, float epsilon, const PackOptions& options = {});
