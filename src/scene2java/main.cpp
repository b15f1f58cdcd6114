// scene2java: reads a scene script on standard input and writes the Java
// block for every line to standard output.

#include "descriptor_io.h"
#include "driver.h"
#include "output_buffer.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t output_capacity = std::size_t{64} * 1024;

int fail(const char* what, int error)
{
    std::fprintf(stderr, "scene2java: %s: %s\n", what, std::strerror(error));
    return 1;
}

} // namespace

int main(int /*argc*/, char** /*argv*/)
{
    // Arguments are ignored: the tool is a plain filter.
    descriptor source{STDIN_FILENO};
    descriptor target{STDOUT_FILENO};
    char storage[output_capacity];
    output_buffer out(storage, sizeof storage, write_descriptor, &target);

    switch (translate_stream(read_descriptor, &source, out)) {
    case stream_result::done:
        return 0;
    case stream_result::read_failed:
        return fail("read error", source.error);
    case stream_result::write_failed:
        return fail("write error", target.error);
    case stream_result::out_of_memory:
        return fail("line too long", ENOMEM);
    }
    return 1;
}
