// A read error in a merge input is not its end: no cut line is delivered and
// the pair fails with a message naming the file.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "MergeSupport.h"
#include "merge/TextReader.h"

namespace {

// Reads of 8 bytes at most; the read numbered failAt fails with EIO.
using InjectedReadError = rixtest::InjectedReadError<rix::TextReader, 8>;

TEST(TextReader, ReadErrorEndsTheLinesWithoutACutOne) {
    rixtest::TempDir dir;
    rixtest::WriteFile(dir.file("a.txt"), "100\t1\r\n200\t2\r\n300\t3\r\n");
    rix::TextReader reader;
    ASSERT_TRUE(reader.Open(dir.file("a.txt")));
    std::vector<std::string> lines;
    {
        InjectedReadError fault(3);  // 16 bytes arrive: two whole lines and part of the third
        std::string_view line;
        while (reader.ReadLine(line)) lines.emplace_back(line);
    }
    EXPECT_EQ(lines, std::vector<std::string>({"100\t1\r\n", "200\t2\r\n"}));
    EXPECT_TRUE(reader.Failed());
    EXPECT_EQ(reader.Fault(), std::strerror(EIO));
    reader.Rewind();  // the fault stays until the file is opened again
    std::string_view line;
    EXPECT_FALSE(reader.ReadLine(line));
    ASSERT_TRUE(reader.Open(dir.file("a.txt")));
    EXPECT_FALSE(reader.Failed());
}

using rixtest::MergeFixture;

TEST_F(MergeFixture, ReadErrorInAnInputFailsThePair) {
    TimePair(0, "base", "merge", "B1M2");
    File("base.txt", "0\t1\r\n100\t2\r\n200\t3\r\n300\t4\r\n400\t5\r\n");
    File("merge.txt", "40\t7\r\n160\t8\r\n");
    int ok;
    {
        InjectedReadError fault(4);
        ok = Run();
    }
    EXPECT_EQ(ok, 0);
    bool named = false;
    for (const auto& box : rep.boxes)
        named = named || (box.title == "Read File Error" && box.text.find(": " + std::string(std::strerror(EIO))) !=
                                                                std::string::npos);
    EXPECT_TRUE(named) << Box(0);
    EXPECT_TRUE(rep.HasStatus("Merge Ended by an Error"));
}

}  // namespace
