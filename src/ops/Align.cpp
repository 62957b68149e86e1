// Align: the selected corners take one u or v of their bounds.
#include "Alignment.h"
#include "CornerNet.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

EditResult alignSelection(UVModel& model, AlignTo side, float epsilon, const wchar_t* description) {
    UVEdit edit(model, {description, EDIT_FACE_DATA});
    return edit.run([&] {
        lineup::CornerNet& net = lineup::selectedCornerNet(model, edit, epsilon);
        const int corners = 3 * net.set.size();
        float low[2] = {INFINITY, INFINITY}, high[2] = {-INFINITY, -INFINITY};
        for (int corner = 0; corner < corners; ++corner) {
            const uint16_t flags = edit.face(net.set.faces[size_t(corner / 3)]).flags;
            const float* uv = &net.set.uv[2 * size_t(corner)];
            if (!CORNERS_SELECTED.passes(flags, corner % 3) || !std::isfinite(uv[0]) || !std::isfinite(uv[1]))
                continue;
            for (int axis = 0; axis < 2; ++axis)
                low[axis] = std::min(low[axis], uv[axis]), high[axis] = std::max(high[axis], uv[axis]);
        }
        if (low[0] <= high[0]) {
            const bool inU = side == AlignTo::Left || side == AlignTo::Right || side == AlignTo::CentreHorizontally;
            const int axis = inU ? 0 : 1;
            float value = float((double(low[axis]) + high[axis]) * 0.5);
            if (side == AlignTo::Left || side == AlignTo::Top) value = low[axis];
            if (side == AlignTo::Right || side == AlignTo::Bottom) value = high[axis];
            std::vector<float>& target = net.target;
            target.assign(net.set.uv.begin(), net.set.uv.end());
            for (int corner = 0; corner < corners; ++corner) target[2 * size_t(corner) + size_t(axis)] = value;
            edit.changed = lineup::writeGuarded(edit, net, target);
        }
    });
}
