// Any bytes as the picture, along the tool's whole road from decoding to
// the scanned font. Besides what the sanitizers catch, a walk must hand
// over exactly 8192 bytes and leave nothing behind in the runtime heap.
// At exit the target tells how many inputs each load failure reason took,
// so that a run shows which stages the fuzzer got past.
#include <stdio.h>
#include <stdlib.h>

#include "fuzz/picture_to_font.h"
#include "image/load_failure.h"
#include "support/native_fakes.h"

namespace {

long heapBlocksAtRest;
pictureToFont::Outcome first;
unsigned long reasonCounts[static_cast<int>(LoadFailure::Count)];

void printReasonCounts() {
    fprintf(stderr, "image road: inputs by load result:");
    for (int i = 0; i < static_cast<int>(LoadFailure::Count); ++i)
        fprintf(stderr, " %s %lu%s", loadFailureName(static_cast<LoadFailure>(i)), reasonCounts[i],
                i + 1 < static_cast<int>(LoadFailure::Count) ? "," : "\n");
}

[[noreturn]] void finding(const char* what) {
    fprintf(stderr, "image road: %s\n", what);
    abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startRuntime(pictureToFont::libraries());
    if (!pictureToFont::warmUp(&first)) finding("a 1 x 1 white picture did not give one lit pixel");
    heapBlocksAtRest = nativeHeapBlockCount(runtimeHeap);
    atexit(printReasonCounts);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    pictureToFont::walk(data, size, &first);
    reasonCounts[static_cast<int>(lastLoadFailure())]++;
    if (nativeHeapBlockCount(runtimeHeap) != heapBlocksAtRest)
        finding("runtime heap blocks left after the images were freed");
    if (!first.loaded) {
        if (imageHandle(0) != nullptr) finding("a failed load left an image under its number");
        return 0;
    }
    // A picture that loads but cannot be drawn is reported, not scanned.
    if (first.conversion == Conversion::done && first.sinkCalls != fontFileSize)
        finding("the scan did not hand over 8192 bytes");
    if (first.conversion != Conversion::done && first.sinkCalls != 0)
        finding("a conversion that failed handed over bytes");
    return 0;
}
