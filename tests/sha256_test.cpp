#include "sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string every_byte_value() {
  std::string bytes;
  for (int value = 0; value < 256; ++value) bytes += static_cast<char>(value);
  return bytes;
}

struct Case {
  const char* what;
  std::string message;
  const char* digest;
};

TEST(Sha256, MatchesPublishedAndIndependentDigests) {
  const Case cases[] = {
      // Published test vectors.
      {"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"two blocks", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"million a", std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      // Lengths around the padding boundaries (the length field fits in the last block or not).
      {"55 a", std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {"56 a", std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {"63 a", std::string(63, 'a'), "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
      {"64 a", std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {"65 a", std::string(65, 'a'), "635361c48bb9eab14198e76ea8ab7f1a41685d6ad62aa9146d301d4f17eb0ae0"},
      // Bytes above 127 must not be sign-extended.
      {"bytes 0..255", every_byte_value(),
       "40aff2e9d2d8922e47afd4648e6967497158785fbd1da870e7110266bf944880"},
  };
  for (const Case& c : cases) EXPECT_EQ(sha256_hex(c.message), c.digest) << c.what;
}

}  // namespace
