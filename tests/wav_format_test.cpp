// The WAV format warning: which headers are described (and how), that reading them never leaves
// the buffer, and that a warned-about file is still processed exactly as before.

#include "app/wav_format.h"
#include "run_program.h"
#include "sha256.h"
#include "whole_program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

void put_u16(Bytes& out, uint16_t v) {
  for (int i = 0; i < 2; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void put_u32(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void put_text(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

// A chunk: id, the size field (the body's length unless `size_field` says otherwise), body and
// the pad byte that an odd body length asks for.
Bytes chunk(const std::string& id, const Bytes& body, std::optional<uint32_t> size_field = {}) {
  Bytes out;
  put_text(out, id);
  put_u32(out, size_field.value_or(static_cast<uint32_t>(body.size())));
  out.insert(out.end(), body.begin(), body.end());
  if (body.size() % 2 == 1) out.push_back(0);
  return out;
}

Bytes fmt_body(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  Bytes body;
  put_u16(body, tag);
  put_u16(body, channels);
  put_u32(body, rate);
  put_u32(body, rate * channels * (bits / 8u));
  put_u16(body, static_cast<uint16_t>(channels * (bits / 8u)));
  put_u16(body, bits);
  return body;
}

// An extensible format chunk body (tag 0xFFFE) whose subformat GUID carries `subformat`.
Bytes extensible_fmt_body(uint16_t subformat, uint16_t channels, uint32_t rate, uint16_t bits) {
  Bytes body = fmt_body(0xFFFE, channels, rate, bits);
  put_u16(body, 22);    // extension size
  put_u16(body, bits);  // valid bits
  put_u32(body, 3);     // channel mask: front left and right
  put_u16(body, subformat);
  body.insert(body.end(), {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38,
                           0x9B, 0x71});
  return body;
}

// "RIFF", the form size, "WAVE", then the chunks as given.
Bytes riff_wave(const std::vector<Bytes>& chunks, const std::string& form = "RIFF") {
  Bytes inner;
  put_text(inner, "WAVE");
  for (const Bytes& c : chunks) inner.insert(inner.end(), c.begin(), c.end());
  Bytes out;
  put_text(out, form);
  put_u32(out, static_cast<uint32_t>(inner.size()));
  out.insert(out.end(), inner.begin(), inner.end());
  return out;
}

Bytes first_bytes(Bytes bytes, size_t count) {
  bytes.resize(count);
  return bytes;
}

const Bytes kData = chunk("data", Bytes(64, 0x11));
const Bytes kCdQuality = riff_wave({chunk("fmt ", fmt_body(1, 2, 44100, 16)), kData});
const Bytes kHiResMono = riff_wave({chunk("fmt ", fmt_body(1, 1, 48000, 24)), kData});

struct Case {
  const char* name;
  Bytes bytes;
  std::optional<std::string> description;
};

const std::vector<Case> kCases = {
    {"Pcm16Stereo44100IsExpected", kCdQuality, std::nullopt},
    {"ExtensiblePcm16Stereo44100IsExpected",
     riff_wave({chunk("fmt ", extensible_fmt_body(1, 2, 44100, 16)), kData}), std::nullopt},
    {"Pcm24Mono48000", kHiResMono, "24-bit 1-channel 48000 Hz"},
    {"Pcm8", riff_wave({chunk("fmt ", fmt_body(1, 2, 44100, 8)), kData}),
     "8-bit 2-channel 44100 Hz"},
    {"OnlyTheRateDiffers", riff_wave({chunk("fmt ", fmt_body(1, 2, 48000, 16)), kData}),
     "16-bit 2-channel 48000 Hz"},
    {"Float32", riff_wave({chunk("fmt ", fmt_body(3, 2, 44100, 32)), kData}),
     "32-bit float 2-channel 44100 Hz"},
    {"ExtensibleFloat32", riff_wave({chunk("fmt ", extensible_fmt_body(3, 2, 44100, 32)), kData}),
     "32-bit float 2-channel 44100 Hz"},
    {"CompressedWithoutBitCount", riff_wave({chunk("fmt ", fmt_body(0x55, 2, 44100, 0)), kData}),
     "MP3 2-channel 44100 Hz"},
    {"UnknownTagByNumber", riff_wave({chunk("fmt ", fmt_body(0x1234, 2, 44100, 16)), kData}),
     "16-bit format 0x1234 2-channel 44100 Hz"},
    {"Rf64Form", riff_wave({chunk("ds64", Bytes(28, 0)), chunk("fmt ", fmt_body(1, 1, 48000, 24))},
                           "RF64"),
     "24-bit 1-channel 48000 Hz"},
    {"ChunksBeforeFmtAreSkippedWithTheirPadByte",
     riff_wave({chunk("LIST", Bytes(5, 'x')), chunk("JUNK", Bytes(28, 0)),
                chunk("fmt ", fmt_body(1, 1, 48000, 24)), kData}),
     "24-bit 1-channel 48000 Hz"},
    {"FmtAfterDataStillFound",
     riff_wave({kData, chunk("fmt ", fmt_body(1, 1, 22050, 16))}), "16-bit 1-channel 22050 Hz"},
    {"HeaderCutInsideFmt", first_bytes(kHiResMono, 12 + 8 + 10), std::nullopt},
    {"FmtChunkTooShort", riff_wave({chunk("fmt ", first_bytes(fmt_body(1, 1, 48000, 24), 14))}),
     std::nullopt},
    {"ChunkSizeRunsPastTheEnd",
     riff_wave({chunk("LIST", Bytes(4, 0), 0xFFFFFFFFu), chunk("fmt ", fmt_body(1, 1, 48000, 24))}),
     std::nullopt},
    {"ChunkSizeWouldWrapA32BitOffset",
     riff_wave({chunk("LIST", Bytes(4, 0), 0xFFFFFFF0u), chunk("fmt ", fmt_body(1, 1, 48000, 24))}),
     std::nullopt},
    {"NoFmtChunk", riff_wave({kData}), std::nullopt},
    {"NotRiff", Bytes(64, 0x7F), std::nullopt},
    {"RiffButNotWave", [] {
       Bytes avi = kHiResMono;
       std::copy_n("AVI ", 4, avi.begin() + 8);
       return avi;
     }(),
     std::nullopt},
    {"Empty", Bytes{}, std::nullopt},
};

// Runs the parser on a heap copy of exactly `bytes.size()` bytes, so that a sanitizer build
// reports any read past the end.
std::optional<std::string> describe_exact_copy(const Bytes& bytes) {
  const std::unique_ptr<unsigned char[]> copy(new unsigned char[bytes.size() + (bytes.empty() ? 1 : 0)]);
  std::copy(bytes.begin(), bytes.end(), copy.get());
  return zelmar::describe_unexpected_wav_format(copy.get(), bytes.size());
}

TEST(WavFormat, DescribesEveryHeaderThatIsNot16BitStereo44100Pcm) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(describe_exact_copy(c.bytes), c.description);
  }
}

// A file cut short anywhere gives the whole description or none, never a misreading.
TEST(WavFormat, EveryPrefixGivesTheFullDescriptionOrNone) {
  for (const Case& c : kCases) {
    for (size_t length = 0; length <= c.bytes.size(); ++length) {
      const std::optional<std::string> found = describe_exact_copy(first_bytes(c.bytes, length));
      if (found) EXPECT_EQ(found, c.description) << c.name << " cut to " << length << " bytes";
    }
  }
}

// --- the whole program -------------------------------------------------------------------------

void write_file(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string read_file(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A 24-bit mono 48 kHz header followed by about three half blocks of fixed pseudo-random bytes.
Bytes hi_res_file() {
  Bytes data(100000);
  uint32_t x = 12345;
  for (unsigned char& byte : data) {
    x = x * 1103515245u + 12345u;
    byte = static_cast<unsigned char>(x >> 16);
  }
  return riff_wave({chunk("fmt ", fmt_body(1, 1, 48000, 24)), chunk("data", data)});
}

struct RunWithErrors {
  ProgramRun program;
  std::string standard_error;
};

RunWithErrors run_in(const fs::path& folder, const std::vector<std::string>& arguments) {
  testing::internal::CaptureStderr();  // the child inherits the captured descriptor 2
  RunWithErrors run{run_program(ZELMAR_BINARY, arguments, folder.string()), ""};
  run.standard_error = testing::internal::GetCapturedStderr();
  return run;
}

TEST(WavFormatWarning, GoesToStandardErrorAloneAndChangesNothingElse) {
  whole_program::ScratchFolder work;
  ASSERT_FALSE(work.path().empty());
  const Bytes hi_res = hi_res_file();
  write_file(work / "in.wav", hi_res);
  // Same length, no header: the console text of a run depends only on the length.
  write_file(work / "plain.raw", Bytes(hi_res.size(), 0));

  const RunWithErrors warned = run_in(work.path(), {"in.wav", "out.wav"});
  const RunWithErrors plain = run_in(work.path(), {"plain.raw", "plain-out.raw"});

  EXPECT_EQ(warned.standard_error,
            "warning: in.wav is 24-bit 1-channel 48000 Hz; it is processed as 16-bit stereo 44100 "
            "Hz anyway\n");
  EXPECT_EQ(plain.standard_error, "");
  EXPECT_EQ(warned.program.exit_status, 0);
  EXPECT_EQ(warned.program.standard_output, plain.program.standard_output);
  // Recorded from the program before it looked at headers at all.
  EXPECT_EQ(sha256_hex(read_file(work / "out.wav")),
            "4e24830e2f2c2b626d63edbe6b72faaa30701db4c9f1caefae023855df5efe44");
}

}  // namespace
