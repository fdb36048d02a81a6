// Reading RIFF/WAVE images into float samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora {

struct WaveData {
    int rate = 0;
    int channels = 0;
    std::size_t frames = 0;
    std::vector<float> samples;  // interleaved, `channels` per frame, in [-1, 1]
};

// Sample rates outside this range are refused: below it a short image would
// blow up when resampled, above it no device plays it.
constexpr std::uint32_t kMinRate = 1000;
constexpr std::uint32_t kMaxRate = 384000;

// Reads a whole wave image of `size` bytes, never beyond. Accepts integer PCM
// of 8, 16, 24 and 32 bits and float of 32 and 64 bits (also in the
// extensible format), any channel count, chunks in any order as long as "fmt "
// comes before "data". Returns false for anything else, or when there is not
// one whole frame of sound.
bool parse_wave(const unsigned char* image, std::size_t size, WaveData& out);

// The length the RIFF header claims for the whole image (8 + its size field),
// or 0 when the first 12 bytes are not a RIFF/WAVE header. Reads 12 bytes.
std::size_t riff_image_size(const unsigned char* image);

}  // namespace velmora
