#include <climits>
#include <set>
#include <utility>

#include "drawing/gradient.h"
#include "drawing/primitives.h"
#include "drawing_fixture.h"

namespace {

using Primitives = DrawingTest;
using Points = std::set<std::pair<int32_t, int32_t>>;

const uint32_t kInk = 0x00FFFFFF;  // white, as 0xAABBGGRR and as stored

// The canvas pixels that are not black.
Points inked(const Pixels& canvas) {
    Points points;
    for (int32_t y = 0; y < canvas.height; ++y)
        for (int32_t x = 0; x < canvas.width; ++x)
            if (canvas.argb(x, y) & 0xFFFFFF) points.insert({x, y});
    return points;
}

Points rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    Points points;
    for (int32_t y = y1; y <= y2; ++y)
        for (int32_t x = x1; x <= x2; ++x) points.insert({x, y});
    return points;
}

TEST_F(Primitives, ShapesCoverTheirPixelsCutAtTheEdges) {
    struct Case {
        const char* name;
        void (*draw)(DrawingContext*);
        Points expected;
    } cases[] = {
        {"box", [](DrawingContext* c) { c->boxDrawer(c, 2, 3, 4, 2, kInk); },
         rectangle(2, 3, 5, 4)},
        {"box cut", [](DrawingContext* c) { c->boxDrawer(c, -2, -2, 5, 4, kInk); },
         rectangle(0, 0, 2, 1)},
        {"huge box",
         [](DrawingContext* c) {
             c->boxDrawer(c, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, kInk);
         },
         {}},
        {"empty box", [](DrawingContext* c) { c->boxDrawer(c, 2, 2, 0, 5, kInk); }, {}},
        {"round box without radius",
         [](DrawingContext* c) { c->roundBoxDrawer(c, 1, 1, 3, 3, 0, 0, kInk); },
         rectangle(1, 1, 3, 3)},
        {"round box", [](DrawingContext* c) { c->roundBoxDrawer(c, 0, 0, 7, 5, 2, 2, kInk); },
         [] {
             Points p = rectangle(0, 2, 6, 2);
             for (auto q : rectangle(1, 1, 5, 3)) p.insert(q);
             for (auto q : rectangle(2, 0, 4, 4)) p.insert(q);
             return p;
         }()},
        {"ellipse", [](DrawingContext* c) { c->ellipseDrawer(c, 5, 4, 3, 2, kInk); },
         [] {
             Points p = rectangle(2, 4, 8, 4);
             for (auto q : rectangle(3, 3, 7, 5)) p.insert(q);
             for (auto q : rectangle(5, 2, 5, 6)) p.insert(q);
             return p;
         }()},
        {"ellipse point", [](DrawingContext* c) { c->ellipseDrawer(c, 1, 1, 0, 0, kInk); },
         rectangle(1, 1, 1, 1)},
        {"line across", [](DrawingContext* c) { c->lineDrawer(c, 1, 2, 6, 2, kInk); },
         rectangle(1, 2, 6, 2)},
        {"line up", [](DrawingContext* c) { c->lineDrawer(c, 3, 6, 3, 1, kInk); },
         rectangle(3, 1, 3, 6)},
        {"diagonal",
         [](DrawingContext* c) { c->lineDrawer(c, 0, 0, 3, 3, kInk); },
         {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        {"line leaving", [](DrawingContext* c) { c->lineDrawer(c, 8, 1, 12, 1, kInk); },
         rectangle(8, 1, 9, 1)},
        {"line far away",
         [](DrawingContext* c) { c->lineDrawer(c, INT32_MIN, -5, INT32_MAX, -5, kInk); },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DrawingContext* context = openCanvas(1, 10, 8);
        ASSERT_NE(context, nullptr);
        c.draw(context);
        EXPECT_EQ(inked(Pixels(1)), c.expected);
        if (!c.expected.empty()) EXPECT_EQ(context->frontColour, kInk);
        endDrawing();
    }
}

TEST_F(Primitives, AFloodFillStopsAtOtherColours) {
    for (uint32_t mode : {0u, 0x10u, 0x02u}) {
        SCOPED_TRACE(mode);
        DrawingContext* context = openCanvas(1, 12, 10);
        ASSERT_NE(context, nullptr);
        // A ring with a gap-free wall, then fill its inside.
        context->lineDrawer(context, 2, 2, 8, 2, 0x0000FF);
        context->lineDrawer(context, 2, 7, 8, 7, 0x0000FF);
        context->lineDrawer(context, 2, 2, 2, 7, 0x0000FF);
        context->lineDrawer(context, 8, 2, 8, 7, 0x0000FF);
        context->setDrawingMode(context, mode);
        context->areaFiller(context, 4, 4, 0x80FF0000);  // half-opaque blue
        Pixels canvas(1);
        for (int32_t y = 0; y < 10; ++y)
            for (int32_t x = 0; x < 12; ++x) {
                bool wall = (y == 2 || y == 7) && x >= 2 && x <= 8
                                ? true
                                : (x == 2 || x == 8) && y >= 2 && y <= 7;
                bool inside = x > 2 && x < 8 && y > 2 && y < 7;
                // Stored as 0xRRGGBB: the wall red, the fill blue.
                uint32_t filled = mode == 0x10 ? 0x000080u : 0x0000FFu;
                uint32_t want = wall ? 0xFF0000 : inside ? filled : 0;
                ASSERT_EQ(canvas.argb(x, y), want) << x << "," << y;
            }
        // Filling with the colour already there ends too.
        context->setDrawingMode(context, 0);
        context->areaFiller(context, 0, 0, 0);
        context->areaFiller(context, -1, 0, kInk);
        EXPECT_EQ(canvas.argb(0, 0), 0u);
        endDrawing();
    }
}

TEST_F(Primitives, AFloodFillCoversALargeArea) {
    DrawingContext* context = openCanvas(1, 300, 300);
    ASSERT_NE(context, nullptr);
    for (int32_t x = 1; x < 300; x += 2)
        context->lineDrawer(context, x, (x / 2) % 2 ? 0 : 1, x, (x / 2) % 2 ? 298 : 299, 0x00FF00);
    context->areaFiller(context, 0, 0, 0x0000FF);
    Pixels canvas(1);
    for (int32_t y = 0; y < 300; ++y)
        for (int32_t x = 0; x < 300; x += 2)
            ASSERT_EQ(canvas.argb(x, y), 0xFF0000u) << x << "," << y;
}

TEST_F(Primitives, TextIsDrawnInsideItsExtent) {
    DrawingContext* context = openCanvas(1, 120, 60);
    ASSERT_NE(context, nullptr);
    SIZE extent = {0, 0};
    ASSERT_TRUE(GetTextExtentPoint32W(context->textDC, UTF16("Hg"), 2, &extent));
    EXPECT_EQ(context->textWidthGauge(context, UTF16("Hg")), extent.cx);
    EXPECT_EQ(context->textHeightGauge(context, UTF16("Hg")), extent.cy);
    EXPECT_EQ(context->textWriter(context, 10, 20, UTF16("Hg"), kInk), 10 + extent.cx);
    Points text = inked(Pixels(1));
    EXPECT_GT(text.size(), 10u);
    for (auto point : text) {
        EXPECT_GE(point.first, 10);
        EXPECT_LT(point.first, 10 + extent.cx);
        EXPECT_GE(point.second, 20);
        EXPECT_LT(point.second, 20 + extent.cy);
    }

    // Turned by 0 degrees it is the same text; by 90 it reads upwards.
    struct Case {
        float angle;
        int32_t x, y;
    } cases[] = {{0, 10, 20}, {90, 30, 50}, {-270, 30, 50}, {360, 10, 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angle);
        Pixels(1).fill(0);
        context->rotatedTextWriter(context, c.x, c.y, UTF16("Hg"), c.angle, kInk);
        Points expected;
        for (auto point : text) {
            int32_t u = point.first - 10, v = point.second - 20;
            bool upright = c.angle == 0 || c.angle == 360;
            expected.insert(upright ? point : std::make_pair(c.x + v, c.y - u));
        }
        EXPECT_EQ(inked(Pixels(1)), expected);
    }
    EXPECT_EQ(context->textWriter(context, 3, 3, UTF16(""), kInk), 3);
    EXPECT_EQ(context->textWriter(context, 3, 3, nullptr, kInk), 3);
}

double alongX(int32_t x, int32_t) { return x / 10.0; }

TEST_F(Primitives, GradientsRunThroughTheirStops) {
    DrawingContext* context = openCanvas(1, 11, 1, 32);
    ASSERT_NE(context, nullptr);
    context->gradientCallback = alongX;
    context->gradientStartColour = 0xFF000000;               // black
    context->gradientEndColour = 0x00FFFFFF;                 // clear white
    ASSERT_TRUE(addGradientStop(context, 0.5, 0xFF0000FF));  // red
    ASSERT_TRUE(addGradientStop(context, 0.2, 0xFF00FF00));  // green, added out of order
    EXPECT_FALSE(addGradientStop(context, 1.5, 0));
    context->setDrawingMode(context, 0x140);  // gradient, all four bytes
    context->boxDrawer(context, 0, 0, 11, 1, 0);
    struct Case {
        int32_t x;
        uint32_t argb;
    } cases[] = {{0, 0xFF000000}, {1, 0xFF008000}, {2, 0xFF00FF00},
                 {5, 0xFFFF0000}, {6, 0xCCFF3333}, {10, 0x00FFFFFF}};
    Pixels canvas(1);
    for (const Case& c : cases) EXPECT_EQ(canvas.argb(c.x, 0), c.argb) << c.x;
    EXPECT_EQ(gradientColour(context, -50, 0), 0xFF000000u);  // clamped to the start
}

}  // namespace
