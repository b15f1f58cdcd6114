// libFuzzer target: arbitrary bytes go through the program's own reading and
// translation path into memory, and the output must equal that of the plain
// model of the translation.

#include "driver.h"
#include "memory_input.h"
#include "memory_sink.h"
#include "translation_model.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    // Reads and output buffer of several sizes, so that lines and blocks
    // fall across their boundaries in different ways.
    constexpr std::size_t pieces[] = {1, 3, 64, 4096, 1 << 20};
    constexpr std::size_t capacities[] = {7, 61, 1 << 16};
    memory_input in{input, pieces[size % 5]};
    memory_sink sink(capacities[size % 3]);
    if (translate_stream(memory_input::read, &in, sink.out) != stream_result::done) {
        std::abort();
    }
    if (sink.text != model_translation(input)) {
        std::abort();
    }
    return 0;
}
