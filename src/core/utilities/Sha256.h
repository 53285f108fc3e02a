// SHA-256 (FIPS 180-4) of byte strings and files: the fingerprints the
// NetCDF output records of the archive and of the device files it used.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rix {

class Sha256 {
public:
    Sha256();
    void Update(const void* data, size_t size);
    // The digest; the object is spent afterwards.
    std::array<uint8_t, 32> Final();
    // The digest as 64 lowercase hexadecimal digits.
    std::string FinalHex();

private:
    void Block(const uint8_t* block);
    uint32_t state_[8];
    uint8_t buffer_[64];
    size_t buffered_ = 0;
    uint64_t length_ = 0;  // bytes hashed
};

std::string Sha256Hex(std::string_view data);
// The file's digest in hexadecimal; false when it cannot be read to its end.
bool Sha256File(const std::string& path, std::string& hex);

}  // namespace rix
