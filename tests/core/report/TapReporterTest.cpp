#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/Reporter.h"

namespace {

TEST(TapReporter, PassesEverythingOnAndCopiesABoundedList) {
    rix::RecordingReporter target;
    rix::TapReporter tap(target);
    tap.ShowError("untapped", "x");
    std::vector<std::string> copies;
    tap.Attach(&copies);
    tap.ShowError("SBE .CON File Error", ".CON file is not selected as SBE19\n");
    tap.Print("\nChannel 11:  Type 9 Not Valid\n");
    tap.SetStatus("Channel 11");  // statuses are no messages of the channel
    for (int i = 0; i < 250; ++i) tap.Print("\nline\n");
    tap.Attach(nullptr);
    tap.Print("after");

    EXPECT_EQ(target.boxes.size(), 2u);
    EXPECT_EQ(target.statuses, std::vector<std::string>{"Channel 11"});
    EXPECT_EQ(target.out.size(), std::string("\nChannel 11:  Type 9 Not Valid\n").size() + 250 * 6 + 5);
    ASSERT_EQ(copies.size(), rix::TapReporter::kMaxCopies + 1);
    EXPECT_EQ(copies[0], "SBE .CON File Error: .CON file is not selected as SBE19");
    EXPECT_EQ(copies[1], "Channel 11:  Type 9 Not Valid");
    EXPECT_EQ(copies[99], "line");
    EXPECT_EQ(copies.back(), "... and 152 further messages");
}

}  // namespace
