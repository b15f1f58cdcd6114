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

    // Room for `size` bytes at once, so that a whole block can be copied in
    // without a check per piece: flushes first when the rest of the storage
    // is too small. Returns nullptr when `size` exceeds the storage, or after
    // a failure; put() then takes the bytes piece by piece.
    char* room_for(std::size_t size)
    {
        if (size > capacity_ - used_ && (size > capacity_ || !flush())) {
            return nullptr;
        }
        return storage_ + used_;
    }

    // Takes the bytes written into room_for's room, up to `end`.
    void commit(const char* end) { used_ = static_cast<std::size_t>(end - storage_); }

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
