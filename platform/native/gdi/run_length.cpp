// Run-length encoded DIB data (BI_RLE8, BI_RLE4): two-byte runs, and after
// a zero byte the escapes end of line (0), end of bitmap (1), delta (2,
// then right and up) and absolute runs of 3 or more pixels padded to a
// 16-bit boundary.
#include "platform/native/gdi/dib_format.h"

#include <vector>

namespace native {

namespace {

struct PendingPixel {
    LONG x;
    DWORD colour;
};

class RunLengthDecoder {
public:
    RunLengthDecoder(const DibFormat& format, const BYTE* data, Bitmap& target)
        : format_(format),
          data_(data),
          target_(target),
          usableWidth_(format.width < target.width ? format.width : target.width) {}

    void run() {
        const bool nibbles = format_.compression == BI_RLE4;
        while (scan_ < format_.height) {
            if (!has(2)) return;  // the data ends inside a row
            BYTE count = data_[at_], value = data_[at_ + 1];
            at_ += 2;
            if (count > 0) {
                for (int k = 0; k < count; ++k)
                    place(nibbles ? ((k & 1) ? value & 0xF : value >> 4) : value);
            } else if (value == 0) {
                endRow(1);
            } else if (value == 1) {
                endRow(0);
                return;
            } else if (value == 2) {
                if (!has(2)) return;
                x_ += data_[at_];
                BYTE up = data_[at_ + 1];
                at_ += 2;
                if (up > 0) {
                    commitRow();
                    scan_ += up;
                }
            } else {
                size_t bytes = nibbles ? (static_cast<size_t>(value) + 1) / 2 : value;
                if (!has(bytes)) return;
                for (int k = 0; k < value; ++k) {
                    BYTE packed = data_[at_ + (nibbles ? k / 2 : k)];
                    place(nibbles ? ((k & 1) ? packed & 0xF : packed >> 4) : packed);
                }
                at_ += bytes + (bytes & 1);
                if (at_ > format_.sizeImage) at_ = format_.sizeImage;
            }
        }
    }

private:
    bool has(size_t bytes) const { return format_.sizeImage - at_ >= bytes; }

    void place(DWORD index) {
        if (x_ < usableWidth_) {
            DWORD colour = 0;  // indices past the table give black
            if (static_cast<int>(index) < format_.colourCount) {
                const RGBQUAD& entry = format_.colours[index];
                colour = static_cast<DWORD>(entry.rgbRed) << 16 |
                         static_cast<DWORD>(entry.rgbGreen) << 8 | entry.rgbBlue;
            }
            pending_.push_back(PendingPixel{static_cast<LONG>(x_), colour});
        }
        x_++;
    }

    // The row's pixels reach the target once the row is left.
    void commitRow() {
        int64_t y = static_cast<int64_t>(format_.height) - 1 - scan_;
        if (y >= 0 && y < target_.height)
            for (const PendingPixel& pixel : pending_)
                writeBitmapPixel(target_, pixel.x, static_cast<LONG>(y), pixel.colour);
        pending_.clear();
    }

    void endRow(int rowsDown) {
        commitRow();
        x_ = 0;
        scan_ += rowsDown;
    }

    const DibFormat& format_;
    const BYTE* data_;
    Bitmap& target_;
    const LONG usableWidth_;
    size_t at_ = 0;
    int64_t x_ = 0;     // may run far past the row; only pixels inside count
    int64_t scan_ = 0;  // source row, counted from the bottom
    std::vector<PendingPixel> pending_;
};

}  // namespace

void decodeRunLength(const DibFormat& format, const BYTE* data, Bitmap& target) {
    RunLengthDecoder decoder(format, data, target);
    decoder.run();
}

}  // namespace native
