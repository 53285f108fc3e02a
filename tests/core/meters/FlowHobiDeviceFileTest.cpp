// Flow meter and HOBI Labs device files, read through the channel's
// device-file step as an extraction does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Context.h"
#include "TestSupport.h"
#include "setup/MeterType.h"

namespace {

struct DeviceFileFixture : ::testing::Test {
    rixtest::TempDir dir;
    rix::RecordingReporter rep;
    rix::Context ctx{rep};
    rix::Run run{ctx};
    DeviceFileFixture() { rix::ResetAllChannels(run); }

    void Read(int type, const std::string& text, int id = 11) {
        rixtest::WriteFile(dir.file("METER.DEV"), text);
        rix::ChannelSetup setup;
        setup.type = type;
        setup.deviceFile = "METER.DEV";
        rep.Clear();
        rix::ResetChannel(run, id);
        rix::ReadChannelDeviceFile(run, 1, id, dir.path(), setup, nullptr);
    }
    const rix::ChannelWriter& W(int id = 11) const { return run.channelState.writers[id]; }
};

const std::string kFlowHead = "KXFLOW7\r\nsensors\r\n\r\n4\r\nslot id volume\r\n";

TEST_F(DeviceFileFixture, FlowDeviceFileMessages) {
    const std::string title = "KXFLow.dev File Error";
    const struct {
        std::string text, box, status;
        int slot1Id;  // slot 1 after the read
    } cases[] = {
        {kFlowHead + "1 11 2.5\r\n\r\n2 12 0\n", "", "Read KXFLOW Device File", 11},
        {"KXFLOW\r\n" + kFlowHead.substr(9) + "1 11 2.5\r\n", "", "Invalid Meter ID in KXFLOW*.dev file", 0},
        {"", "", "Invalid Meter ID in KXFLOW*.dev file", 0},
        {"KXFLOW7\r\na\r\nb\r\nfour\r\n", "", "Invalid Average Count in KXFLOW*.dev file", 0},
        {kFlowHead + "1 11 2.5\r\n5 12 1.0\r\n", "Invalid Flow Meter ID '5' in KXFLOW*.dev",
         "Invalid Flow Meter ID '5' in KXFLOW*.dev", 11},
        {kFlowHead + "1 50 2.5\r\n", "Invalid ID '50' in KXFLOW*.dev", "Read KXFLOW Device File", 0},
        {kFlowHead + "1 11 2.5\r\n2 12 -1.5\r\n",
         "Volume '-1.500000' is Less that 0.0 in KXFLOW*.dev", "Read KXFLOW Device File", 11},
        {kFlowHead + "1 11 nan\r\n", "Volume 'nan' is Less that 0.0 in KXFLOW*.dev",
         "Read KXFLOW Device File", 0},
        // The item count is checked first: slot 9 is never named.
        {kFlowHead + "9 12\r\n", "Invalid Line in KXFLOW*.dev file channel", "Read KXFLOW Device File", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Read(rix::kKxFlow, c.text);
        if (c.box.empty()) {
            EXPECT_TRUE(rep.boxes.empty());
        } else {
            ASSERT_EQ(rep.boxes.size(), 1u);
            EXPECT_EQ(rep.boxes[0].title, title);
            EXPECT_EQ(rep.boxes[0].text, c.box);
        }
        ASSERT_FALSE(rep.statuses.empty());
        EXPECT_EQ(rep.statuses.front(), "Read KXFLOW Device File");
        EXPECT_EQ(rep.statuses.back(), c.status);
        EXPECT_EQ(W().flow.slots[1].id, c.slot1Id);
        EXPECT_EQ(W().flow.loaded, c.slot1Id != 0);
    }
    Read(rix::kKxFlow, kFlowHead + "1 11 2.5\r\n2 12 0\n");
    EXPECT_EQ(W().flow.meterNumber, 7);
    EXPECT_EQ(W().flow.averageCount, 4);
    EXPECT_FLOAT_EQ(W().flow.slots[1].volume, 2.5f);
    EXPECT_EQ(W().flow.slots[2].id, 12);

    rix::DeviceFileCall call;
    call.channel = 50;
    rep.Clear();
    EXPECT_EQ(rix::ReadFlowDeviceFile(run, call), 0);
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_EQ(rep.boxes[0].title, "ID Range: 1-49");
    EXPECT_EQ(rep.boxes[0].text, "Invalid Channel ID 50 for KXFlow Meter *.dev file");
}

TEST_F(DeviceFileFixture, HobiDepthCalibrationKeysInAnyCase) {
    const std::string missing = "Unable to Read Depth Calibration in HobiLabs *.dev file";
    const struct {
        int type;
        std::string text;
        bool loaded;
        double scale, offset;
    } cases[] = {
        {rix::kAbeta, "a-Beta\r\ndepthoff=0.5\r\nDEPTHCAL=2.0\r\n", true, 2.0, 0.5},
        {rix::kCbeta, "DepthCal=3\nDepthOff=-4.25\nDepthCal=9\n", true, 3.0, -4.25},
        {rix::kHydroscat6, "DepthCal=2.0\r\n", false, 1.0, 0},
        {rix::kAbeta, "DepthCal=-1\r\nDepthOff=3\r\n", false, 1.0, 0},
        {rix::kAbeta, "DepthCal = 2\r\nDepthOff=x\r\n", false, 1.0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Read(c.type, c.text);
        EXPECT_TRUE(rep.boxes.empty());
        EXPECT_EQ(rep.statuses, c.loaded ? std::vector<std::string>{} : std::vector<std::string>{missing});
        EXPECT_EQ(W().hobi.loaded, c.loaded);
        EXPECT_EQ(W().hobi.scale, c.scale);
        EXPECT_EQ(W().hobi.offset, c.offset);
    }
    rix::DeviceFileCall call;
    call.channel = -3;
    rep.Clear();
    rix::ReadHobiDeviceFile(run, call);
    EXPECT_EQ(rep.out, "Invalid ID -3 for HobiLabs *.dev file, Range: 1-49\n");
}

TEST_F(DeviceFileFixture, MinorMetersDeviceFiles) {
    for (int type : {rix::kDmm22812, rix::kThermoBath, rix::kXmf}) {
        Read(type, "anything\r\n");
        EXPECT_TRUE(rep.boxes.empty()) << type;
    }
    Read(rix::kSbe32, "anything\r\n", 14);
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_EQ(rep.boxes[0].title, "Device File Error");
    EXPECT_EQ(rep.boxes[0].text, "Unsupported Device File for Channel 14 Type 37\n");
}

}  // namespace
