#include "drawing/primitives.h"

#include "drawing/pixel_access.h"
#include "runtime/heaps.h"

namespace {

// Narrows [from, to] to [0, limit - 1]; false when nothing is left.
bool clampRange(int64_t* from, int64_t* to, int32_t limit) {
    if (*from < 0) *from = 0;
    if (*to > static_cast<int64_t>(limit) - 1) *to = static_cast<int64_t>(limit) - 1;
    return *from <= *to;
}

// Plots the pixels x1..x2 of row y in the front colour, cut to the output.
void plotSpan(DrawingContext* context, int64_t x1, int64_t x2, int64_t y) {
    if (y < 0 || y >= context->outputHeight || !clampRange(&x1, &x2, context->outputWidth)) return;
    FrontPlotter plot = context->frontPlotter;
    for (int64_t x = x1; x <= x2; ++x)
        plot(context, static_cast<int32_t>(x), static_cast<int32_t>(y));
}

int64_t squareRoot(int64_t value) {
    if (value <= 0) return 0;
    int64_t root = 0, bit = static_cast<int64_t>(1) << 62;
    while (bit > value) bit >>= 2;
    while (bit) {
        if (value >= root + bit) {
            value -= root + bit;
            root = (root >> 1) + bit;
        } else {
            root >>= 1;
        }
        bit >>= 2;
    }
    return root;
}

// Half the width of an ellipse with radii rx, ry at dy rows from its centre.
int64_t ellipseHalfWidth(int64_t rx, int64_t ry, int64_t dy) {
    if (ry == 0) return rx;
    const int64_t exactLimit = 46340;  // squares below 2^31, products below 2^62
    if (rx <= exactLimit && ry <= exactLimit)
        return squareRoot(rx * rx * (ry * ry - dy * dy) / (ry * ry));
    double square = static_cast<double>(rx) * static_cast<double>(rx) *
                    ((static_cast<double>(ry) * static_cast<double>(ry) -
                      static_cast<double>(dy) * static_cast<double>(dy)) /
                     (static_cast<double>(ry) * static_cast<double>(ry)));
    return squareRoot(static_cast<int64_t>(square));
}

// ---- Flood fill storage: a stack of points in pooled blocks, and one bit
// per output pixel for the pixels already taken.

const int32_t pointsPerBlock = 1024;

struct FillBlock {
    FillBlock* next;  // first field: the pool is freed through it
    FillBlock* previous;
    int32_t points[2 * pointsPerBlock];
};

struct FillStack {
    DrawingContext* context;
    FillBlock* block;
    int32_t used;
};

bool pushPoint(FillStack* stack, int32_t x, int32_t y) {
    if (stack->used == pointsPerBlock) {
        FillBlock* next = stack->block->next;
        if (!next) {
            next = static_cast<FillBlock*>(takeRecord(sizeof(FillBlock)));
            if (!next) return false;
            next->previous = stack->block;
            stack->block->next = next;
        }
        stack->block = next;
        stack->used = 0;
    }
    stack->block->points[2 * stack->used] = x;
    stack->block->points[2 * stack->used + 1] = y;
    ++stack->used;
    return true;
}

bool popPoint(FillStack* stack, int32_t* x, int32_t* y) {
    if (stack->used == 0) {
        if (!stack->block->previous) return false;
        stack->block = stack->block->previous;
        stack->used = pointsPerBlock;
    }
    --stack->used;
    *x = stack->block->points[2 * stack->used];
    *y = stack->block->points[2 * stack->used + 1];
    return true;
}

inline bool taken(const BYTE* bits, int64_t index) { return (bits[index >> 3] >> (index & 7)) & 1; }
inline void take(BYTE* bits, int64_t index) {
    bits[index >> 3] |= static_cast<BYTE>(1 << (index & 7));
}

// Pushes one seed for each run of fillable pixels in row y from x1 to x2.
bool pushRuns(FillStack* stack, const BYTE* done, int32_t x1, int32_t x2, int32_t y,
              uint32_t seed) {
    DrawingContext* context = stack->context;
    if (y < 0 || y >= context->outputHeight) return true;
    bool inRun = false;
    for (int32_t x = x1; x <= x2; ++x) {
        int64_t index = static_cast<int64_t>(y) * context->outputWidth + x;
        bool fillable = !taken(done, index) && context->pixelReader(context, x, y) == seed;
        if (fillable && !inRun && !pushPoint(stack, x, y)) return false;
        inRun = fillable;
    }
    return true;
}

// ---- Sine and cosine of the text angle, without a maths library.

const double pi = 3.14159265358979323846;

double sineOfRadians(double x) {
    // Into [-pi, pi], then a Taylor series, exact to double precision there.
    while (x > pi) x -= 2 * pi;
    while (x < -pi) x += 2 * pi;
    double term = x, sum = x;
    for (int n = 1; n < 12; ++n) {
        term *= -x * x / ((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}

// Degrees in the range of a float: reduced first so that the series sees
// small values only.
void sineCosine(float angle, double* sine, double* cosine) {
    double degrees = angle;
    if (!(degrees > -1e9 && degrees < 1e9)) degrees = 0;  // also NaN
    int64_t turns = static_cast<int64_t>(degrees / 360);
    degrees -= static_cast<double>(turns) * 360;
    *sine = sineOfRadians(degrees * pi / 180);
    *cosine = sineOfRadians((degrees + 90) * pi / 180);
}

int32_t roundToInt(double value) {
    return static_cast<int32_t>(value < 0 ? value - 0.5 : value + 0.5);
}

// Renders `text` into the strip at its top left; its inked area is width
// by height. False without a strip or text.
bool renderText(DrawingContext* context, const WCHAR* text, int32_t* width, int32_t* height,
                int32_t* advance) {
    if (!context->textDC || !context->textStripBits || !text) return false;
    int length = static_cast<int>(wcslen(text));
    SIZE size = {0, 0};
    if (length == 0 || !GetTextExtentPoint32W(context->textDC, text, length, &size)) return false;
    int32_t w = size.cx + context->italicOverhang;
    int32_t stripWidth = context->textStripPitch / 3;  // never past a row's bytes
    if (w > stripWidth) w = stripWidth;
    int32_t h = size.cy < context->textStripHeight ? size.cy : context->textStripHeight;
    if (w <= 0 || h <= 0) return false;
    // The strip may hold an earlier text where the italic overhang reaches.
    for (int32_t r = 0; r < h; ++r)
        memset(context->textStripBits + static_cast<intptr_t>(r) * context->textStripPitch, 0,
               static_cast<size_t>(w) * 3);
    TextOutW(context->textDC, 0, 0, text, length);
    *width = w;
    *height = h;
    *advance = size.cx;
    return true;
}

// A strip pixel counts as ink when its green byte is at least half lit.
inline bool inked(const DrawingContext* context, int32_t u, int32_t v) {
    return context->textStripBits[static_cast<intptr_t>(v) * context->textStripPitch + u * 3 + 1] >=
           128;
}

}  // namespace

void drawBox(DrawingContext* context, int32_t x, int32_t y, int32_t width, int32_t height,
             uint32_t colour) {
    if (width <= 0 || height <= 0) return;
    useFrontColour(context, colour);
    int64_t top = y, bottom = static_cast<int64_t>(y) + height - 1;
    if (!clampRange(&top, &bottom, context->outputHeight)) return;
    for (int64_t row = top; row <= bottom; ++row)
        plotSpan(context, x, static_cast<int64_t>(x) + width - 1, row);
}

void drawRoundBox(DrawingContext* context, int32_t x, int32_t y, int32_t width, int32_t height,
                  int32_t radiusX, int32_t radiusY, uint32_t colour) {
    if (width <= 0 || height <= 0) return;
    useFrontColour(context, colour);
    int64_t rx = radiusX < 0 ? 0 : radiusX, ry = radiusY < 0 ? 0 : radiusY;
    if (rx > (width - 1) / 2) rx = (width - 1) / 2;
    if (ry > (height - 1) / 2) ry = (height - 1) / 2;
    // The corners are quarter ellipses around these centres.
    int64_t left = x + rx, right = static_cast<int64_t>(x) + width - 1 - rx;
    int64_t upper = y + ry, lower = static_cast<int64_t>(y) + height - 1 - ry;
    int64_t top = y, bottom = static_cast<int64_t>(y) + height - 1;
    if (!clampRange(&top, &bottom, context->outputHeight)) return;
    for (int64_t row = top; row <= bottom; ++row) {
        int64_t dy = row < upper ? upper - row : row > lower ? row - lower : 0;
        int64_t dx = ellipseHalfWidth(rx, ry, dy);
        plotSpan(context, left - dx, right + dx, row);
    }
}

void drawEllipse(DrawingContext* context, int32_t x, int32_t y, int32_t radiusX, int32_t radiusY,
                 uint32_t colour) {
    if (radiusX < 0 || radiusY < 0) return;
    useFrontColour(context, colour);
    int64_t top = static_cast<int64_t>(y) - radiusY, bottom = static_cast<int64_t>(y) + radiusY;
    if (!clampRange(&top, &bottom, context->outputHeight)) return;
    for (int64_t row = top; row <= bottom; ++row) {
        int64_t dx = ellipseHalfWidth(radiusX, radiusY, row - y);
        plotSpan(context, x - dx, x + dx, row);
    }
}

void drawLine(DrawingContext* context, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
              uint32_t colour) {
    useFrontColour(context, colour);
    // A line wholly to one side of the output draws nothing.
    int32_t w = context->outputWidth, h = context->outputHeight;
    if ((x1 < 0 && x2 < 0) || (y1 < 0 && y2 < 0) || (x1 >= w && x2 >= w) || (y1 >= h && y2 >= h))
        return;
    int64_t dx = x2 > x1 ? static_cast<int64_t>(x2) - x1 : static_cast<int64_t>(x1) - x2;
    int64_t dy = y2 > y1 ? static_cast<int64_t>(y2) - y1 : static_cast<int64_t>(y1) - y2;
    int32_t stepX = x1 < x2 ? 1 : -1, stepY = y1 < y2 ? 1 : -1;
    int64_t error = dx - dy;
    int64_t x = x1, y = y1;
    FrontPlotter plot = context->frontPlotter;
    for (;;) {
        plot(context, static_cast<int32_t>(x), static_cast<int32_t>(y));
        if (x == x2 && y == y2) break;
        int64_t twice = 2 * error;
        if (twice > -dy) {
            error -= dy;
            x += stepX;
        }
        if (twice < dx) {
            error += dx;
            y += stepY;
        }
    }
}

void fillArea(DrawingContext* context, int32_t x, int32_t y, uint32_t colour) {
    int32_t width = context->outputWidth, height = context->outputHeight;
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    uint32_t seed = context->pixelReader(context, x, y);
    useFrontColour(context, colour);

    giveBackRecord(context->fillScratch);
    context->fillScratch =
        takeRecord(static_cast<SIZE_T>((static_cast<int64_t>(width) * height + 7) / 8));
    if (!context->fillPool) context->fillPool = takeRecord(sizeof(FillBlock));
    BYTE* done = static_cast<BYTE*>(context->fillScratch);
    if (!done || !context->fillPool) return;

    FillStack stack = {context, static_cast<FillBlock*>(context->fillPool), 0};
    pushPoint(&stack, x, y);
    int32_t px, py;
    while (popPoint(&stack, &px, &py)) {
        int64_t rowStart = static_cast<int64_t>(py) * width;
        if (taken(done, rowStart + px)) continue;
        // Widen to the whole run of seed-coloured pixels, then fill it.
        int32_t left = px, right = px;
        while (left > 0 && !taken(done, rowStart + left - 1) &&
               context->pixelReader(context, left - 1, py) == seed)
            --left;
        while (right < width - 1 && !taken(done, rowStart + right + 1) &&
               context->pixelReader(context, right + 1, py) == seed)
            ++right;
        for (int32_t i = left; i <= right; ++i) {
            take(done, rowStart + i);
            context->frontPlotter(context, i, py);
        }
        if (!pushRuns(&stack, done, left, right, py - 1, seed) ||
            !pushRuns(&stack, done, left, right, py + 1, seed))
            return;  // out of memory: the fill stops where it got
    }
}

int32_t writeText(DrawingContext* context, int32_t x, int32_t y, const WCHAR* text,
                  uint32_t colour) {
    int32_t width, height, advance;
    if (!renderText(context, text, &width, &height, &advance)) return x;
    useFrontColour(context, colour);
    for (int32_t v = 0; v < height; ++v)
        for (int32_t u = 0; u < width; ++u)
            if (inked(context, u, v))
                context->frontPlotter(context, static_cast<int32_t>(static_cast<int64_t>(x) + u),
                                      static_cast<int32_t>(static_cast<int64_t>(y) + v));
    return static_cast<int32_t>(static_cast<int64_t>(x) + advance);
}

int32_t writeRotatedText(DrawingContext* context, int32_t x, int32_t y, const WCHAR* text,
                         float angle, uint32_t colour) {
    context->rotatedFontAngle = angle;
    int32_t width, height, advance;
    if (!renderText(context, text, &width, &height, &advance)) return x;
    useFrontColour(context, colour);
    double sine, cosine;
    sineCosine(angle, &sine, &cosine);
    // The strip turned about its top left corner, which lands on (x, y):
    // strip (u, v) goes to (u cos + v sin, v cos - u sin). Each output pixel
    // of the turned box looks back at the strip pixel it comes from.
    double cornersX[4] = {0, width * cosine, height * sine, width * cosine + height * sine};
    double cornersY[4] = {0, -width * sine, height * cosine, height * cosine - width * sine};
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int i = 1; i < 4; ++i) {
        if (cornersX[i] < minX) minX = cornersX[i];
        if (cornersX[i] > maxX) maxX = cornersX[i];
        if (cornersY[i] < minY) minY = cornersY[i];
        if (cornersY[i] > maxY) maxY = cornersY[i];
    }
    for (int32_t dy = roundToInt(minY) - 1; dy <= roundToInt(maxY) + 1; ++dy)
        for (int32_t dx = roundToInt(minX) - 1; dx <= roundToInt(maxX) + 1; ++dx) {
            int32_t u = roundToInt(dx * cosine - dy * sine);
            int32_t v = roundToInt(dx * sine + dy * cosine);
            if (u >= 0 && u < width && v >= 0 && v < height && inked(context, u, v))
                context->frontPlotter(context, static_cast<int32_t>(static_cast<int64_t>(x) + dx),
                                      static_cast<int32_t>(static_cast<int64_t>(y) + dy));
        }
    return static_cast<int32_t>(static_cast<int64_t>(x) + roundToInt(advance * cosine));
}

int32_t textWidth(DrawingContext* context, const WCHAR* text) {
    SIZE size = {0, 0};
    if (!context->textDC || !text) return 0;
    GetTextExtentPoint32W(context->textDC, text, static_cast<int>(wcslen(text)), &size);
    return size.cx;
}

int32_t textHeight(DrawingContext* context, const WCHAR* text) {
    SIZE size = {0, 0};
    if (!context->textDC || !text) return 0;
    GetTextExtentPoint32W(context->textDC, text, static_cast<int>(wcslen(text)), &size);
    return size.cy;
}
