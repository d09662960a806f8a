// Plausible filler prose from a fixed vocabulary, reproducible from the generator's seed.
#pragma once

#include <random>
#include <string>

namespace pdfgen {

// Sentences of 6-16 words, capitalised and ending in a full stop.
std::string makeSentence(std::mt19937& rng);
// 3-7 sentences.
std::string makeParagraph(std::mt19937& rng);

}  // namespace pdfgen
