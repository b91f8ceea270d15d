#include "DeviceMonitor.h"

#include <gtest/gtest.h>

#include <linux/input.h>

using rimglider::inputd::DeviceMonitor;

TEST(DeviceMonitor, TouchpadIsBuiltInWhenEitherUdevVerdictSaysInternalElseByItsBus)
{
    struct Case {
        std::vector<std::string> properties;
        std::uint16_t bus;
        bool builtIn;
    };
    const std::vector<Case> cases = {
        {{"ID_INTEGRATION=internal"}, BUS_USB, true},
        {{"ID_INPUT_TOUCHPAD_INTEGRATION=internal"}, BUS_USB, true},
        // A keyboard dock: the device is external, its touchpad rule knows the pad is built in.
        {{"ID_INTEGRATION=external", "ID_INPUT_TOUCHPAD_INTEGRATION=internal"}, BUS_USB, true},
        {{"ID_INPUT_TOUCHPAD_INTEGRATION=internal", "ID_INTEGRATION=external"}, BUS_USB, true},
        {{"ID_INTEGRATION=internal", "ID_INPUT_TOUCHPAD_INTEGRATION=external"}, BUS_USB, true},
        {{"ID_INTEGRATION=external"}, BUS_I8042, false},
        {{"ID_INPUT_TOUCHPAD_INTEGRATION=external", "ID_INTEGRATION=external"}, BUS_I2C, false},
        {{"ID_INPUT=1"}, BUS_I8042, true},
        {{}, BUS_I2C, true},
        {{}, BUS_USB, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DeviceMonitor::isBuiltIn(c.properties, c.bus), c.builtIn)
            << ::testing::PrintToString(c.properties) << " bus " << c.bus;
}
