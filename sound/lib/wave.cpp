#include "wave.h"

#include <cmath>
#include <cstring>

namespace velmora {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
// The GUID of the extensible format's sub-format, after its first two bytes.
constexpr unsigned char kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                         0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

std::uint16_t le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct Format {
    std::uint16_t tag = 0;  // kFormatPcm or kFormatFloat once resolved
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint16_t block_align = 0;
    std::uint16_t bits = 0;
};

bool read_format(const unsigned char* p, std::uint32_t size, Format& f) {
    if (size < 16) return false;
    f.tag = le16(p);
    f.channels = le16(p + 2);
    f.rate = le32(p + 4);
    f.block_align = le16(p + 12);
    f.bits = le16(p + 14);
    if (f.tag == kFormatExtensible) {
        if (size < 40 || le16(p + 16) < 22) return false;
        const std::uint16_t valid_bits = le16(p + 18);
        if (valid_bits > f.bits) return false;
        if (std::memcmp(p + 26, kGuidTail, sizeof kGuidTail) != 0) return false;
        f.tag = le16(p + 24);
    }
    if (f.channels == 0) return false;
    if (f.rate < kMinRate || f.rate > kMaxRate) return false;
    if (f.tag == kFormatPcm) {
        if (f.bits != 8 && f.bits != 16 && f.bits != 24 && f.bits != 32) return false;
    } else if (f.tag == kFormatFloat) {
        if (f.bits != 32 && f.bits != 64) return false;
    } else {
        return false;
    }
    return static_cast<std::uint32_t>(f.block_align) ==
           static_cast<std::uint32_t>(f.channels) * (f.bits / 8u);
}

float sample_at(const unsigned char* p, const Format& f) {
    if (f.tag == kFormatFloat) {
        double v;
        if (f.bits == 32) {
            float x;
            std::uint32_t u = le32(p);
            std::memcpy(&x, &u, sizeof x);
            v = x;
        } else {
            std::uint64_t u = le32(p) | (static_cast<std::uint64_t>(le32(p + 4)) << 32);
            std::memcpy(&v, &u, sizeof v);
        }
        // A NaN or an infinity would poison the whole mix.
        if (!std::isfinite(v)) return 0.0f;
        if (v > 1.0) return 1.0f;
        if (v < -1.0) return -1.0f;
        return static_cast<float>(v);
    }
    switch (f.bits) {
        case 8:
            return (static_cast<int>(p[0]) - 128) / 128.0f;
        case 16:
            return static_cast<std::int16_t>(le16(p)) / 32768.0f;
        case 24: {
            std::int32_t v = static_cast<std::int32_t>(
                                 static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) << 8) /
                             256;
            return static_cast<float>(v / 8388608.0);
        }
        default:
            return static_cast<float>(static_cast<std::int32_t>(le32(p)) / 2147483648.0);
    }
}

}  // namespace

std::size_t riff_image_size(const unsigned char* p) {
    if (std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0) return 0;
    return static_cast<std::size_t>(le32(p + 4)) + 8;
}

bool parse_wave(const unsigned char* image, std::size_t size, WaveData& out) {
    if (!image || size < 12) return false;
    const std::size_t claimed = riff_image_size(image);
    // A header that claims more than there is: the image was cut short.
    if (claimed < 12 || claimed > size) return false;
    const std::size_t end = claimed;

    Format fmt;
    bool have_fmt = false;
    const unsigned char* data = nullptr;
    std::size_t data_size = 0;
    std::size_t pos = 12;
    while (pos + 8 <= end) {
        const unsigned char* id = image + pos;
        const std::size_t chunk = le32(image + pos + 4);
        const std::size_t body = pos + 8;
        if (chunk > end - body) return false;
        if (std::memcmp(id, "fmt ", 4) == 0) {
            if (have_fmt) return false;
            if (!read_format(image + body, static_cast<std::uint32_t>(chunk), fmt)) return false;
            have_fmt = true;
        } else if (std::memcmp(id, "data", 4) == 0) {
            if (!have_fmt) return false;
            data = image + body;
            data_size = chunk;
            break;
        }
        // Chunks are padded to even lengths; the pad of the last one is often missing.
        pos = body + chunk + (chunk & 1);
    }
    if (!data) return false;

    const std::size_t frames = data_size / fmt.block_align;
    if (frames == 0) return false;
    out.rate = static_cast<int>(fmt.rate);
    out.channels = fmt.channels;
    out.frames = frames;
    out.samples.assign(frames * fmt.channels, 0.0f);
    const std::size_t step = fmt.bits / 8u;
    const unsigned char* p = data;
    for (float& s : out.samples) {
        s = sample_at(p, fmt);
        p += step;
    }
    return true;
}

}  // namespace velmora
