#include "app/wav_format.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/platform.h"

namespace zelmar {
namespace {

constexpr size_t kRiffHeaderBytes = 12;    // "RIFF", size, "WAVE"
constexpr size_t kChunkHeaderBytes = 8;    // id, size
constexpr size_t kBasicFormatBytes = 16;   // tag, channels, rate, byte rate, block align, bits
constexpr size_t kExtensibleFormatBytes = 40;  // the above, extension size, valid bits, mask, GUID
constexpr size_t kSubformatOffset = 24;

constexpr uint16_t kFormatPcm = 0x0001;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr uint16_t kExpectedChannels = 2;
constexpr uint32_t kExpectedRate = 44100;
constexpr uint16_t kExpectedBits = 16;

// Bytes 2..15 of every subformat GUID that carries a plain format tag in bytes 0..1.
constexpr unsigned char kSubformatGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                  0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint16_t read_u16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t read_u32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// The format tag a "fmt " chunk body stands for: an extensible format's subformat tag when the
// chunk holds a standard subformat GUID, the extensible tag itself when it holds none. Nothing
// when the chunk has a subformat but the bytes end before it.
std::optional<uint16_t> effective_format_tag(const unsigned char* body, size_t available,
                                             uint32_t chunk_size) {
  const uint16_t tag = read_u16(body);
  if (tag != kFormatExtensible || chunk_size < kExtensibleFormatBytes) return tag;
  if (available < kExtensibleFormatBytes) return std::nullopt;
  const unsigned char* guid = body + kSubformatOffset;
  if (std::memcmp(guid + 2, kSubformatGuidTail, sizeof kSubformatGuidTail) != 0) return tag;
  return read_u16(guid);
}

// A reader's name for a format tag; empty for PCM, whose name the description leaves out.
std::string format_name(uint16_t tag) {
  switch (tag) {
    case kFormatPcm: return "";
    case 0x0002: return "ADPCM";
    case 0x0003: return "float";
    case 0x0006: return "A-law";
    case 0x0007: return "mu-law";
    case 0x0011: return "IMA ADPCM";
    case 0x0055: return "MP3";
    case kFormatExtensible: return "extensible";
    default: break;
  }
  char text[24];
  std::snprintf(text, sizeof text, "format 0x%04X", static_cast<unsigned>(tag));
  return text;
}

// "<bits>-bit <name> <channels>-channel <rate> Hz", leaving out a bit count of 0 (compressed
// formats) and the name of PCM.
std::string describe(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  std::string text;
  if (bits != 0) text += std::to_string(bits) + "-bit ";
  const std::string name = format_name(tag);
  if (!name.empty()) text += name + " ";
  text += std::to_string(channels) + "-channel " + std::to_string(rate) + " Hz";
  return text;
}

std::optional<std::string> describe_format_chunk(const unsigned char* body, size_t available,
                                                 uint32_t chunk_size) {
  if (chunk_size < kBasicFormatBytes || available < kBasicFormatBytes) return std::nullopt;
  const std::optional<uint16_t> tag = effective_format_tag(body, available, chunk_size);
  if (!tag) return std::nullopt;
  const uint16_t channels = read_u16(body + 2);
  const uint32_t rate = read_u32(body + 4);
  const uint16_t bits = read_u16(body + 14);
  if (*tag == kFormatPcm && channels == kExpectedChannels && rate == kExpectedRate &&
      bits == kExpectedBits) {
    return std::nullopt;
  }
  return describe(*tag, channels, rate, bits);
}

}  // namespace

std::optional<std::string> describe_unexpected_wav_format(const unsigned char* bytes, size_t size) {
  if (size < kRiffHeaderBytes) return std::nullopt;
  const bool riff = std::memcmp(bytes, "RIFF", 4) == 0 || std::memcmp(bytes, "RF64", 4) == 0;
  if (!riff || std::memcmp(bytes + 8, "WAVE", 4) != 0) return std::nullopt;
  // Every step moves at least one chunk header forward, so the walk ends within size / 8 steps;
  // offsets are 64-bit so that no chunk size can wrap them around.
  uint64_t offset = kRiffHeaderBytes;
  while (offset + kChunkHeaderBytes <= size) {
    const unsigned char* chunk = bytes + offset;
    const uint32_t chunk_size = read_u32(chunk + 4);
    const uint64_t body_offset = offset + kChunkHeaderBytes;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      return describe_format_chunk(bytes + body_offset, static_cast<size_t>(size - body_offset),
                                   chunk_size);
    }
    // Chunks are padded to an even length.
    offset = body_offset + chunk_size + (chunk_size & 1u);
  }
  return std::nullopt;
}

void warn_about_unexpected_wav_format(int fd, const char* path) {
  std::vector<unsigned char> head(WAV_PROBE_BYTES);
  const ptrdiff_t got = read_fully_at(fd, head.data(), head.size(), 0);
  if (got <= 0) return;
  const std::optional<std::string> found =
      describe_unexpected_wav_format(head.data(), static_cast<size_t>(got));
  if (!found) return;
  std::fprintf(stderr, "warning: %s is %s; it is processed as 16-bit stereo 44100 Hz anyway\n",
               path, found->c_str());
}

}  // namespace zelmar
