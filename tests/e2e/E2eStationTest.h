#pragma once

#include "StationHarness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

// A test against one whole station (see CStationHarness): the devices run from the start; the
// test adjusts the settings and starts the station itself. On failure the logs are printed.
class CE2eStationTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(m_station.StartDevices(error)) << error;
    }

    void TearDown() override {
        if (HasFailure()) {
            std::fputs(m_station.Diagnostics().c_str(), stdout);
        }
    }

    void StartStation() { ASSERT_TRUE(m_station.StartStation()) << "the station did not start"; }

    // The mail body the station writes for an alarm, with the headers of the settings left empty.
    static std::string AlarmMailBody(const std::string& typeText, const std::string& idInfo,
                                     const std::string& idCode, const std::string& textLines = {}) {
        const std::string stars(43, '*');
        return "\r\n" + stars + "\r\nALARM FROM MORA ALARM-RECEIVER\r\n\r\n\r\n" + stars +
               "\r\nAlarm Type: " + typeText + "\r\nID Info: " + idInfo + "\r\nID Code: " + idCode + "\r\n" +
               textLines + stars +
               "\r\n\r\nThis message was sent by an alarm receiver from Brennvik Sweden AB\r\n" +
               "www.brennvik.se\r\n";
    }

    CStationHarness m_station;
};
