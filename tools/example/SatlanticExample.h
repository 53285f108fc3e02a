// Example deployment: a Satlantic-style radiometer with one irradiance
// channel and an internal temperature, sending one 28-byte binary frame per
// record ("SATEXR0101" + timer + fields + frame counter + checksum + CR LF).
//
// Channel setup line: "<id> SATLANTIC DEV=SATEXR.CAL" with the text of
// SatlanticExampleCalFile() saved as SATEXR.CAL in the device folder;
// 9600 baud, one record every 1000 ms.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace rixexample {

inline std::string SatlanticExampleCalFile() {
    return "# Example irradiance radiometer s/n 0101\r\n"
           "INSTRUMENT SATEXR '' 6 AS 0 NONE\r\n"
           "SN 0101 '' 4 AS 0 NONE\r\n"
           "\r\n"
           "# Seconds since power-up\r\n"
           "TIMER NONE 'sec' 10 AF 0 COUNT\r\n"
           "\r\n"
           "# Downwelling irradiance at 490 nm: a2 * a1 * (counts - a0)\r\n"
           "ES 490 'uW/cm^2/nm' 2 BU 1 OPTIC2\r\n"
           "1024.0 0.0025 1.0\r\n"
           "\r\n"
           "# Head temperature\r\n"
           "T HEAD 'C' 2 BU 1 POLYU\r\n"
           "-20.0 0.01\r\n"
           "\r\n"
           "FRAME COUNTER '' 1 BU 0 COUNT\r\n"
           "CHECK SUM '' 1 BU 0 COUNT\r\n"
           "CRLF TERMINATOR '' 2 BU 0 NONE\r\n";
}

// The frame of record `index` sent at `timeMs` (ms since power-up).
inline std::string SatlanticExampleRecord(long index, double timeMs) {
    const double pi = 3.14159265358979323846;
    const double phase = 2.0 * pi * timeMs / 600000.0;  // ten-minute light cycle
    const unsigned es = static_cast<unsigned>(21000.0 + 9000.0 * std::sin(phase));
    const unsigned t = static_cast<unsigned>(3500.0 + 150.0 * std::sin(phase / 6.0));
    char timer[16];
    std::snprintf(timer, sizeof timer, "%010.2f", std::fmod(timeMs / 1000.0, 9999999.0));
    std::string frame = std::string("SATEXR0101") + timer;
    frame += static_cast<char>((es >> 8) & 0xff);
    frame += static_cast<char>(es & 0xff);
    frame += static_cast<char>((t >> 8) & 0xff);
    frame += static_cast<char>(t & 0xff);
    frame += static_cast<char>(static_cast<unsigned long>(index) & 0xff);
    // The checksum byte brings the sum of the frame up to it to 0 modulo 256.
    unsigned sum = 0;
    for (char c : frame) sum += static_cast<unsigned char>(c);
    frame += static_cast<char>((256 - (sum & 0xff)) & 0xff);
    frame += "\r\n";
    return frame;
}

}  // namespace rixexample
