#include "output_buffer.h"

bool output_buffer::flush()
{
    if (!failed_ && used_ > 0 && !drain_(context_, storage_, used_)) {
        failed_ = true;
    }
    used_ = 0;
    return !failed_;
}

void output_buffer::put_slow(const char* data, std::size_t size)
{
    if (failed_) {
        return;
    }
    // Fill the storage first so that writes stay full-sized, then decide
    // whether the rest is small enough to buffer or should go straight out.
    const std::size_t room = capacity_ - used_;
    std::memcpy(storage_ + used_, data, room);
    used_ = capacity_;
    data += room;
    size -= room;
    if (!flush()) {
        return;
    }
    if (size >= capacity_) {
        if (!drain_(context_, data, size)) {
            failed_ = true;
        }
        return;
    }
    std::memcpy(storage_, data, size);
    used_ = size;
}
