#include "descriptor_io.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace {

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

} // namespace

long read_descriptor(void* context, char* buffer, std::size_t capacity)
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

bool write_descriptor(void* context, const char* data, std::size_t size)
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
