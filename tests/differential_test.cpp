// Checks the translator against a deliberately plain model of it on many
// generated scripts full of awkward bytes.

#include "driver.h"

#include "memory_sink.h"
#include "translation_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

namespace {

// Draws scene scripts full of awkward bytes. Most fields are short; now
// and then one is long and unbroken (no byte in it ends the field), in any
// position, sized around the line and output buffers' edges; and now and
// then a choice list holds hundreds to thousands of items.
class script_generator {
public:
    explicit script_generator(unsigned seed) : random_(seed) { }

    std::string script()
    {
        std::string s;
        if (chance(10)) {
            s += "\xEF\xBB\xBF";
        }
        const int lines = pick(0, 12);
        for (int i = 0; i < lines; ++i) {
            s += line();
            if (i + 1 < lines || !chance(5)) {
                s += chance(4) ? "\r\n" : "\n";
            }
        }
        return s;
    }

private:
    std::string line()
    {
        static const char* const kinds[] = {"T", "B", "C", "Text", "t", "", " T", "X", "C,"};
        std::vector<std::string> fields{field()};
        const int extra = pick(0, 6);
        for (int i = 0; i < extra; ++i) {
            if (i == 0 && !chance(6)) {
                fields.emplace_back(kinds[pick(0, 8)]);
            } else if (i == 1 && fields[1].starts_with('C') && chance(3)) {
                fields.push_back(choice_list());
            } else {
                fields.push_back(field());
            }
        }
        std::string s;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            s += (i > 0 ? "\t" : "") + fields[i];
        }
        return s;
    }

    std::string field()
    {
        if (chance(30)) {
            return long_field(false);
        }
        // Short, with the bytes that end or split fields weighted up.
        static const char awkward_bytes[] = "\t\r\n\0,%\"\\ \xEF\xBB\xBF\xC3\xA4\xFF\x80"
                                            "s";
        static const std::string awkward(awkward_bytes, sizeof awkward_bytes - 1);
        return bytes(static_cast<std::size_t>(pick(0, 12)), awkward);
    }

    // Long and unbroken: no TAB, CR, LF or NUL in it, and for a choice item
    // no comma either. Sizes cluster at the 64 KiB line and output buffers.
    std::string long_field(bool choice_item)
    {
        static const std::string data_bytes = ",%\"\\ \xEF\xBB\xBF\xC3\xA4\xFF\x80\x01\x7F";
        static const std::string item_bytes = "%\"\\ \xEF\xBB\xBF\xC3\xA4\xFF\x80\x01\x7F";
        std::size_t size = 0;
        switch (pick(0, 2)) {
        case 0:
            size = static_cast<std::size_t>(pick(4000, 150000));
            break;
        case 1:
            size = std::size_t{65536} - 64 + static_cast<std::size_t>(pick(0, 128));
            break;
        default:
            size = std::size_t{131072} - 64 + static_cast<std::size_t>(pick(0, 128));
            break;
        }
        // Random bytes for a stretch, then that stretch over and over: the
        // translator cannot tell, and drawing every byte would be slow.
        const std::string stretch = bytes(std::min<std::size_t>(size, 997), choice_item ? item_bytes : data_bytes);
        std::string s;
        s.reserve(size);
        while (s.size() < size) {
            s.append(stretch, 0, size - s.size());
        }
        return s;
    }

    std::string choice_list()
    {
        static const std::string item_bytes = "0123456789 %\"\\\xC3\xA4";
        const int items = pick(100, 3000);
        std::string s;
        for (int i = 0; i < items; ++i) {
            if (i > 0) {
                s += ',';
            }
            s += chance(500) ? long_field(true) : bytes(static_cast<std::size_t>(pick(0, 6)), item_bytes);
        }
        return s;
    }

    // `size` bytes, one in three from `special`, the rest letters and digits.
    std::string bytes(std::size_t size, const std::string& special)
    {
        std::string s;
        for (std::size_t i = 0; i < size; ++i) {
            if (chance(3)) {
                s += special[static_cast<std::size_t>(pick(0, static_cast<int>(special.size()) - 1))];
            } else {
                s += static_cast<char>(pick('0', 'z'));
            }
        }
        return s;
    }

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    bool chance(int one_in) { return pick(1, one_in) == 1; }

