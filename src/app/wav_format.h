// Reading the format chunk of a RIFF/WAVE header, to warn when an input is not the 16-bit stereo
// 44,100 Hz PCM that the processor takes every file to be. The warning changes nothing else: the
// whole file is still processed as 16-bit stereo samples from byte 0.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace zelmar {

// How many leading bytes of a file are looked at for the format chunk: room for a header with a
// few metadata chunks before "fmt ".
constexpr size_t WAV_PROBE_BYTES = 8192;

// Looks at the first `size` bytes of a file. When they start with a RIFF (or RF64) WAVE header
// whose "fmt " chunk lies within them and describes anything other than 16-bit integer PCM,
// 2 channels, 44,100 Hz, returns what it describes: bits, format name when not PCM, channels and
// rate, e.g. "24-bit 1-channel 48000 Hz" or "32-bit float 2-channel 44100 Hz". An extensible
// format (tag 0xFFFE) counts as the format of its subformat. Returns nothing for the expected format, for bytes
// without a RIFF/WAVE header, and when no complete "fmt " chunk start is found in the bytes.
// Never reads outside `bytes[0 .. size)`.
std::optional<std::string> describe_unexpected_wav_format(const unsigned char* bytes, size_t size);

// Reads the first WAV_PROBE_BYTES of the open file `fd` without moving its file position and,
// when describe_unexpected_wav_format finds something, prints one line on standard error:
// "warning: <path> is <description>; it is processed as 16-bit stereo 44100 Hz anyway".
// A read error prints nothing (the block loop reports it).
void warn_about_unexpected_wav_format(int fd, const char* path);

}  // namespace zelmar
