#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "meters/Ascii.h"

namespace {

// AppendLineTime on text in a buffer of exactly 1024 bytes; "" when refused.
std::string Stamp(const std::string& text, double time) {
    std::vector<char> buffer(1024, '\0');
    std::memcpy(buffer.data(), text.data(), text.size());
    int length = static_cast<int>(text.size());
    if (!rix::AppendLineTime(time, length, buffer.data())) return "";
    EXPECT_EQ(buffer[static_cast<size_t>(length)], '\0');
    return std::string(buffer.data(), static_cast<size_t>(length));
}

TEST(AppendLineTime, ReplacesTheLineEndAsItStands) {
    EXPECT_EQ(Stamp("12.5,3.25\r\n", 1234.4), "12.5,3.25,\t1234\r\n");
    EXPECT_EQ(Stamp("12.5 3.25\r\n", 1234.6), "12.5 3.25\t1235\r\n");
    EXPECT_EQ(Stamp("12.5,3.25\n", 77), "12.5,3.25,\t77\r\n");  // LF alone keeps the last digit
    EXPECT_EQ(Stamp("xy\n", 5), "xy\t5\r\n");
    EXPECT_EQ(Stamp("x\n", 5), "");
    EXPECT_EQ(Stamp("\r\n", 5), "");
}

TEST(AppendLineTime, AFullLineGivesUpTextInsteadOfOverflowing) {
    std::string full = Stamp(std::string(1021, 'z') + "\r\n", 123456789);
    EXPECT_EQ(full, std::string(1023 - 12, 'z') + "\t123456789\r\n");
}

}  // namespace
