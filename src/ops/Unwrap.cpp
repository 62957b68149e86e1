// The Unwrap, Unwrap Conformal and Auto Unwrap commands: each part of the selection cut
// to a disc, flattened by a conformal map, split while the map folds, its stretch lowered
// (but by Unwrap Conformal) and placed where it was;
// Auto Unwrap first cuts the selection into charts by normal deviation, then frees the
// slivers and packs the charts.
#include "UnwrapSteps.h"

#include <new>
#include <numeric>

namespace islands {

int flattenParts(UVWalk& walk, FaceSet& set, std::vector<int>& part, int partCount, bool splitOverlaps,
                 Flattening flattening, const UnwrapOptions& options, ScratchSlots& kept, int& written) {
    PartVertices& vertices = kept.get<PartVertices>();
    PartList& list = kept.get<PartList>();
    listParts(part, partCount, list);
    FlatParts done;
    done.origins = partCount;
    std::vector<std::vector<int>> pieces(static_cast<size_t>(partCount));
    for (int p = 0; p < partCount; ++p)
        pieces[size_t(p)].assign(list.members.begin() + list.first[size_t(p)], list.members.begin() + list.first[size_t(p) + 1]);
    // Pieces split from one part remember it: they are laid out side by side where it was.
    std::vector<int> originOf(pieces.size());
    std::iota(originOf.begin(), originOf.end(), 0);
    for (size_t i = 0; i < pieces.size(); ++i) {
        std::vector<int> members = std::move(pieces[i]);
        if (members.size() > 1) cutToDisc(walk, set, members.data(), int(members.size()), vertices);
        else vertices.count = joinCorners(set, members.data(), int(members.size()), vertices.of);
        joinCoincidentCorners(walk, set, members.data(), int(members.size()), vertices);
        Flat flat = flatten(walk, set, members.data(), int(members.size()), vertices, kept);
        // A part that folds, overlaps itself or bends angles too far is split in two.
        if (splitOverlaps && members.size() > 1 && flat.solved &&
            (flat.angleError > options.mostAngleError || !embedded(set, members, flat))) {
            auto [first, second] = halve(set, members);
            pieces.push_back(std::move(first));
            pieces.push_back(std::move(second));
            originOf.insert(originOf.end(), 2, originOf[i]);
            continue;
        }
        // Whether to split was judged on the conformal map, whose angles say how much the
        // part bends; the stretch is lowered on what stays whole.
        if (flattening == Flattening::LowStretch) evenOutStretch(walk, set, members, vertices, flat, options, kept);
        done.members.push_back(std::move(members));
        done.origin.push_back(originOf[i]);
        done.flats.push_back(std::move(flat));
    }
    partCount = int(done.members.size());
    for (int p = 0; p < partCount; ++p)
        for (int m : done.members[size_t(p)]) part[size_t(m)] = p;
    placeFlats(walk, set, done, written);
    return partCount;
}

}  // namespace islands

namespace {

EditResult unwrapIslands(UVModel& model, float epsilon, const wchar_t* description, islands::Flattening flattening,
                         const UnwrapOptions& options) {
    UVEdit edit(model, keepingSteps(description));
    return islands::onKeptIslands(model, edit, epsilon, islands::Winding::Same, [&](islands::IslandWork& work) {
        islands::flattenParts(edit, work.set, work.part, work.parts, true, flattening, options, model.scratch.slots,
                              edit.changed);
    });
}

}  // namespace

EditResult unwrap(UVModel& model, float epsilon, const UnwrapOptions& options) {
    return unwrapIslands(model, epsilon, L"Unwrap", islands::Flattening::LowStretch, options);
}

EditResult unwrapConformal(UVModel& model, float epsilon, const UnwrapOptions& options) {
    return unwrapIslands(model, epsilon, L"Unwrap Conformal", islands::Flattening::Conformal, options);
}

EditResult autoUnwrap(UVModel& model, float epsilon, const UnwrapOptions& options, const PackOptions& packing) {
    UVEdit edit(model, keepingSteps(L"Auto Unwrap"));
    return edit.run([&] {
        islands::IslandWork& work = model.scratch.slots.get<islands::IslandWork>();
        islands::FaceSet& set = work.set;
        std::vector<int>& part = work.part;
        islands::selectedFaces(edit, set);
        islands::linkEdges(edit, set, epsilon, islands::EdgeLink::Vertices, islands::Winding::Same);
        int parts = islands::growCharts(edit, set, part, options.chartAngleDegrees);
        parts = islands::flattenParts(edit, set, part, parts, true, islands::Flattening::LowStretch, options,
                                      model.scratch.slots, edit.changed);
        parts = islands::freeSlivers(edit, set, part, parts, options, edit.changed);
        islands::packParts(edit, set, part, parts, packing, edit.changed);
    });
}
