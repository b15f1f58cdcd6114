// Writes a deterministic, realistic scene script of about the given size to
// standard output: mostly text scenes, with and without an image, and now
// and then a button scene followed by its choice dispatch, whose choices go
// on to the next scene or back to an earlier text scene: a whole story.
//
//   generate_script BYTES
//   generate_script --one-line BYTES     (a single text scene of that size)
//   generate_script --long-texts BYTES   (texts of about a kilobyte each)

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A fixed generator, so the same size always gives the same script.
struct lcg {
    std::uint64_t state = 0x2545F4914F6CDD1DULL;
    std::uint32_t next(std::uint32_t bound)
    {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state >> 33) % bound;
    }
};

const char* const words[] = {
    "the",      "a",      "door",     "opens",  "slowly", "and",         "you",          "see",      "light",
    "beyond",   "old",    "house",    "garden", "river",  "cold",        "wind",         "whispers", "your",
    "name",     "in",     "dark",     "forest", "path",   "leads",       "north",        "lantern",  "flickers",
    "stranger", "smiles", "waits",    "letter", "table",  "shadow",      "moves",        "quiet",    "morning",
    "rain",     "falls",  "on",       "roof",   "bridge", "crosses",     "valley",       "bell",     "rings",
    "twice",    "market", "square",   "empty",  "now",    "caf\xC3\xA9", "na\xC3\xAFve", "it's",     R"(\"hello\")",
    "again,",   "then",   "nothing.", "maybe?", "far",    "away"};
constexpr std::uint32_t word_count = sizeof words / sizeof words[0];

const char* const images[] = {"room.png", "forest.jpg", "river_at_dusk.png", "market.png", "door.png"};
const char* const labels[] = {"Open it,Walk away,Knock", "Yes,No,Later", "Left,Right,Back", "Fight,Talk,Run"};

void append_text(std::string& line, lcg& random, std::uint32_t fewest = 4, std::uint32_t more = 11)
{
    const std::uint32_t n = fewest + random.next(more); // 4 to 14 words unless asked
    for (std::uint32_t i = 0; i < n; ++i) {
        if (i > 0) {
            line += ' ';
        }
        line += words[random.next(word_count)];
    }
}

// A button scene, then the dispatch for its three choices. The first goes
// on to the next scene; the others go back to text scenes before, so that
// the story is whole.
void append_button_scene(std::string& line, std::uint64_t scene, const std::vector<std::uint64_t>& text_scenes,
                         lcg& random)
{
    line += std::to_string(scene) + "\tB\t" + std::to_string(scene + 1) + '\t' + labels[random.next(4)] + '\n';
    line += std::to_string(scene + 1) + "\tC\t" + std::to_string(scene + 2);
    for (int i = 1; i < 3; ++i) {
        const std::size_t known = std::min<std::size_t>(text_scenes.size(), std::size_t{1} << 30);
        line += ',';
        line += std::to_string(known == 0 ? scene + 2 : text_scenes[random.next(static_cast<std::uint32_t>(known))]);
    }
    line += '\n';
}

} // namespace

int main(int argc, char** argv)
{
    const bool one_line = argc == 3 && std::string(argv[1]) == "--one-line";
    const bool long_texts = argc == 3 && std::string(argv[1]) == "--long-texts";
    if (argc != 2 && !one_line && !long_texts) {
        std::fprintf(stderr, "usage: generate_script [--one-line | --long-texts] BYTES\n");
        return 2;
    }
    const std::uint64_t target = std::strtoull(argv[argc - 1], nullptr, 10);
    lcg random;
    std::string line;
    if (one_line) {
        std::fputs("1\tT\t2\t", stdout);
        for (std::uint64_t written = 6; written + 1 < target; written += line.size()) {
            line.clear();
            append_text(line, random);
            line += ' ';
            line.resize(std::min<std::uint64_t>(line.size(), target - 1 - written));
            std::fwrite(line.data(), 1, line.size(), stdout);
        }
        std::fputc('\n', stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    std::uint64_t written = 0;
    std::uint64_t scene = 1;
    std::vector<std::uint64_t> text_scenes;
    while (written < target) {
        line.clear();
        const std::uint32_t roll = random.next(100);
        const std::string id = std::to_string(scene);
        if (roll < 8) {
            append_button_scene(line, scene, text_scenes, random);
            scene += 2;
        } else {
            text_scenes.push_back(scene);
            line += id + "\tT\t" + std::to_string(scene + 1) + '\t';
            if (long_texts) {
                append_text(line, random, 140, 60); // some 1000 bytes
            } else {
                append_text(line, random);
            }
            if (roll < 45) {
                line += '\t';
                line += images[random.next(5)];
            }
            line += '\n';
            scene += 1;
        }
        std::fwrite(line.data(), 1, line.size(), stdout);
        written += line.size();
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
