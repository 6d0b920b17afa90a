#include "scheme/MediaReadModes.h"

#include <array>
#include <optional>

namespace velmorin {

namespace {

unsigned byteAt(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}

// Bit rates in kbit/s by index 1 to 14 (0 is free format, 15 invalid).
using BitRates = std::array<unsigned, 15>;
constexpr BitRates mpeg1Layer1 = {0,   32,  64,  96,  128, 160, 192, 224,
                                  256, 288, 320, 352, 384, 416, 448};
constexpr BitRates mpeg1Layer2 = {0,   32,  48,  56,  64,  80,  96, 112,
                                  128, 160, 192, 224, 256, 320, 384};
constexpr BitRates mpeg1Layer3 = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr BitRates mpeg2Layer1 = {0,   32,  48,  56,  64,  80,  96, 112,
                                  128, 144, 160, 176, 192, 224, 256};
constexpr BitRates mpeg2Layer23 = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

constexpr std::array<unsigned, 13> adtsSampleRates = {
    96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000, 7350};

// The length in seconds of `audioBytes` of raw MPEG audio whose first frame
// header is `frame`, or nothing when the bytes are no frame header it knows.
//
// An MPEG audio header: 11 sync bits, the version (2 bits: 3 is MPEG-1, 2
// MPEG-2, 0 MPEG-2.5), the layer (3 is layer I, 1 layer III), a protection
// bit, then the bit-rate index in the third byte's high nibble. An ADTS (AAC)
// header has layer 0, its sample rate index in the third byte and the frame's
// length in 13 bits across the fourth to sixth, each frame 1024 samples.
std::optional<double> mpegAudioSeconds(std::string_view frame, std::uint64_t audioBytes) {
    if (frame.size() < 4 || byteAt(frame, 0) != 0xFF || (byteAt(frame, 1) & 0xE0) != 0xE0) {
        return std::nullopt;
    }
    const unsigned version = (byteAt(frame, 1) >> 3) & 3;
    const unsigned layer = (byteAt(frame, 1) >> 1) & 3;
    if (layer == 0) {
        if ((byteAt(frame, 1) & 0xF0) != 0xF0 || frame.size() < 7) {
            return std::nullopt;
        }
        const unsigned rateIndex = (byteAt(frame, 2) >> 2) & 0xF;
        const unsigned frameLength =
            ((byteAt(frame, 3) & 3) << 11) | (byteAt(frame, 4) << 3) | (byteAt(frame, 5) >> 5);
        if (rateIndex >= adtsSampleRates.size() || frameLength < 7) {
            return std::nullopt;
        }
        const double frames = static_cast<double>(audioBytes) / frameLength;
        return frames * 1024 / adtsSampleRates[rateIndex];
    }
    const unsigned rateIndex = byteAt(frame, 2) >> 4;
    if (version == 1 || rateIndex == 0 || rateIndex == 15) {
        return std::nullopt;
    }
    const bool mpeg1 = version == 3;
    const BitRates& rates = layer == 3   ? (mpeg1 ? mpeg1Layer1 : mpeg2Layer1)
                            : layer == 2 ? (mpeg1 ? mpeg1Layer2 : mpeg2Layer23)
                                         : (mpeg1 ? mpeg1Layer3 : mpeg2Layer23);
    return static_cast<double>(audioBytes) * 8 / (rates[rateIndex] * 1000.0);
}

}  // namespace

std::uint64_t mediaFrameOffset(std::string_view firstBytes) {
    if (firstBytes.size() < 10 || !firstBytes.starts_with("ID3")) {
        return 0;
    }
    // The size is 28 bits, 7 in each byte, and counts neither the header
    // nor the footer the flags may announce.
    std::uint64_t size = 0;
    for (std::size_t at = 6; at < 10; ++at) {
        size = (size << 7) | (byteAt(firstBytes, at) & 0x7F);
    }
    const bool footer = (byteAt(firstBytes, 5) & 0x10) != 0;
    return 10 + size + (footer ? 10 : 0);
}

MediaReadModes mediaReadModes(std::string_view firstBytes, std::string_view frameBytes,
                              std::uint64_t fileSize) {
    if (firstBytes.starts_with("OggS")) {
        return MediaReadModes::pushAndPull;
    }
    const std::uint64_t offset = mediaFrameOffset(firstBytes);
    const std::uint64_t audioBytes = fileSize > offset ? fileSize - offset : 0;
    const auto seconds = mpegAudioSeconds(frameBytes, audioBytes);
    if (seconds && *seconds < shortMpegAudio) {
        return MediaReadModes::pushAndPull;
    }
    return MediaReadModes::pushAlone;
}

}  // namespace velmorin
