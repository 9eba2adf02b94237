// Memory blocks for the heaps and for pixel memory.
#include <stdint.h>
#include <stdlib.h>
#include <sys/mman.h>

#include <mutex>
#include <unordered_map>

#include "platform/native/kernel/kernel_services.h"

namespace native {

namespace {

const size_t hugePage = 2 * 1024 * 1024;
#if defined(__SANITIZE_ADDRESS__)
// Under the address checker every block goes through malloc, which it watches.
const size_t largeBlock = SIZE_MAX;
#else
const size_t largeBlock = 2 * hugePage;
#endif

// Blocks this large are pixel memory or a whole file, written through right
// after they are made: asking for their pages in one call costs half of
// taking a fault on each page.
const size_t prefaultFrom = 64 * 1024;

void prefault(void* block, size_t bytes) {
#ifdef MADV_POPULATE_WRITE
    const uintptr_t page = 4096;
    uintptr_t first = (reinterpret_cast<uintptr_t>(block) + page - 1) & ~(page - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(page - 1);
    // Only advice: a kernel without it faults the pages in one by one.
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
#else
    (void)block;
    (void)bytes;
#endif
}

struct Mappings {
    std::mutex lock;
    std::unordered_map<void*, size_t> sizes;  // block -> mapped length
};

Mappings& mappings() {
    static Mappings* state = new Mappings;
    return *state;
}

}  // namespace

void* allocateBlock(size_t bytes, bool zero) {
    if (bytes == 0) bytes = 1;
    if (bytes < largeBlock) {
        void* block = zero ? calloc(1, bytes) : malloc(bytes);
        if (block != nullptr && bytes >= prefaultFrom) prefault(block, bytes);
        return block;
    }
    // Whole huge pages; the advice is only advice, so its result does not
    // matter. Fresh mappings read as zero, so `zero` costs nothing here.
    size_t length = (bytes + hugePage - 1) / hugePage * hugePage;
    if (length < bytes) return nullptr;
    void* block = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) return nullptr;
    madvise(block, length, MADV_HUGEPAGE);
    Mappings& state = mappings();
    std::lock_guard<std::mutex> guard(state.lock);
    state.sizes[block] = length;
    return block;
}

void freeBlock(void* block) {
    if (block == nullptr) return;
    Mappings& state = mappings();
    {
        std::lock_guard<std::mutex> guard(state.lock);
        auto found = state.sizes.find(block);
        if (found != state.sizes.end()) {
            munmap(block, found->second);
            state.sizes.erase(found);
            return;
        }
    }
    free(block);
}

}  // namespace native
