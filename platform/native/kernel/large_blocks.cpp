// Memory blocks for the heaps and for pixel memory.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>

#include <mutex>
#include <unordered_map>

#include "platform/native/kernel/kernel_services.h"

namespace native {

namespace {

const size_t hugePage = 2 * 1024 * 1024;
#if defined(__SANITIZE_ADDRESS__)
// Under the address checker every block goes through malloc, which it watches.
const size_t pixelFrom = SIZE_MAX;
const size_t largeBlock = SIZE_MAX;
#else
// Blocks this large are pixel memory or a whole file, written through right
// after they are made: asking for their pages in one call costs half of
// taking a fault on each page.
const size_t pixelFrom = 64 * 1024;
const size_t largeBlock = 2 * hugePage;
#endif

// Such blocks are mapped in whole steps of this size, so that a freed one
// can serve the next of about its size: the file's block, given back once
// the picture is decoded, becomes the canvas without new pages.
const size_t mappingStep = 64 * 1024;
// Freed mappings kept for reuse; more would only hold memory.
const size_t spareCount = 2;

// Asks for the pages that hold `bytes` from the block's start, which is
// page aligned.
void prefault(void* block, size_t bytes) {
#ifdef MADV_POPULATE_WRITE
    const size_t page = 4096;
    // Only advice: a kernel without it faults the pages in one by one.
    madvise(block, (bytes + page - 1) / page * page, MADV_POPULATE_WRITE);
#else
    (void)block;
    (void)bytes;
#endif
}

struct Mappings {
    std::mutex lock;
    std::unordered_map<void*, size_t> sizes;  // block -> mapped length
    void* spare[spareCount] = {};             // freed pixel mappings, or null
};

Mappings& mappings() {
    static Mappings* state = new Mappings;
    return *state;
}

// Rounds up to a whole number of steps; 0 when that would overflow.
size_t wholeSteps(size_t bytes, size_t step) {
    size_t rounded = (bytes + step - 1) / step * step;
    return rounded < bytes ? 0 : rounded;
}

void* mapBlock(Mappings& state, size_t length) {
    void* block = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) return nullptr;
    std::lock_guard<std::mutex> guard(state.lock);
    state.sizes[block] = length;
    return block;
}

// A spare mapping of at least `length` bytes and at most twice that, taken
// out of the spares; null when there is none.
void* takeSpare(Mappings& state, size_t length) {
    std::lock_guard<std::mutex> guard(state.lock);
    for (void*& spare : state.spare) {
        if (spare == nullptr) continue;
        size_t spareLength = state.sizes[spare];
        if (spareLength >= length && spareLength / 2 <= length) {
            void* block = spare;
            spare = nullptr;
            return block;
        }
    }
    return nullptr;
}

// Pixel memory and files: a spare mapping when one fits, else a new one.
void* pixelBlock(size_t bytes, bool zero) {
    size_t length = wholeSteps(bytes, mappingStep);
    if (length == 0) return nullptr;
    Mappings& state = mappings();
    if (void* block = takeSpare(state, length)) {
        // Its pages are there already; only the caller's bytes need clearing.
        if (zero) memset(block, 0, bytes);
        return block;
    }
    void* block = mapBlock(state, length);
    if (block != nullptr) prefault(block, bytes);
    return block;
}

}  // namespace

void* allocateBlock(size_t bytes, bool zero) {
    if (bytes == 0) bytes = 1;
    if (bytes < pixelFrom) return zero ? calloc(1, bytes) : malloc(bytes);
    if (bytes < largeBlock) return pixelBlock(bytes, zero);
    // Whole huge pages; the advice is only advice, so its result does not
    // matter. Fresh mappings read as zero, so `zero` costs nothing here.
    size_t length = wholeSteps(bytes, hugePage);
    if (length == 0) return nullptr;
    void* block = mapBlock(mappings(), length);
    if (block != nullptr) madvise(block, length, MADV_HUGEPAGE);
    return block;
}

void freeBlock(void* block) {
    if (block == nullptr) return;
    Mappings& state = mappings();
    {
        std::lock_guard<std::mutex> guard(state.lock);
        auto found = state.sizes.find(block);
        if (found != state.sizes.end()) {
            if (found->second < largeBlock) {
                // A block freed twice must not be handed out twice.
                for (void* spare : state.spare)
                    if (spare == block) return;
                for (void*& spare : state.spare) {
                    if (spare == nullptr) {
                        spare = block;
                        return;
                    }
                }
            }
            munmap(block, found->second);
            state.sizes.erase(found);
            return;
        }
    }
    free(block);
}

}  // namespace native
