// Plausible filler prose from a fixed vocabulary, reproducible from the generator's seed.
#include "prose.h"

#include <array>
#include <cctype>
#include <string_view>

namespace pdfgen {
namespace {

// Raw engine output only: the standard distributions differ between library versions.
size_t pick(std::mt19937& rng, size_t n) {
    return rng() % n;
}

constexpr std::array<std::string_view, 96> kWords = {
    "the",     "path",    "follows",    "a",       "low",     "cliff",    "above",  "the",
    "bay",     "where",   "seabirds",   "nest",    "in",      "spring",   "and",    "walkers",
    "stop",    "to",      "watch",      "tide",    "come",    "in",       "over",   "sand",
    "harbour", "village", "lighthouse", "keeper",  "once",    "lived",    "beside", "old",
    "stone",   "pier",    "with",       "fishing", "boats",   "morning",  "light",  "falls",
    "across",  "meadows", "of",         "thrift",  "heather", "gorse",    "from",   "headland",
    "you",     "can",     "see",        "islands", "far",     "out",      "on",     "clear",
    "days",    "route",   "climbs",     "gently",  "through", "woodland", "before", "dropping",
    "into",    "cove",    "sheltered",  "by",      "dunes",   "cafe",     "opens",  "at",
    "ten",     "serves",  "tea",        "local",   "cake",    "while",    "ferry",  "leaves",
    "every",   "hour",    "for",        "town",    "summer",  "evenings", "are",    "long",
    "warm",    "wind",    "drops",      "after",   "sunset",  "quiet",    "beach",  "trail",
};

}  // namespace

std::string makeSentence(std::mt19937& rng) {
    const size_t length = 6 + pick(rng, 11);
    std::string sentence;
    for (size_t i = 0; i < length; ++i) {
        if (i > 0) {
            sentence += (i % 7 == 6 && pick(rng, 3) == 0) ? ", " : " ";
        }
        sentence += kWords[pick(rng, kWords.size())];
    }
    sentence[0] = char(std::toupper(static_cast<unsigned char>(sentence[0])));
    return sentence + ".";
}

std::string makeParagraph(std::mt19937& rng) {
    const size_t sentences = 3 + pick(rng, 5);
    std::string paragraph;
    for (size_t i = 0; i < sentences; ++i) {
        paragraph += (i > 0 ? " " : "") + makeSentence(rng);
    }
    return paragraph;
}

}  // namespace pdfgen
