// Any bytes as the picture, along the tool's whole road from decoding to
// the scanned font. Besides what the sanitizers catch, a walk must hand
// over exactly 8192 bytes, leave nothing behind in the runtime heap, and
// give the same font when repeated.
#include <stdio.h>
#include <stdlib.h>

#include "fuzz/conversion_road.h"
#include "platform/native/seams.h"

namespace {

long heapBlocksAtRest;
road::Outcome first;
road::Outcome second;

[[noreturn]] void finding(const char* what) {
    fprintf(stderr, "image road: %s\n", what);
    abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startRuntime(road::libraries());
    heapBlocksAtRest = nativeHeapBlockCount(runtimeHeap);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    road::walk(data, size, &first);
    if (nativeHeapBlockCount(runtimeHeap) != heapBlocksAtRest)
        finding("runtime heap blocks left after the images were freed");
    if (!first.loaded) {
        if (imageHandle(0) != nullptr) finding("a failed load left an image under its number");
        return 0;
    }
    if (first.sinkCalls != fontFileSize) finding("the scan did not hand over 8192 bytes");
    road::walk(data, size, &second);
    if (!second.loaded || memcmp(first.font, second.font, sizeof first.font) != 0)
        finding("the same picture gave two different fonts");
    return 0;
}
