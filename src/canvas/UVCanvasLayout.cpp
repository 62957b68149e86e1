// The UV layout on the canvas: edges and corner boxes in the line, selection and locked
// pens, either through the pens themselves or into the back buffer's pixels from
// stamps the pens drew once.
#include "canvas/CanvasDrawing.h"
#include "canvas/UVCanvas.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "model/MeshLock.h"

namespace {
// Per edge: its two corners and the UV_HIDDEN bits both must have clear.
constexpr int kEdges[3][2] = {{0, 1}, {1, 2}, {2, 0}};
constexpr uint16_t kEdgeHiddenBits[3] = {(UV_HIDDEN << 0) | (UV_HIDDEN << 1), (UV_HIDDEN << 1) | (UV_HIDDEN << 2),
                                          (UV_HIDDEN << 2) | (UV_HIDDEN << 0)};

bool fullySelected(uint16_t flags) { return (flags & UV_SELECTED_ALL) == UV_SELECTED_ALL; }

// The back buffer's pixel (0x00RRGGBB) of a colour (0x00BBGGRR).
std::uint32_t dibColour(COLORREF c) {
    return (std::uint32_t(GetRValue(c)) << 16) | (std::uint32_t(GetGValue(c)) << 8) | GetBValue(c);
}
}  // namespace

// Lines drawn with one pen give the same pixels in any order, so the polylines of a
// run of one pen are drawn with a single call when the pen changes (or the buffer
// fills): the frame is that of drawing them one by one, with far fewer calls.
class UVCanvas::PenBatch {
public:
    explicit PenBatch(HDC dc) : dc_(dc) {}
    PenBatch(const PenBatch&) = delete;
    PenBatch& operator=(const PenBatch&) = delete;
    ~PenBatch() { flush(); }

    void use(HPEN pen) {
        if (pen == pen_) return;
        flush();
        pen_ = pen;
        SelectObject(dc_, pen);
    }
    void add(const POINT* points, int n) {
        if (pointCount_ + n > kMaxPoints || lineCount_ == kMaxLines) flush();
        for (int i = 0; i < n; ++i) points_[pointCount_ + i] = points[i];
        pointCount_ += n;
        counts_[lineCount_++] = static_cast<DWORD>(n);
    }
    void flush() {
        if (lineCount_) PolyPolyline(dc_, points_, counts_, static_cast<DWORD>(lineCount_));
        pointCount_ = lineCount_ = 0;
    }

private:
    static constexpr int kMaxPoints = 4000;
    static constexpr int kMaxLines = 1000;
    HDC dc_;
    HPEN pen_ = nullptr;
    POINT points_[kMaxPoints];
    DWORD counts_[kMaxLines];
    int pointCount_ = 0;
    int lineCount_ = 0;
};


namespace {
// The three pens of the layout, by width and colour: line (1), selection (1), locked (3).
enum LayoutPen { PEN_LINE, PEN_SELECTION, PEN_LOCKED, PEN_COUNT };
constexpr int kPenWidth[PEN_COUNT] = {1, 1, 3};

// A corner's box: side s from the corner's pixel less s / 2, drawn as one closed outline.
void cornerBoxOutline(int x0, int y0, int s, POINT outline[5]) {
    outline[0] = {x0, y0};
    outline[1] = {x0 + s, y0};
    outline[2] = {x0 + s, y0 + s};
    outline[3] = {x0, y0 + s};
    outline[4] = {x0, y0};
}
}  // namespace

// Draws the layout with the pens themselves: the frame without a back buffer.
class UVCanvas::PenPainter {
public:
    PenPainter(HDC dc, const UVCanvas& canvas) : dc_(dc), batch_(dc), side_(canvas.view.vertexSize) {
        const COLORREF colours[PEN_COUNT] = {canvas.view.lineColor, canvas.view.selColor, canvas.view.lockedColor};
        for (int i = 0; i < PEN_COUNT; ++i) pens_[i] = CreatePen(PS_SOLID, kPenWidth[i], colours[i]);
        previous_ = SelectObject(dc, pens_[PEN_LINE]);
    }
    PenPainter(const PenPainter&) = delete;
    PenPainter& operator=(const PenPainter&) = delete;
    ~PenPainter() {
        batch_.flush();
        SelectObject(dc_, previous_);
        for (HPEN pen : pens_) DeleteObject(pen);
    }
    bool faceVisible(const POINT*, unsigned) const { return true; }  // the context clips
    void line(POINT a, POINT b, int pen) {
        batch_.use(pens_[pen]);
        const POINT edge[2] = {a, b};
        batch_.add(edge, 2);
    }
    void box(POINT p, int pen) {
        batch_.use(pens_[pen]);
        POINT outline[5];
        cornerBoxOutline(p.x - side_ / 2, p.y - side_ / 2, side_, outline);
        batch_.add(outline, 5);
    }

private:
    HDC dc_;
    PenBatch batch_;
    int side_;
    HPEN pens_[PEN_COUNT] = {};
    HGDIOBJ previous_ = nullptr;
};

