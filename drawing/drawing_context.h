// The record of one drawing session: the operation slots chosen once per
// output kind and drawing mode, then the target's geometry and the drawing
// state. Every routine of the drawing library works on this record.
#ifndef CELPACK_DRAWING_CONTEXT_H
#define CELPACK_DRAWING_CONTEXT_H

#include "platform/platform.h"
#include "runtime/object_table.h"

struct DrawingContext;

// Colours are 0xAABBGGRR: red in the low byte, alpha in the high byte.
typedef void (*ColourUnpacker)(DrawingContext* context, uint32_t colour);
typedef void (*BoxDrawer)(DrawingContext* context, int32_t x, int32_t y, int32_t width,
                          int32_t height, uint32_t colour);
typedef void (*RoundBoxDrawer)(DrawingContext* context, int32_t x, int32_t y, int32_t width,
                               int32_t height, int32_t radiusX, int32_t radiusY, uint32_t colour);
// A font handle, or (HFONT)-1 for the stock system font.
typedef void (*FontSelector)(DrawingContext* context, HFONT font);
typedef BYTE* (*BufferAddress)(DrawingContext* context);
typedef int32_t (*BufferPitch)(DrawingContext* context);
typedef uint32_t (*BufferFormat)(DrawingContext* context);
typedef void (*ModeSetter)(DrawingContext* context, uint32_t mode);
// False when the image was not drawn: a null handle, or a platform step on
// the way failed.
typedef bool (*ImageBlitter)(DrawingContext* context, HANDLE image, int32_t x, int32_t y);
typedef void (*SizedImageBlitter)(DrawingContext* context, HANDLE image, int32_t x, int32_t y,
                                  int32_t width, int32_t height);
typedef void (*AlphaImageBlitter)(DrawingContext* context, HANDLE image, int32_t x, int32_t y,
                                  int32_t opacity);
// Both text writers return the x just after the text.
typedef int32_t (*TextWriter)(DrawingContext* context, int32_t x, int32_t y, const WCHAR* text,
                              uint32_t colour);
// The angle is in degrees, counter-clockwise as seen on screen.
typedef int32_t (*RotatedTextWriter)(DrawingContext* context, int32_t x, int32_t y,
                                     const WCHAR* text, float angle, uint32_t colour);
// (x, y) is the centre.
typedef void (*EllipseDrawer)(DrawingContext* context, int32_t x, int32_t y, int32_t radiusX,
                              int32_t radiusY, uint32_t colour);
typedef void (*AreaFiller)(DrawingContext* context, int32_t x, int32_t y, uint32_t colour);
typedef intptr_t (*ImageGrabber)(DrawingContext* context, ObjectId number, int32_t x, int32_t y,
                                 int32_t width, int32_t height);
typedef void (*LineDrawer)(DrawingContext* context, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                           uint32_t colour);
typedef void (*FrontPlotter)(DrawingContext* context, int32_t x, int32_t y);
typedef void (*ColourPlotter)(DrawingContext* context, int32_t x, int32_t y, uint32_t colour);
typedef uint32_t (*SessionPixelReader)(DrawingContext* context, int32_t x, int32_t y);
typedef intptr_t (*OutputStarter)(DrawingContext* context);
typedef void (*OutputStopper)(DrawingContext* context);
typedef int32_t (*TextGauge)(DrawingContext* context, const WCHAR* text);
typedef void (*OutputClipper)(DrawingContext* context, int32_t x, int32_t y, int32_t width,
                              int32_t height);
typedef void (*OutputUnclipper)(DrawingContext* context);
// completed: 1 from endDrawing, 0 from a failed beginDrawing.
typedef void (*OutputEnder)(DrawingContext* context, int32_t completed);

// Position 0.0 gives the start colour, 1.0 the end colour.
typedef double (*GradientCallback)(int32_t x, int32_t y);
// Returns the colour to store at (x, y).
typedef uint32_t (*CustomCallback)(int32_t x, int32_t y, uint32_t source, uint32_t target);

