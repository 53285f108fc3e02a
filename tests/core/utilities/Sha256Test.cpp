#include "utilities/Sha256.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace rix {
namespace {

void ExpectKnownVectors() {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the first block's padding.
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// The processor's SHA instructions, where present, and the portable rounds
// give the same digests, of the standard vectors and of every length across
// a few blocks.
TEST(Sha256, KnownVectorsWithAndWithoutTheProcessorsInstructions) {
    ExpectKnownVectors();
    std::string data;
    for (int i = 0; i < 300; ++i) data += static_cast<char>(i * 31 + i / 7);
    std::vector<std::string> fast;
    for (size_t n = 0; n <= data.size(); ++n) fast.push_back(Sha256Hex(std::string_view(data).substr(0, n)));
    Sha256::ForcePortable(true);
    EXPECT_FALSE(Sha256::Accelerated());
    ExpectKnownVectors();
    for (size_t n = 0; n <= data.size(); ++n)
        EXPECT_EQ(Sha256Hex(std::string_view(data).substr(0, n)), fast[n]) << n << " bytes";
    Sha256::ForcePortable(false);
}

TEST(Sha256, PiecesAndFilesGiveTheWholeDigest) {
    std::string data;
    for (int i = 0; i < 5000; ++i) data += static_cast<char>(i * 7 + i / 13);
    const std::string whole = Sha256Hex(data);
    // Pieces of every awkward size across the 64-byte blocks.
    Sha256 h;
    size_t at = 0;
    for (size_t n = 1; at < data.size(); n = n % 131 + 1) {
        const size_t take = std::min(n, data.size() - at);
        h.Update(data.data() + at, take);
        at += take;
    }
    EXPECT_EQ(h.FinalHex(), whole);

    const std::string path = (std::filesystem::temp_directory_path() / "rix_sha256_test.bin").string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
    std::string hex;
    EXPECT_TRUE(Sha256File(path, hex));
    EXPECT_EQ(hex, whole);
    std::filesystem::remove(path);
    EXPECT_FALSE(Sha256File(path, hex));
    EXPECT_TRUE(hex.empty());
}

}  // namespace
}  // namespace rix
