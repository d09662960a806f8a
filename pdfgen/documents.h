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
std::string colour_table_text();

void write_geometry(const std::filesystem::path& dir);
void write_colours(const std::filesystem::path& dir);
void write_encrypted(const std::filesystem::path& dir);
void write_owner_only(const std::filesystem::path& dir);
// Both derive from geometry.pdf, which must be written first.
void write_truncated(const std::filesystem::path& dir);
void write_broken(const std::filesystem::path& dir);
void write_text200(const std::filesystem::path& dir);
void write_images20(const std::filesystem::path& dir);
void write_sample(const std::filesystem::path& dir);

// Every file, in an order that satisfies the dependencies above.
std::vector<std::string> generated_file_names();
void write_all(const std::filesystem::path& dir);

}  // namespace pdfgen
