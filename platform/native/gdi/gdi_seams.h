// Test seams of the gdi room. Tests reach them through
// platform/native/seams.h; product code never does.
#ifndef CELPACK_NATIVE_GDI_SEAMS_H
#define CELPACK_NATIVE_GDI_SEAMS_H

// Bitmaps, DCs, brushes, fonts and icons alive, the stock objects left out.
long nativeObjectCount(void);
// Object making number n (1-based, counted from this call, over bitmaps,
// DCs, brushes and icons) fails as if the table were full; 0 turns the
// seam off.
void nativeFailObjects(long n);

#endif
