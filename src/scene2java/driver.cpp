#include "driver.h"

#include "scene_translator.h"

namespace {

void translate(void* context, char* line, std::size_t /*size*/)
{
    translate_line(line, *static_cast<output_buffer*>(context));
}

bool flush(void* context)
{
    return static_cast<output_buffer*>(context)->flush();
}

} // namespace

stream_result translate_stream(read_fn read, void* context, output_buffer& out)
{
    switch (read_lines(read, context, line_sink{translate, flush, &out})) {
    case read_result::done:
        return out.flush() ? stream_result::done : stream_result::write_failed;
    case read_result::read_failed:
        return stream_result::read_failed;
    case read_result::stopped:
        return stream_result::write_failed;
    case read_result::out_of_memory:
        return stream_result::out_of_memory;
    }
    return stream_result::write_failed;
}
