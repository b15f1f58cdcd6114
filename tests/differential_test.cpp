// Checks the translator against a deliberately plain model of it on many
// generated scripts full of awkward bytes.

#include "driver.h"

#include "memory_sink.h"
#include "translation_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

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
        std::vector<std::string> fields{field()};
        const int extra = pick(0, 6);
        static const char* const kinds[] = {"T", "B", "C", "Text", "t", "", " T", "X", "C,"};
        for (int i = 0; i < extra; ++i) {
            fields.push_back(i == 0 && !chance(6) ? kinds[pick(0, 8)] : field());
        }
        std::string s;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            s += (i > 0 ? "\t" : "") + fields[i];
        }
        return s;
    }

    std::string field()
    {
        // Awkward bytes weighted up; now and then a field long enough to
        // cross every buffer boundary.
        static const char awkward_bytes[] = "\t\r\n\0,%\"\\ \xEF\xBB\xBF\xC3\xA4\xFF\x80"
                                            "s";
        static const std::string awkward(awkward_bytes, sizeof awkward_bytes - 1);
        const std::size_t size =
            chance(40) ? static_cast<std::size_t>(pick(4000, 150000)) : static_cast<std::size_t>(pick(0, 12));
        std::string s;
        for (std::size_t i = 0; i < size; ++i) {
            if (chance(3)) {
                s += awkward[static_cast<std::size_t>(pick(0, static_cast<int>(awkward.size()) - 1))];
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
    }
}

} // namespace
