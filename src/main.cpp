// scene2java: reads a scene script on standard input and writes the Java
// block for every line to standard output.

#include "driver.h"
#include "output_buffer.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t output_capacity = std::size_t{64} * 1024;

// Waits until `fd` is ready when it was opened non-blocking by whoever
// handed it to us; plain blocking descriptors never get here.
bool wait_ready(int fd, short events)
{
    pollfd ready{fd, events, 0};
    while (poll(&ready, 1, -1) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

struct descriptor {
    int fd;
    int error; // errno of the call that failed
};

long read_input(void* context, char* buffer, std::size_t capacity)
{
    auto* source = static_cast<descriptor*>(context);
    const int fd = source->fd;
    for (;;) {
        const ssize_t got = read(fd, buffer, capacity);
        if (got >= 0) {
            return got;
        }
        if (errno == EINTR) {
            continue;
        }
        if ((errno == EAGAIN || errno == EWOULDBLOCK) && wait_ready(fd, POLLIN)) {
            continue;
        }
        source->error = errno;
        return -1;
    }
}

bool write_output(void* context, const char* data, std::size_t size)
{
    auto* target = static_cast<descriptor*>(context);
    while (size > 0) {
        const ssize_t put = write(target->fd, data, size);
        if (put > 0) {
            data += put;
            size -= static_cast<std::size_t>(put);
            continue;
        }
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && wait_ready(target->fd, POLLOUT)) {
            continue;
        }
        target->error = put < 0 ? errno : EIO;
        return false;
    }
    return true;
}

int fail(const char* what, int error)
{
    std::fprintf(stderr, "scene2java: %s: %s\n", what, std::strerror(error));
    return 1;
}

} // namespace

int main(int /*argc*/, char** /*argv*/)
{
    // Arguments are ignored: the tool is a plain filter.
    descriptor source{STDIN_FILENO, 0};
    descriptor target{STDOUT_FILENO, 0};
    char storage[output_capacity];
    output_buffer out(storage, sizeof storage, write_output, &target);

    switch (translate_stream(read_input, &source, out)) {
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
