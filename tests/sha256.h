#pragma once
// SHA-256 (FIPS 180-4) for checking output files against their recorded hashes.

#include <string>
#include <string_view>

// Returns the SHA-256 digest of `data` (any bytes) as 64 lowercase hexadecimal characters.
std::string sha256_hex(std::string_view data);
