// SHA-256 (FIPS 180-4) of byte strings and files: the fingerprints the
// NetCDF output records of the archive and of the device files it used.
#pragma once
#include <array>
#include <atomic>
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

    // Whether the processor's SHA instructions are used (x86-64 with SHA-NI).
    static bool Accelerated();
    // Tests: the portable rounds even where the instructions exist.
    static void ForcePortable(bool portable);

private:
    void Block(const uint8_t* block);
    void Blocks(const uint8_t* data, size_t count);
    uint32_t state_[8];
    uint8_t buffer_[64];
    size_t buffered_ = 0;
    uint64_t length_ = 0;  // bytes hashed
};

std::string Sha256Hex(std::string_view data);
// The file's digest in hexadecimal; false when it cannot be read to its end
// or `cancel` was set on the way.
bool Sha256File(const std::string& path, std::string& hex, const std::atomic<bool>* cancel = nullptr);

}  // namespace rix