// Draws the layout into the back buffer's pixels: lines as the one-pixel pens set them,
// corner boxes from stamps the pens drew once. Faces wholly outside are skipped, and a
// box already stamped at the same place since the last change of pen is not stamped
// again: pixels of one colour do not depend on their order.
class UVCanvas::PixelPainter {
public:
    explicit PixelPainter(UVCanvas& canvas)
        : canvas_(canvas),
          image_{canvas.backPixels_, int(canvas.backSize_.cx), int(canvas.backSize_.cy)},
          side_(canvas.view.vertexSize),
          margin_(std::abs(canvas.view.vertexSize) + kPenWidth[PEN_LOCKED] + 2) {}
    bool faceVisible(const POINT* p, unsigned finiteCorners) const {
        LONG left = LONG_MAX, top = LONG_MAX, right = LONG_MIN, bottom = LONG_MIN;
        for (int c = 0; c < 3; ++c) {
            if (!(finiteCorners & (1u << c))) continue;
            left = std::min(left, p[c].x);
            right = std::max(right, p[c].x);
            top = std::min(top, p[c].y);
            bottom = std::max(bottom, p[c].y);
        }
        return left <= right && right >= -margin_ && bottom >= -margin_ && left < image_.width + margin_ &&
               top < image_.height + margin_;
    }
    void line(POINT a, POINT b, int pen) {
        use(pen);
        drawLine(image_, a, b, canvas_.stamps_[pen].colour);
    }
    void box(POINT p, int pen) {
        use(pen);
        const int x0 = p.x - side_ / 2, y0 = p.y - side_ / 2;
        if (x0 >= 0 && y0 >= 0 && x0 < image_.width && y0 < image_.height) {
            std::uint32_t& mark = canvas_.boxMarks_[size_t(y0) * size_t(image_.width) + size_t(x0)];
            if (mark == canvas_.boxRun_) return;
            mark = canvas_.boxRun_;
        }
        drawStamp(image_, canvas_.stamps_[pen], x0, y0);
    }

private:
    void use(int pen) {
        if (pen == pen_) return;
        pen_ = pen;
        if (++canvas_.boxRun_ == 0) {  // marks from 2^32 runs ago would look current
            std::fill_n(canvas_.boxMarks_.get(), size_t(image_.width) * size_t(image_.height), 0u);
            canvas_.boxRun_ = 1;
        }
    }

    UVCanvas& canvas_;
    PixelImage image_;
    int side_;
    LONG margin_;
    int pen_ = -1;
};

void UVCanvas::prepareStamps() {
    const COLORREF colours[PEN_COUNT] = {view.lineColor, view.selColor, view.lockedColor};
    if (stampsValid_ && stampSide_ == view.vertexSize && std::equal(colours, colours + PEN_COUNT, stampColours_))
        return;
    // Each pen draws one box on black and one on white; what changed is its stamp.
    const int s = view.vertexSize, margin = kPenWidth[PEN_LOCKED] + 2;
    const int origin = margin + (s < 0 ? -s : 0), size = std::abs(s) + 2 * margin;
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = dibInfo(size, -size);
    void* bits[2] = {};
    HBITMAP images[2] = {CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits[0], nullptr, 0),
                         CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits[1], nullptr, 0)};
    for (int pen = 0; pen < PEN_COUNT; ++pen) {
        stamps_[pen] = Stamp{};
        if (!dc || !bits[0] || !bits[1]) continue;
        HPEN drawing = CreatePen(PS_SOLID, kPenWidth[pen], colours[pen]);
        for (int i = 0; i < 2; ++i) {
            std::fill_n(static_cast<std::uint32_t*>(bits[i]), size_t(size) * size_t(size), i ? 0x00FFFFFFu : 0u);
            HGDIOBJ oldBitmap = SelectObject(dc, images[i]);
            HGDIOBJ oldPen = SelectObject(dc, drawing);
            POINT outline[5];
            cornerBoxOutline(origin, origin, s, outline);
            Polyline(dc, outline, 5);
            SelectObject(dc, oldPen);
            SelectObject(dc, oldBitmap);
        }
        GdiFlush();
        DeleteObject(drawing);
        readStamp(static_cast<std::uint32_t*>(bits[0]), static_cast<std::uint32_t*>(bits[1]), SIZE{size, size},
                  origin, origin, stamps_[pen]);
        // A box without pixels (side 0) still needs the colour for lines.
        if (stamps_[pen].runs.empty()) stamps_[pen].colour = dibColour(colours[pen]);
    }
    for (HBITMAP image : images)
        if (image) DeleteObject(image);
    if (dc) DeleteDC(dc);
    stampsValid_ = true;
    stampSide_ = view.vertexSize;
    std::copy(colours, colours + PEN_COUNT, stampColours_);
}

