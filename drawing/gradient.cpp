#include "drawing/gradient.h"

#include "runtime/heaps.h"

uint32_t gradientColour(DrawingContext* context, int32_t x, int32_t y) {
    double position = context->gradientCallback(x, y);
    if (!(position > 0)) position = 0;  // also NaN
    if (position > 1) position = 1;
    // Find the stops on either side: the start colour at 0, the list, the
    // end colour at 1.
    double fromPosition = 0, toPosition = 1;
    uint32_t from = context->gradientStartColour, to = context->gradientEndColour;
    for (const GradientStop* stop = context->gradientStops; stop; stop = stop->next) {
        if (stop->position <= position) {
            fromPosition = stop->position;
            from = stop->colour;
        } else {
            toPosition = stop->position;
            to = stop->colour;
            break;
        }
    }
    double span = toPosition - fromPosition;
    double share = span > 0 ? (position - fromPosition) / span : 0;
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        double a = (from >> shift) & 0xFF, b = (to >> shift) & 0xFF;
        result |= static_cast<uint32_t>(a + (b - a) * share + 0.5) << shift;
    }
    return result;
}

int addGradientStop(DrawingContext* context, double position, uint32_t colour) {
    if (!(position >= 0 && position <= 1)) return 0;
    GradientStop* stop = static_cast<GradientStop*>(takeRecord(sizeof(GradientStop)));
    if (!stop) return 0;
    stop->position = position;
    stop->colour = colour;
    GradientStop** link = &context->gradientStops;
    while (*link && (*link)->position <= position) link = &(*link)->next;
    stop->next = *link;
    *link = stop;
    return 1;
}

double constantGradient(int32_t, int32_t) { return 1.0; }

uint32_t keepTarget(int32_t, int32_t, uint32_t, uint32_t target) { return target; }
