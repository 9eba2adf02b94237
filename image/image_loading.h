// Image loading: a bitmap ("BM") or icon file, read whole and turned into
// an image object; anything else goes to the registered decoders. Every
// offset and length a path reads is checked against the block first, so a
// short, truncated or lying file is a failed load, never a read past it.
#ifndef CELPACK_IMAGE_LOADING_H
#define CELPACK_IMAGE_LOADING_H

#include "image/image_object.h"

// Prepares the decoder registry, empty.
void initImageDecoders();

// Loads the file `name` as image `number` (-1: a new dynamic image). The
// result is as for decodeImageMemory; 0 also when the file cannot be
// opened or read whole, which leaves the number as it was. No flag has an
// effect.
intptr_t loadImage(ObjectId number, const WCHAR* name, int32_t flags = 0);

// Makes image `number` from `length` bytes at `block`: the bitmap handle or
// icon handle, the record's address for -1, or 0. An image held under the
// number is freed first, whatever the outcome.
intptr_t decodeImageMemory(ObjectId number, const void* block, uint32_t length, int32_t flags = 0);

#endif
