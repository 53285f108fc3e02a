// The example deployment's thermometer bath and DMM bytes decode to rows.
#include <gtest/gtest.h>

#include <string>

#include "../../../tools/example/MinorExample.h"
#include "Context.h"
#include "TestSupport.h"
#include "setup/MeterType.h"

namespace {

TEST(MinorExample, RecordsDecodeToPlausibleRows) {
    rixtest::TempDir dir;
    rix::RecordingReporter rep;
    rix::Context ctx{rep};
    rix::Run run{ctx};
    rix::ResetAllChannels(run);
    ASSERT_EQ(rix::OpenChannelFile(run, 11, "Thermo_Bath", dir.path(), "x", ".000"), 1);
    ASSERT_EQ(rix::OpenChannelFile(run, 12, "DMM22812", dir.path(), "x", ".000"), 1);
    rix::ChannelSetup thermo, dmm;
    thermo.type = rix::kThermoBath;
    dmm.type = rix::kDmm22812;
    for (int i = 0; i < 160; ++i) {
        const double t = 125.0 * i;
        if (i % 8 == 0) {
            auto b = rixexample::ThermoBathRecord(i / 8, t);
            rix::DispatchRecord(run, 11, thermo, 1, 0, 0, t, static_cast<int>(b.size()), b.data(),
                                run.channelState.outputs.streams[11]);
        }
        auto d = rixexample::DmmRecord(i, t);
        rix::DispatchRecord(run, 12, dmm, 1, 0, 0, t, static_cast<int>(d.size()), d.data(),
                            run.channelState.outputs.streams[12]);
    }
    rix::CloseAllOutputs(run);
    EXPECT_EQ(run.channelState.writers[11].linesWritten, 20);  // one row per internal frame
    EXPECT_EQ(run.channelState.writers[12].linesWritten, 20);
    std::string rows = rixtest::ReadFile(dir.file("x_12_DMM22812.000"));
    EXPECT_EQ(rows.substr(0, 33), "Time(ms)\t_DC mA\r\n875\t12.06\r\n1875\t");
    EXPECT_TRUE(rep.boxes.empty());
}

}  // namespace
