// UTF-16 and byte strings. Valid UTF-8 converts as usual; each byte that
// does not belong to a valid sequence becomes the lone surrogate
// U+DC00 + byte and turns back into that byte, so any file name the system
// hands us reaches the file system again byte for byte.
#include "platform/native/kernel/kernel_services.h"

namespace native {

namespace {

const char16_t rawByteBase = 0xDC00;

// Length of the valid UTF-8 sequence at bytes[0], or 0.
size_t validSequence(const unsigned char* bytes, size_t left, char32_t* code) {
    unsigned char lead = bytes[0];
    size_t length;
    char32_t value;
    char32_t smallest;
    if (lead < 0x80) {
        *code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, smallest = 0x10000;
    } else {
        return 0;
    }
    if (left < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((bytes[i] & 0xC0) != 0x80) return 0;
        value = (value << 6) | (bytes[i] & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *code = value;
    return length;
}

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

std::u16string utf16FromBytes(const char* text, size_t length) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    std::u16string out;
    out.reserve(length);
    for (size_t i = 0; i < length;) {
        char32_t code;
        size_t taken = validSequence(bytes + i, length - i, &code);
        if (taken == 0) {
            out += static_cast<char16_t>(rawByteBase + bytes[i]);
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
        i += taken;
    }
    return out;
}

std::string bytesFromUtf16(const WCHAR* text, size_t length) {
    std::string out;
    out.reserve(length * 3);
    for (size_t i = 0; i < length; ++i) {
        char32_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= rawByteBase + 0x80 && unit <= rawByteBase + 0xFF) {
            out += static_cast<char>(unit - rawByteBase);
        } else {
            // Other lone surrogates have no byte of their own; they keep
            // their three-byte form, which the file system takes as bytes.
            appendUtf8(out, unit);
        }
    }
    return out;
}

}  // namespace native
