#pragma once

#include <cstddef>
#include <cstring>

// A buffered writer over caller-owned storage. Bytes collect in the storage
// and go to `drain` when it is full or when flush() is called, so output
// leaves in large writes. Pieces larger than the storage bypass it.
//
// Once drain has reported a failure, everything after it is dropped: the
// caller checks failed() and stops producing.
class output_buffer {
public:
    // Hands `size` bytes on; returns false when they could not all be taken.
    using drain_fn = bool (*)(void* context, const char* data, std::size_t size);

    output_buffer(char* storage, std::size_t capacity, drain_fn drain, void* context)
        : storage_(storage), capacity_(capacity), drain_(drain), context_(context)
    {
    }

    void put(const char* data, std::size_t size)
    {
        if (size <= capacity_ - used_) {
            std::memcpy(storage_ + used_, data, size);
            used_ += size;
        } else {
            put_slow(data, size);
        }
    }

    // Hands everything buffered to drain; returns false once drain has failed.
    bool flush();

    [[nodiscard]] bool failed() const { return failed_; }

private:
    void put_slow(const char* data, std::size_t size);

    char* storage_;
    std::size_t capacity_;
    std::size_t used_ = 0;
    drain_fn drain_;
    void* context_;
    bool failed_ = false;
};
