// Synthetic pictures for the documents: photo-like landscapes, a test card, JPEG encoding.
#include "photo.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include <jpeglib.h>

namespace pdfgen {
namespace {

struct Colour {
    float r, g, b;
};

Colour hex(unsigned h) {
    return {float((h >> 16) & 0xFF), float((h >> 8) & 0xFF), float(h & 0xFF)};
}

Colour mix(Colour a, Colour b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour scale(Colour a, float k) {
    return {a.r * k, a.g * k, a.b * k};
}

struct Palette {
    Colour skyTop, skyHorizon, sun, cloud, farHill, nearHill, meadow, meadowDark;
};

const std::array<Palette, 4> kPalettes = {{
    // clear day
    {hex(0x2F6DB5), hex(0xBFDDF2), hex(0xFFF6D8), hex(0xFFFFFF), hex(0x7F9BB8), hex(0x4C6E5A),
     hex(0x6FA04A), hex(0x2F5A24)},
    // sunset
    {hex(0x3B2A6B), hex(0xF7A35C), hex(0xFFE0A0), hex(0xF6C3A8), hex(0x8A5A78), hex(0x4A3050),
     hex(0x6E6A2E), hex(0x2C2A18)},
    // misty morning
    {hex(0x8FA8BF), hex(0xE8ECEA), hex(0xFFFBEA), hex(0xF4F4F0), hex(0xAEB9BF), hex(0x7F9284),
     hex(0x8FA56A), hex(0x4A5E38)},
    // dusk
    {hex(0x0F1F45), hex(0x5E7FB0), hex(0xFFE9B8), hex(0x8C9CC0), hex(0x34466E), hex(0x1E2A40),
     hex(0x31502F), hex(0x142414)},
}};

uint32_t hash3(uint32_t seed, int32_t x, int32_t y) {
    uint32_t h = seed * 0x9E3779B9u ^ uint32_t(x) * 0x85EBCA6Bu ^ uint32_t(y) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

float unit(uint32_t h) {
    return float(h >> 8) / float(1u << 24);
}

float smooth(float t) {
    return t * t * (3 - 2 * t);
}

// Value noise in [0,1): random values on the integer lattice, smoothly interpolated.
float valueNoise(uint32_t seed, float x, float y) {
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int ix = int(fx);
    const int iy = int(fy);
    const float tx = smooth(x - fx);
    const float ty = smooth(y - fy);
    const float a = unit(hash3(seed, ix, iy));
    const float b = unit(hash3(seed, ix + 1, iy));
    const float c = unit(hash3(seed, ix, iy + 1));
    const float d = unit(hash3(seed, ix + 1, iy + 1));
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

float fbm(uint32_t seed, float x, float y, int octaves) {
    float sum = 0;
    float amp = 0.5f;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * valueNoise(seed + i * 101, x, y);
        x *= 2.03f;
        y *= 2.03f;
        amp *= 0.5f;
    }
    return sum;
}

struct Scene {
    uint32_t seed;
    Palette palette;
    float horizon;  // 0 top .. 1 bottom
    float sunU, sunV;
    std::vector<float> farRidge, nearRidge, shore;  // per column, as v
};

Scene planScene(int width, uint32_t seed) {
    Scene s{seed, kPalettes[seed % kPalettes.size()], 0, 0, 0, {}, {}, {}};
    s.horizon = 0.52f + 0.1f * unit(hash3(seed, 1, 0));
    s.sunU = 0.2f + 0.6f * unit(hash3(seed, 2, 0));
    s.sunV = s.horizon * (0.35f + 0.45f * unit(hash3(seed, 3, 0)));
    for (int x = 0; x < width; ++x) {
        const float u = float(x) / float(width);
        s.farRidge.push_back(s.horizon - 0.05f - 0.16f * fbm(seed + 7, u * 3.0f, 0.5f, 5));
        s.nearRidge.push_back(s.horizon - 0.01f - 0.09f * fbm(seed + 13, u * 5.0f, 1.5f, 5));
        s.shore.push_back(s.horizon + 0.14f + 0.12f * fbm(seed + 19, u * 2.2f, 2.5f, 4));
    }
    return s;
}

Colour skyAt(const Scene& s, float u, float v, float aspect) {
    const Palette& p = s.palette;
    Colour c = mix(p.skyTop, p.skyHorizon, std::pow(std::clamp(v / s.horizon, 0.0f, 1.0f), 1.6f));
    const float du = (u - s.sunU) * aspect;
    const float dv = v - s.sunV;
    const float d2 = du * du + dv * dv;
    c = mix(c, p.sun, std::min(1.0f, 0.8f * std::exp(-d2 * 40.0f) + (d2 < 0.0012f ? 1.0f : 0.0f)));
    const float cloud = fbm(s.seed + 31, u * 4.0f, v * 11.0f, 4);
    const float cover =
        std::clamp((cloud - 0.52f) * 4.0f, 0.0f, 1.0f) * (1.0f - v / s.horizon * 0.6f);
    return mix(c, p.cloud, cover * 0.85f);
}

// Everything above the water line, so the lake can mirror it.
Colour aboveWater(const Scene& s, int x, float u, float v, float aspect) {
    const Palette& p = s.palette;
    if (v >= s.nearRidge[x]) {
        const float shade = 0.85f + 0.3f * fbm(s.seed + 41, u * 30.0f, v * 30.0f, 3);
        return mix(scale(p.nearHill, shade), p.skyHorizon, 0.15f);
    }
    if (v >= s.farRidge[x]) {
        const float shade = 0.9f + 0.2f * fbm(s.seed + 43, u * 20.0f, v * 20.0f, 2);
        return mix(scale(p.farHill, shade), p.skyHorizon, 0.35f);
    }
    return skyAt(s, u, v, aspect);
}

Colour pixelAt(const Scene& s, int x, int y, int width, int height) {
    const float u = float(x) / float(width);
    const float v = float(y) / float(height);
    const float aspect = float(width) / float(height);
    if (v < s.horizon) {
        return aboveWater(s, x, u, v, aspect);
    }
    if (v < s.shore[x]) {
        const float ripple = 0.004f * (valueNoise(s.seed + 53, u * 6.0f, v * 160.0f) - 0.5f);
        const float mirrored = std::max(0.0f, 2 * s.horizon - v + ripple * 8);
        const int mx = std::clamp(int((u + ripple) * float(width)), 0, width - 1);
        const Colour reflected = aboveWater(s, mx, u + ripple, mirrored, aspect);
        return mix(scale(reflected, 0.78f), s.palette.skyTop, 0.12f);
    }
    const float depth = (v - s.shore[x]) / (1.0f - s.shore[x] + 1e-3f);
    const float grass = fbm(s.seed + 61, u * 60.0f, v * 25.0f, 4);
    return mix(s.palette.meadow, s.palette.meadowDark,
               std::clamp(depth * 0.8f + grass * 0.5f - 0.2f, 0.0f, 1.0f));
}

unsigned char toByte(float v) {
    return static_cast<unsigned char>(std::lround(std::clamp(v, 0.0f, 255.0f)));
}

}  // namespace

RgbPixels makeLandscape(int width, int height, uint32_t seed) {
    const Scene scene = planScene(width, seed);
    RgbPixels out{width, height, std::vector<unsigned char>(size_t(width) * height * 3)};
    unsigned char* dst = out.samples.data();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Colour c = pixelAt(scene, x, y, width, height);
            const float cx = float(x) / float(width) - 0.5f;
            const float cy = float(y) / float(height) - 0.5f;
            const float vignette = 1.0f - 0.35f * (cx * cx + cy * cy);
            const float grain = (unit(hash3(seed + 97, x, y)) - 0.5f) * 10.0f;
            *dst++ = toByte(c.r * vignette + grain);
            *dst++ = toByte(c.g * vignette + grain);
            *dst++ = toByte(c.b * vignette + grain);
        }
    }
    return out;
}

RgbPixels makeTestCard(int width, int height) {
    static const std::array<unsigned, 7> bars = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00,
                                                 0xFF00FF, 0xFF0000, 0x0000FF};
    RgbPixels out{width, height, std::vector<unsigned char>(size_t(width) * height * 3)};
    unsigned char* dst = out.samples.data();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool ramp = y >= height * 3 / 4;
            const Colour c = ramp ? hex(0x010101u * unsigned(255 * x / std::max(1, width - 1)))
                                  : hex(bars[size_t(x) * bars.size() / size_t(width)]);
            *dst++ = toByte(c.r);
            *dst++ = toByte(c.g);
            *dst++ = toByte(c.b);
        }
    }
    return out;
}

std::vector<unsigned char> encodeJpeg(const RgbPixels& pixels, int quality) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);  // on error libjpeg prints and exits: input is ours
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(pixels.width);
    cinfo.image_height = JDIMENSION(pixels.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const size_t rowBytes = size_t(pixels.width) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        auto* row =
            const_cast<unsigned char*>(pixels.samples.data() + cinfo.next_scanline * rowBytes);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<unsigned char> jpeg(buffer, buffer + size);
    std::free(buffer);
    return jpeg;
}

}  // namespace pdfgen
