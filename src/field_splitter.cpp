#include "field_splitter.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace {

// The text is tested sixteen bytes at a time, with the vector types that
// g++ and clang++ map onto the machine's SIMD instructions (or plain code
// where it has none).
constexpr std::size_t width = 16;
using chunk = unsigned char __attribute__((vector_size(width)));

// Bytes worth a closer look: every control byte up to CR (NUL, TAB, LF and
// CR among them) and the separator. The other controls turn out to be data.
constexpr unsigned char last_control = '\r';

bool worth_a_look(unsigned char byte, unsigned char separator)
{
    return byte <= last_control || byte == separator;
}

// One bit per byte of the chunk at `at`, set where the byte is worth a look;
// bit i stands for at[i].
unsigned candidates(const char* at, unsigned char separator)
{
    chunk bytes;
    std::memcpy(&bytes, at, width);
    const auto hits = (bytes <= last_control) | (bytes == separator); // lanes of all ones or zeros
    std::uint64_t half[2];
    std::memcpy(half, &hits, sizeof half);
    // The top bit of each byte, gathered into the top byte of the product.
    const auto gather = [](std::uint64_t w) {
        return static_cast<unsigned>(((w & 0x8080808080808080U) * 0x0002040810204081U) >> 56);
    };
    if constexpr (std::endian::native == std::endian::little) {
        return gather(half[0]) | gather(half[1]) << 8;
    } else {
        // Bit i must still stand for byte i: reverse each gathered byte.
        const auto reversed = [&](std::uint64_t w) {
            unsigned b = gather(w);
            b = (b & 0xF0U) >> 4 | (b & 0x0FU) << 4;
            b = (b & 0xCCU) >> 2 | (b & 0x33U) << 2;
            return (b & 0xAAU) >> 1 | (b & 0x55U) << 1;
        };
        return reversed(half[0]) | reversed(half[1]) << 8;
    }
}

// What one byte worth a look does to the split; true when it ends the text.
// A separator that is itself CR or LF separates rather than ends.
bool take(char* at, char separator, int& count)
{
    if (*at == separator) {
        *at = '\0';
        ++count;
        return false;
    }
    if (*at == '\r' || *at == '\n') {
        *at = '\0';
        return true;
    }
    return false;
}

} // namespace

int split_fields(char* text, char separator)
{
    // The NUL bounds the scan, so no chunk reaches past the text.
    const std::size_t length = std::strlen(text);
    const auto sep = static_cast<unsigned char>(separator);
    int count = 1;
    if (length < width) {
        for (char* p = text; p < text + length; ++p) {
            if (worth_a_look(static_cast<unsigned char>(*p), sep) && take(p, separator, count)) {
                break;
            }
        }
        return count;
    }
    // Chunk by chunk; the last chunk is the text's last sixteen bytes, with
    // the bytes already seen masked off. Returns true when the text ended.
    const auto scan = [&](char* at, unsigned unseen) {
        for (unsigned marks = candidates(at, sep) & unseen; marks != 0; marks &= marks - 1) {
            if (take(at + std::countr_zero(marks), separator, count)) {
                return true;
            }
        }
        return false;
    };
    std::size_t offset = 0;
    for (; offset + width <= length; offset += width) {
        if (scan(text + offset, ~0U)) {
            return count;
        }
    }
    if (offset < length) {
        const std::size_t start = length - width;
        scan(text + start, ~0U << (offset - start));
    }
    return count;
}
