// Image objects: the numbered table of pictures, each a DIB section or an
// icon with its size, depth and source format. This library owns the
// table, blank-image creation, handle look-up and freeing, and the two
// rules every image and drawing routine shares: how a DIB section is made
// (createImageBitmap) and how long one of its rows is (rowStride).
#ifndef CELPACK_IMAGE_OBJECT_H
#define CELPACK_IMAGE_OBJECT_H

#include "platform/platform.h"
#include "runtime/object_table.h"

struct ImageObject {
    HANDLE handle;  // bitmap or icon; 0 marks an empty record
    int16_t width;  // as the platform describes the bitmap
    int16_t height;
    uint8_t depth;        // bits per pixel as held
    uint8_t sourceDepth;  // bits per pixel of the source
    uint32_t formatTag;   // four characters, first in the lowest byte
};

// Format codes of loaded images.
#define IMAGE_FORMAT_BMP 0x00504D42u   // "BMP\0"
#define IMAGE_FORMAT_ICON 0x4E4F4349u  // "ICON"

// Largest width or height an image record can hold.
#define IMAGE_SIZE_LIMIT 32767

void initImages();
void endImages();

// A blank image under `number` (or a fresh dynamic one for -1) of 24 or 32
// bits per pixel, filled with `background` (0x00BBGGRR; -1 is transparent
// at 32 bits). Returns the bitmap handle, the record's address for -1, or
// 0. An image held under the number before is freed in any case.
intptr_t createImage(ObjectId number, int32_t width, int32_t height, int32_t depth = 24,
                     int32_t background = 0);

// The image's bitmap or icon handle, or 0.
HANDLE imageHandle(ObjectId number);

// Frees one image, or every image for -1. 0 when the number holds none.
int freeImage(ObjectId number);

// The live record of a number or dynamic handle, or null.
const ImageObject* findImage(ObjectId number);

// A new DIB section, bottom-up for a positive height, of 24 bits per pixel
// for depths below 24 and of `depth` bits otherwise; 0 when the platform
// refuses it or a side exceeds IMAGE_SIZE_LIMIT or the pixel memory would
// not fit in 2 GiB.
HBITMAP createImageBitmap(int32_t width, int32_t height, int32_t depth);

// Bytes in one DIB row of `width` pixels at `depth` bits per pixel.
int32_t rowStride(int32_t width, int32_t depth);

// For the routines that fill records (loading, the drawing session's image
// grab): the record for `number`, zeroed, with any image it held freed
// first; -1 gives a fresh dynamic record. Null when no record can be had.
ImageObject* allocateImageRecord(ObjectId number);
// Gives back a record that allocateImageRecord handed out and that stayed
// empty: a dynamic one is removed, a numbered one stays empty.
void releaseImageRecord(ObjectId number, ImageObject* record);
// What a creation or load returns for a filled record: the record's
// address for -1, else its handle.
intptr_t imageResult(ObjectId number, const ImageObject* record);

#endif
