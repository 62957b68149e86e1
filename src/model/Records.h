// The host's face and vertex records as the plug-in reads and writes them in place,
// their flag bits, and the two filters every UV operation applies.
#pragma once

#include <cstddef>
#include <cstdint>

// Records are walked by stride in arrays the host hands out, so the layout is binding.
#pragma pack(push, 1)
struct FaceRecord {
    uint16_t flags;        // FACE_* and per-corner UV_* bits
    uint16_t vertex[3];    // vertex index of corner 0, 1, 2
    uint32_t material;
    uint8_t hostData0[8];
    float normal[3];       // unit normal in model space
    uint8_t hostData1[36];
    float uv[3][2];        // (u, v) of corner 0, 1, 2
    uint8_t hostData2[24];
    uint16_t groups[3];    // UV group bits of each corner (bit k - 1 is group k)
    uint8_t hostData3[2];
};

struct VertexRecord {
    float position[3];
    uint8_t hostData0[16];
    uint16_t flags;        // VERTEX_SELECTED
    uint8_t hostData1[2];
};
#pragma pack(pop)

static_assert(sizeof(FaceRecord) == 124);
static_assert(offsetof(FaceRecord, vertex) == 2);
static_assert(offsetof(FaceRecord, material) == 8);
static_assert(offsetof(FaceRecord, normal) == 20);
static_assert(offsetof(FaceRecord, uv) == 68);
static_assert(offsetof(FaceRecord, groups) == 116);
static_assert(sizeof(VertexRecord) == 32);
static_assert(offsetof(VertexRecord, flags) == 28);

// Face bits.
constexpr uint16_t FACE_SELECTED = 0x0001;  // selected in the host's 3D view
constexpr uint16_t FACE_HIDDEN = 0x0002;    // hidden in the host's 3D view
// Corner-0 bits; corner c uses the bit shifted left by c.
constexpr uint16_t UV_HIDDEN = 0x0008;
constexpr uint16_t UV_SELECTED = 0x0040;
constexpr uint16_t UV_LOCKED = 0x0200;
// The same bits for all three corners.
constexpr uint16_t UV_HIDDEN_ALL = 0x0038;
constexpr uint16_t UV_SELECTED_ALL = 0x01C0;
constexpr uint16_t UV_LOCKED_ALL = 0x0E00;
// The corner tests (mask, UV_SELECTED) most commands act on: selected and visible;
// and selected, visible and unlocked, the corners an edit may move.
constexpr uint16_t SELECTED_VISIBLE_MASK = 0x0048;
constexpr uint16_t EDITABLE_MASK = 0x0248;
// Vertex bit.
constexpr uint16_t VERTEX_SELECTED = 0x0001;

// A face passes when (flags & mask) == value.
struct FaceFilter {
    uint16_t mask;
    uint16_t value;

    bool passes(uint16_t flags) const { return (flags & mask) == value; }
};

// Every face not hidden in 3D (the default), or only faces selected in 3D.
constexpr FaceFilter FACE_FILTER_ALL{0x0002, 0x0000};
constexpr FaceFilter FACE_FILTER_SELECTED_IN_3D{0x0003, 0x0001};
// No face filtered out, hidden in 3D or not.
constexpr FaceFilter FACE_FILTER_OFF{0x0000, 0x0000};

// Corner c passes the corner test (mask, value), both corner-0 patterns.
inline bool cornerPasses(uint16_t flags, int c, uint16_t mask, uint16_t value) {
    return (flags & ((unsigned(mask) << c) & 0xFFFFu)) == (unsigned(value) << c);
}

// A corner test (mask, value) as one value.
struct CornerTest {
    uint16_t mask;
    uint16_t value;

    bool passes(uint16_t flags, int c) const { return cornerPasses(flags, c, mask, value); }
    // The same test that also wants the corner unlocked: the corners an edit may move.
    CornerTest unlocked() const { return {uint16_t(mask | UV_LOCKED), value}; }
};

constexpr CornerTest CORNERS_ALL{0x0000, 0x0000};
constexpr CornerTest CORNERS_VISIBLE{UV_HIDDEN, 0x0000};
constexpr CornerTest CORNERS_SELECTED{SELECTED_VISIBLE_MASK, UV_SELECTED};  // selected and visible
constexpr CornerTest CORNERS_UNSELECTED{SELECTED_VISIBLE_MASK, 0};          // visible, not selected
constexpr CornerTest CORNERS_EDITABLE{EDITABLE_MASK, UV_SELECTED};          // and unlocked
constexpr CornerTest CORNERS_SELECTED_LOCKED{EDITABLE_MASK, UV_SELECTED | UV_LOCKED};

// Face tests of whole faces: all three corners selected and visible (and unlocked).
constexpr FaceFilter FACES_WHOLLY_SELECTED{UV_SELECTED_ALL | UV_HIDDEN_ALL, UV_SELECTED_ALL};
constexpr FaceFilter FACES_WHOLLY_EDITABLE{UV_SELECTED_ALL | UV_HIDDEN_ALL | UV_LOCKED_ALL, UV_SELECTED_ALL};

inline bool cornerSelected(uint16_t flags, int c) { return (flags & (UV_SELECTED << c)) != 0; }
inline bool cornerHidden(uint16_t flags, int c) { return (flags & (UV_HIDDEN << c)) != 0; }