// Red, green, blue (multiplied by alpha when the context is premultiplied),
// alpha and 255 minus alpha.
struct ColourComponents {
    int32_t red;
    int32_t green;
    int32_t blue;
    int32_t alpha;
    int32_t inverseAlpha;
};

// An extra colour of the gradient; the list is kept sorted by position.
struct GradientStop {
    GradientStop* next;
    double position;
    uint32_t colour;
};

// Pixel format flags.
#define FORMAT_BOTTOM_UP 0x8000u
#define FORMAT_32_BIT 0x40u
#define FORMAT_32_BIT_ALT 0x20u
#define FORMAT_24_BIT 0x10u

// Drawing mode bits.
#define MODE_XOR 0x02u
#define MODE_ALPHA_ONLY 0x08u
#define MODE_BLEND 0x10u
#define MODE_BLEND_KEEP_ALPHA 0x20u
#define MODE_GRADIENT 0x40u
#define MODE_CUSTOM 0x80u
#define MODE_ALL_CHANNELS 0x100u

struct DrawingContext {
    // Operation slots, in this order.
    ColourUnpacker unpackBackColour;
    BoxDrawer boxDrawer;
    RoundBoxDrawer roundBoxDrawer;
    FontSelector selectFont;
    BufferAddress bufferAddress;
    BufferPitch bufferPitch;
    BufferFormat bufferFormat;
    ModeSetter setDrawingMode;
    ImageBlitter imageBlitter;
    SizedImageBlitter sizedImageBlitter;
    AlphaImageBlitter alphaImageBlitter;
    TextWriter textWriter;
    RotatedTextWriter rotatedTextWriter;
    EllipseDrawer ellipseDrawer;
    AreaFiller areaFiller;
    ColourUnpacker unpackFrontColour;
    ImageGrabber imageGrabber;
    LineDrawer lineDrawer;
    FrontPlotter frontPlotter;
    ColourPlotter colourPlotter;
    SessionPixelReader pixelReader;
    OutputStarter startOutput;
    OutputStopper stopOutput;
    TextGauge textHeightGauge;
    TextGauge textWidthGauge;
    OutputClipper clipOutput;
    OutputUnclipper unclipOutput;
    OutputEnder endOutput;

    // Geometry and state.
    int32_t outputWidth;
    int32_t outputHeight;
    int32_t bitsPerPixel;
    int32_t originX;
    int32_t originY;
    int32_t unclippedWidth;
    int32_t unclippedHeight;
    uint32_t gradientEndColour;
    uint32_t gradientStartColour;
    uint32_t frontColour;
    uint32_t backColour;
    GradientCallback gradientCallback;
    CustomCallback customCallback;
    GradientStop* gradientStops;
    void* fillPool;
    void* fillScratch;
    BYTE* pixelBits;
    int32_t rowPitch;
    uint32_t formatFlags;
    int32_t bytesPerPixel;
    uint32_t drawingMode;
    uint32_t premultiplied;
    uint32_t gradientMode;
    uint32_t customMode;
    uint32_t rowsBottomUp;
    BYTE* publishedBits;
    ColourComponents frontComponents;
    ColourComponents backComponents;

    // Text resources.
    HFONT font;
    HDC textDC;
    HBITMAP textStrip;
    BYTE* textStripBits;
    int32_t textStripPitch;
    int32_t textStripHeight;
    int32_t italicOverhang;
    HFONT rotatedFont;
    float rotatedFontAngle;

    HDC deviceContext;
    DWORD savedBatchLimit;

    // Derived by placeRows from pixelBits, rowPitch, outputHeight and
    // rowsBottomUp each time one of them changes, so that a pixel's address
    // is topRow + y * rowStep + x * size with no test of the row order.
    BYTE* topRow;      // first byte of output row 0 (the top row)
    intptr_t rowStep;  // from a row to the one below it; negative bottom-up
};

#endif
