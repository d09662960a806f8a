// The generated test and sample documents, one writer per file.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace pdfgen {

// colours.pdf: page N (1-based) is filled with kPageColours[N - 1], as 0xRRGGBB.
inline constexpr std::array<unsigned, 12> kPageColours = {
    0xE6194B, 0x3CB44B, 0xFFE119, 0x4363D8, 0xF58231, 0x911EB4,
    0x42D4F4, 0xF032E6, 0xBFEF45, 0x469990, 0x9A6324, 0x800000,
};

inline constexpr const char* kUserPassword = "user-secret";
inline constexpr const char* kOwnerPassword = "owner-secret";

// One "N RRGGBB" line per page of colours.pdf.
std::string colourTableText();

void writeGeometry(const std::filesystem::path& dir);
void writeColours(const std::filesystem::path& dir);
void writeEncrypted(const std::filesystem::path& dir);
void writeOwnerOnly(const std::filesystem::path& dir);
// Both derive from geometry.pdf, which must be written first.
void writeTruncated(const std::filesystem::path& dir);
void writeBroken(const std::filesystem::path& dir);
void writeText200(const std::filesystem::path& dir);
void writeImages20(const std::filesystem::path& dir);
void writeSample(const std::filesystem::path& dir);

// Every file, in an order that satisfies the dependencies above.
std::vector<std::string> generatedFileNames();
void writeAll(const std::filesystem::path& dir);

}  // namespace pdfgen
