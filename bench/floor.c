/* The floor of the conversion: a static program that reads the picture,
 * packs the top left 256 x 256 pixels into the 8192-byte font and writes it
 * beside the picture, with nothing else around it (no heaps, no objects,
 * no canvas). It knows only uncompressed bitmap files of 1, 4, 8, 24 and
 * 32 bits, which is all the benchmark writes.
 *
 * usage: floor [--durable] PICTURE   (writes PICTURE.fnt; exit 1 on any failure)
 *
 * --durable replaces PICTURE.fnt the way celpack must, so that no crash or
 * power cut can leave a broken font: a new file beside it, synced, renamed
 * over the old one, and the directory synced. That is the floor of the same
 * job with the same promise; without it, the floor of the packing alone.
 */
#include <fcntl.h>
#include <libgen.h>
#include <stdio.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

enum { side = 256, cell = 16, fontBytes = 8192 };

static uint32_t le16(const uint8_t* p) { return p[0] | (uint32_t)p[1] << 8; }
static uint32_t le32(const uint8_t* p) { return le16(p) | le16(p + 2) << 16; }

/* Writes the font to `name` through a synced new file renamed over it. */
static int replaceDurably(const char* name, const uint8_t* font) {
    char temporary[4096], directory[4096];
    if (snprintf(temporary, sizeof temporary, "%s.%ld.tmp", name, (long)getpid()) >=
            (int)sizeof temporary ||
        snprintf(directory, sizeof directory, "%s", name) >= (int)sizeof directory)
        return 1;
    int out = open(temporary, O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (out < 0) return 1;
    if (write(out, font, fontBytes) != fontBytes || fsync(out) != 0 || close(out) != 0 ||
        rename(temporary, name) != 0) {
        unlink(temporary);
        return 1;
    }
    int folder = open(dirname(directory), O_RDONLY | O_DIRECTORY);
    if (folder < 0 || fsync(folder) != 0 || close(folder) != 0) return 1;
    return 0;
}

int main(int argc, char** argv) {
    int durable = argc == 3 && strcmp(argv[1], "--durable") == 0;
    if (argc != 2 + durable) return 1;
    argv += durable;
    int in = open(argv[1], O_RDONLY);
    struct stat info;
    if (in < 0 || fstat(in, &info) != 0 || info.st_size < 54) return 1;
    size_t size = (size_t)info.st_size;
    uint8_t* file = malloc(size);
    size_t got = 0;
    if (file == NULL) return 1;
    while (got < size) {
        ssize_t n = read(in, file + got, size - got);
        if (n <= 0) return 1;
        got += (size_t)n;
    }
    close(in);

    if (file[0] != 'B' || file[1] != 'M') return 1;
    uint32_t offset = le32(file + 10), headerSize = le32(file + 14);
    int32_t width = (int32_t)le32(file + 18), height = (int32_t)le32(file + 22);
    uint32_t bits = le16(file + 28), compression = le32(file + 30);
    uint32_t colours = le32(file + 46);
    if (headerSize < 40 || compression != 0 || width <= 0 || height == 0 || height == INT32_MIN)
        return 1;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return 1;
    int topDown = height < 0;
    if (topDown) height = -height;
    uint64_t stride = ((uint64_t)width * bits + 31) / 32 * 4;
    if (offset > size || stride * (uint64_t)height > size - offset) return 1;

    /* lit[i]: palette entry i is not black. */
    uint8_t lit[256] = {0};
    if (bits <= 8) {
        uint32_t count = colours ? colours : 1u << bits;
        if (count > 256 || 14 + (uint64_t)headerSize + 4 * count > offset) return 1;
        const uint8_t* palette = file + 14 + headerSize;
        for (uint32_t i = 0; i < count; ++i)
            lit[i] = (palette[4 * i] | palette[4 * i + 1] | palette[4 * i + 2]) != 0;
    }

    /* One row at a time: which of its pixels are lit, then 32 bytes of it. */
    uint8_t font[fontBytes] = {0};
    int32_t rows = height < side ? height : side, columns = width < side ? width : side;
    for (int32_t y = 0; y < rows; ++y) {
        const uint8_t* row = file + offset + stride * (uint64_t)(topDown ? y : height - 1 - y);
        uint8_t on[side] = {0};
        int32_t x = 0;
        if (bits == 24)
            for (const uint8_t* p = row; x < columns; ++x, p += 3)
                on[x] = (p[0] | p[1] | p[2]) != 0;
        else if (bits == 32)
            for (const uint8_t* p = row; x < columns; ++x, p += 4)
                on[x] = (p[0] | p[1] | p[2]) != 0;
        else if (bits == 8)
            for (; x < columns; ++x) on[x] = lit[row[x]];
        else if (bits == 4)
            for (; x < columns; ++x) on[x] = lit[(row[x / 2] >> (x & 1 ? 0 : 4)) & 15];
        else
            for (; x < columns; ++x) on[x] = lit[(row[x / 8] >> (7 - (x & 7))) & 1];
        /* Glyph g = 16 * (y / 16) + x / 16 holds row y % 16 at bytes 2 * (y % 16). */
        uint8_t* out = font + (y / cell) * (side / cell) * 32 + (y % cell) * 2;
        for (int32_t b = 0; b < side / 8; ++b) {
            const uint8_t* p = on + 8 * b;
            out[(b / 2) * 32 + (b & 1)] = (uint8_t)(p[0] << 7 | p[1] << 6 | p[2] << 5 | p[3] << 4 |
                                                    p[4] << 3 | p[5] << 2 | p[6] << 1 | p[7]);
        }
    }

    size_t length = strlen(argv[1]);
    char* name = malloc(length + 5);
    if (name == NULL) return 1;
    memcpy(name, argv[1], length);
    memcpy(name + length, ".fnt", 5);
    if (durable) return replaceDurably(name, font);
    int out = open(name, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || write(out, font, fontBytes) != fontBytes || close(out) != 0) return 1;
    return 0;
}
