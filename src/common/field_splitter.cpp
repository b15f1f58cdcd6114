#include "field_splitter.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
#if defined(__SSE2__) && !defined(SCENE2JAVA_PORTABLE_MASK)
    // One instruction where the machine has it.
    return static_cast<unsigned>(_mm_movemask_epi8(std::bit_cast<__m128i>(hits)));
#else
    unsigned bits = 0;
    for (std::size_t i = 0; i < width; ++i) {
        bits |= (hits[i] & 1U) << i;
    }
    return bits;
#endif
}

// The state of one split: the fields counted so far, and where to record
// the ends of the first ones.
struct splitting {
    char separator;
    char** ends;
    std::size_t wanted;
    std::size_t count = 1;

    void field_ends_at(char* at) const
    {
        if (count <= wanted) {
            ends[count - 1] = at;
        }
    }

    // What one byte worth a look does; true when it ends the text. A
    // separator that is itself CR or LF separates rather than ends.
    bool take(char* at)
    {
        if (*at == separator) {
            *at = '\0';
            field_ends_at(at);
            ++count;
            return false;
        }
        if (*at == '\r' || *at == '\n') {
            *at = '\0';
            field_ends_at(at);
            return true;
        }
        return false;
    }
};

} // namespace

std::size_t split_fields(char* text, char separator)
{
    return split_fields(text, separator, nullptr, 0);
}

std::size_t split_fields(char* text, char separator, char** ends, std::size_t wanted)
{
    // The NUL bounds the scan, so no chunk reaches past the text.
    const std::size_t length = std::strlen(text);
    const auto sep = static_cast<unsigned char>(separator);
    splitting split{separator, ends, wanted};
    const auto finish = [&] {
        split.field_ends_at(text + length);
        return split.count;
    };
    if (length < width) {
        for (char* p = text; p < text + length; ++p) {
            if (worth_a_look(static_cast<unsigned char>(*p), sep) && split.take(p)) {
                return split.count;
            }
        }
        return finish();
    }
    // Chunk by chunk; the last chunk is the text's last sixteen bytes, with
    // the bytes already seen masked off. Returns true when the text ended.
    const auto scan = [&](char* at, unsigned unseen) {
        for (unsigned marks = candidates(at, sep) & unseen; marks != 0; marks &= marks - 1) {
            if (split.take(at + std::countr_zero(marks))) {
                return true;
            }
        }
        return false;
    };
    std::size_t offset = 0;
    for (; offset + width <= length; offset += width) {
        if (scan(text + offset, ~0U)) {
            return split.count;
        }
    }
    if (offset < length) {
        const std::size_t start = length - width;
        if (scan(text + start, ~0U << (offset - start))) {
            return split.count;
        }
    }
    return finish();
}
