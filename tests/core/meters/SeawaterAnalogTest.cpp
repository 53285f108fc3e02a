#include <gtest/gtest.h>

#include <cmath>

#include "Context.h"
#include "TestSupport.h"
#include "meters/Analog.h"
#include "meters/Seawater.h"

namespace {

TEST(Seawater, CheckValues) {
    EXPECT_NEAR(rix::PracticalSalinity(4.2914, 15, 0), 35.000, 5e-4);
    // Conductivity ratio 1.888091 at 40 degrees and 10000 dbar.
    EXPECT_NEAR(rix::PracticalSalinity(1.888091 * 4.2914, 40, 10000), 40.000, 5e-4);
    EXPECT_EQ(rix::PracticalSalinity(0, 15, 0), 99);
    EXPECT_EQ(rix::PracticalSalinity(-1, 15, 0), 99);
    EXPECT_NEAR(rix::Density(35, 0, 0) - 1000, 28.106, 5e-4);
    EXPECT_NEAR(rix::Density(35, 25, 10000), 1062.538, 5e-4);
    EXPECT_NEAR(rix::DensityAtSurface(35, 0), rix::Density(35, 0, 0), 1e-9);
}

TEST(Analog, DeviceFilesAndConversions) {
    rix::RecordingReporter rep;
    rix::Context ctx(rep);
    rixtest::TempDir dir;
    rixtest::WriteFile(dir.file("m.dev"), "MORSTAR\r\nUNITS=ug/l\r\nVBLANK=0.05\r\nVSCALE=10\r\n");
    ASSERT_EQ(rix::ReadAnalogDeviceFile(ctx, 0, dir.file("m.dev")), 1);
    EXPECT_NEAR(rix::ConvertAnalog(ctx, 0, 1.05), 10.0, 1e-5);
    EXPECT_EQ(rix::AnalogUnits(ctx, 0), "ug/l");

    rixtest::WriteFile(dir.file("v.dev"), "OFFSET=0.5\nno number here\nSCALE=x\n");
    ASSERT_EQ(rix::ReadAnalogDeviceFile(ctx, 1, dir.file("v.dev")), 1);
    EXPECT_NEAR(rix::ConvertAnalog(ctx, 1, 2.0), 1.5, 1e-6);  // no kind keyword: VOLTAGE
    EXPECT_EQ(rix::AnalogUnits(ctx, 1), " ");

    // KBEAM10 first matches KBEAM and ends as KBEAM10; T <= 0 has no attenuation.
    rixtest::WriteFile(dir.file("k.dev"), "KBEAM25\nVREF=4.5\nVDARK=0.05\n");
    ASSERT_EQ(rix::ReadAnalogDeviceFile(ctx, 2, dir.file("k.dev")), 1);
    EXPECT_NEAR(rix::ConvertAnalog(ctx, 2, 4.5), 0.0, 1e-6);
    EXPECT_FLOAT_EQ(rix::ConvertAnalog(ctx, 2, 0.05), 9999.9f);
    rixtest::WriteFile(dir.file("k10.dev"), "kbeam10\nVREF=1\nVDARK=1\n");
    ASSERT_EQ(rix::ReadAnalogDeviceFile(ctx, 3, dir.file("k10.dev")), 1);
    EXPECT_FLOAT_EQ(rix::ConvertAnalog(ctx, 3, 0.5), 9999.9f);  // reference = dark

    // A blank name leaves the slot; an unopenable file is reported and leaves it too.
    EXPECT_EQ(rix::ReadAnalogDeviceFile(ctx, 0, "   "), 0);
    EXPECT_EQ(rix::ReadAnalogDeviceFile(ctx, 0, dir.file("none.dev")), 0);
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_EQ(rep.boxes[0].title, "Device File Error");
    EXPECT_EQ(rep.boxes[0].text, "Error Opening Device File '" + dir.file("none.dev") + "' for Channel 0");
    EXPECT_EQ(rix::AnalogUnits(ctx, 0), "ug/l");
    rix::ResetAnalogSlot(ctx, 0);
    EXPECT_EQ(rix::AnalogUnits(ctx, 0), "Volts");
    EXPECT_NEAR(rix::ConvertAnalog(ctx, 0, 1.25), 1.25, 1e-6);
    rix::ResetAnalogSlot(ctx, 45);  // no such slot: nothing happens
}

}  // namespace