template <class Painter>
bool UVCanvas::drawLayout(Painter& painter, float selectionBounds[4]) {
    const float w = static_cast<float>(extentWidth_), h = static_cast<float>(extentHeight_);
    const bool emphasis = view.tool == TOOL_SELECT_UV_TRIANGLES || view.savedTool == TOOL_SELECT_UV_TRIANGLES;

    // The corners' pixels, and which of them are finite (bit c).
    POINT p[3];
    auto mapCorners = [&](const FaceRecord& face) {
        unsigned finite = 0;
        for (int c = 0; c < 3; ++c) {
            if (!cornerFinite(face, c)) continue;
            p[c] = canvasToPixel(face.uv[c][0] * w, face.uv[c][1] * h);
            finite |= 1u << c;
        }
        return finite;
    };
    auto drawEdges = [&](const FaceRecord& face, unsigned finite, int pen) {
        for (int e = 0; e < 3; ++e) {
            const int a = kEdges[e][0], b = kEdges[e][1];
            if ((face.flags & kEdgeHiddenBits[e]) || !(finite & (1u << a)) || !(finite & (1u << b))) continue;
            painter.line(p[a], p[b], pen);
        }
    };

    float minX = 1e8f, minY = 1e8f, maxX = -1e8f, maxY = -1e8f;
    int selected = 0;
    {
        MeshLock lock(mesh_.Get());
        const FaceRecord* faces = lock.faces;
        const int count = faces ? lock.faceCount : 0;
        // First pass: edges in the line colour, unselected corners (locked ones thick).
        for (int i = 0; i < count; ++i) {
            const FaceRecord& face = faces[i];
            if (!view.faceFilter.passes(face.flags)) continue;
            const unsigned finite = mapCorners(face);
            if (!painter.faceVisible(p, finite)) continue;
            if (!(emphasis && fullySelected(face.flags))) drawEdges(face, finite, PEN_LINE);
            for (int c = 0; c < 3; ++c) {
                if (face.flags & ((UV_HIDDEN | UV_SELECTED) << c) || !(finite & (1u << c))) continue;
                painter.box(p[c], (face.flags & (UV_LOCKED << c)) ? PEN_LOCKED : PEN_LINE);
            }
        }
        // Second pass: selection on top, locked or not, and its bounds.
        for (int i = 0; i < count; ++i) {
            const FaceRecord& face = faces[i];
            if (!(face.flags & UV_SELECTED_ALL) || !view.faceFilter.passes(face.flags)) continue;
            const unsigned finite = mapCorners(face);
            const bool visible = painter.faceVisible(p, finite);
            if (visible && emphasis && fullySelected(face.flags)) drawEdges(face, finite, PEN_SELECTION);
            for (int c = 0; c < 3; ++c) {
                if (!(face.flags & (UV_SELECTED << c)) || (face.flags & (UV_HIDDEN << c)) || !(finite & (1u << c)))
                    continue;
                if (visible) painter.box(p[c], PEN_SELECTION);
                const float x = face.uv[c][0] * w, y = face.uv[c][1] * h;
                if (x < minX) minX = x;
                if (y < minY) minY = y;
                if (x > maxX) maxX = x;
                if (y > maxY) maxY = y;
                ++selected;
            }
        }
    }
    selectionBounds[0] = minX;
    selectionBounds[1] = minY;
    selectionBounds[2] = maxX;
    selectionBounds[3] = maxY;
    return selected > 0;
}

bool UVCanvas::drawLayoutPixels(float selectionBounds[4]) {
    PixelPainter painter(*this);
    return drawLayout(painter, selectionBounds);
}

bool UVCanvas::drawLayoutWithPens(HDC dc, float selectionBounds[4]) {
    PenPainter painter(dc, *this);  // its lines are down when it goes
    return drawLayout(painter, selectionBounds);
}