    std::mt19937 random_;
};

// What the generated scripts really hold, as the translator sees them: the
// longest field in each position that reaches the output, and the most
// items in one choice list.
struct drawn {
    std::size_t longest_line = 0;
    std::size_t longest_scene = 0;   // field 1
    std::size_t longest_target = 0;  // field 3 of a text or button scene
    std::size_t longest_label = 0;   // field 4 of a text scene
    std::size_t longest_image = 0;   // field 5 of a text scene
    std::size_t longest_buttons = 0; // field 4 of a button scene
    std::size_t longest_item = 0;
    std::size_t most_items = 0;

    void take(const std::string& script)
    {
        for (std::string line : model_split_at(script, '\n')) {
            longest_line = std::max(longest_line, line.size());
            line = line.substr(0, std::min(line.find('\r'), line.find('\0')));
            const std::vector<std::string> f = model_split_at(line, '\t');
            longest_scene = std::max(longest_scene, f[0].size());
            const char kind = f.size() > 1 && !f[1].empty() ? f[1][0] : '\0';
            if ((kind == 'T' || kind == 'B') && f.size() > 2) {
                longest_target = std::max(longest_target, f[2].size());
            }
            if (kind == 'T' && f.size() > 3) {
                longest_label = std::max(longest_label, f[3].size());
            }
            if (kind == 'T' && f.size() > 4) {
                longest_image = std::max(longest_image, f[4].size());
            }
            if (kind == 'B' && f.size() > 3) {
                longest_buttons = std::max(longest_buttons, f[3].size());
            }
            if (kind == 'C' && f.size() > 2) {
                const std::vector<std::string> items = model_split_at(f[2], ',');
                most_items = std::max(most_items, items.size());
                for (const std::string& item : items) {
                    longest_item = std::max(longest_item, item.size());
                }
            }
        }
    }
};

struct chunked_input {
    const std::string& data;
    std::mt19937& random;
    std::size_t largest;
    std::size_t position = 0;

    static long read(void* context, char* buffer, std::size_t capacity)
    {
        auto* in = static_cast<chunked_input*>(context);
        const std::size_t piece = std::uniform_int_distribution<std::size_t>(1, in->largest)(in->random);
        const std::size_t n = std::min({piece, capacity, in->data.size() - in->position});
        in->data.copy(buffer, n, in->position);
        in->position += n;
        return static_cast<long>(n);
    }
};

TEST(differential, translator_matches_the_plain_model)
{
    const unsigned base_seed = testing::UnitTest::GetInstance()->random_seed();
    drawn seen;
    for (unsigned round = 0; round < 3000; ++round) {
        const unsigned seed = base_seed * 7919U + round;
        script_generator generate(seed);
        const std::string script = generate.script();
        std::mt19937 random(seed);
        const std::size_t largest = std::array<std::size_t, 4>{1, 7, 4096, 1 << 20}[round % 4];
        chunked_input in{script, random, largest};
        memory_sink sink(round % 2 == 0 ? 13 : 1 << 16);
        ASSERT_EQ(translate_stream(chunked_input::read, &in, sink.out), stream_result::done);
        ASSERT_EQ(sink.text, model_translation(script)) << "seed " << seed << ", largest read " << largest;
        seen.take(script);
    }
    // The scripts must really hold what the generator promises, or the
    // comparison above proves less than it seems to.
    const std::size_t past_buffers = (std::size_t{1} << 16) + 64;
    EXPECT_GT(seen.longest_line, past_buffers);
    for (const std::size_t longest : {seen.longest_scene, seen.longest_target, seen.longest_label, seen.longest_image,
                                      seen.longest_buttons, seen.longest_item}) {
        EXPECT_GT(longest, past_buffers);
    }
    EXPECT_GT(seen.most_items, 2000U);
}

} // namespace
