#include "Settings.h"
#include "Paths.h"
#include "RegistryValue.h"
#include "SettingsStore.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.UseAsSettingsFolder();
        dir.Enter();
    }
    std::string StoreFile() const { return dir.File("Settings.json"); }
    json Stored() const { return json::parse(CTempDir::ReadFile(StoreFile())); }
    void Store(const json& j) const { CTempDir::WriteFile(StoreFile(), j.dump()); }

    CTempDir dir;
};

} // namespace

TEST_F(SettingsTest, AnEmptyStoreGivesTheDefaultsAndWritesNothing) {
    CSettings s;
    EXPECT_TRUE(s.Load());
    SSettingsValues defaults;
    defaults.DatabasePath = Paths::WorkingDirectory();
    EXPECT_TRUE(s.Values() == defaults);
    EXPECT_EQ(s.DatabasePath.back(), '/');
    EXPECT_EQ(s.TelComPort, 1);
    EXPECT_EQ(s.GsmComPort, 2);
    EXPECT_EQ(s.GsmBaudrate, 9600);
    EXPECT_EQ(s.MailEnabled, 1);
    EXPECT_EQ(s.MailPortNumber, 25);
    EXPECT_EQ(s.MaxAlarmlistItems, 200);
    EXPECT_EQ(s.KeepAirMonths, 12);
    EXPECT_EQ(s.ColumnWidthIdInfo, 350);
    EXPECT_FALSE(fs::exists(StoreFile()));
}

TEST_F(SettingsTest, NumbersKeepTheirLowBitsAndWrongTypesGiveTheDefault) {
    Store({{"TelRingSignals", 70000},
           {"TelComPort", "3"},
           {"GsmBaudrate", 19200},
           {"MailPortNumber", 65535},
           {"KeepAirMonths", -1},
           {"SendMailServer", 42},
           {"MailHeader1", "Brennvik Service"},
           {"DatabasePath", "/var/lib/mora/"}});
    CSettings s;
    s.Load();
    EXPECT_EQ(s.TelRingSignals, 4464);
    EXPECT_EQ(s.TelComPort, 1);
    EXPECT_EQ(s.GsmBaudrate, 19200);
    EXPECT_EQ(s.MailPortNumber, 65535);
    EXPECT_EQ(s.KeepAirMonths, -1);
    EXPECT_EQ(s.SendMailServer, "");
    EXPECT_EQ(s.MailHeader1, "Brennvik Service");
    EXPECT_EQ(s.DatabasePath, "/var/lib/mora/");
}

TEST_F(SettingsTest, SaveAllWritesEveryKeyButThreeAndKeepsUnknownValues) {
    Store({{"NORD", 2}, {"Language", "de"}, {"SomethingNewer", "keep me"}});
    CSettings s;
    s.Load();
    s.TelEnabled = 1;
    s.Operator[3] = "Åsa";
    s.LastOperator = "not saved by save-all";
    ASSERT_TRUE(s.SaveAll());
    const json j = Stored();
    EXPECT_EQ(j["TelEnabled"], 1);
    EXPECT_EQ(j["Operator[3]"], "Åsa");
    EXPECT_EQ(j["Operator[9]"], "");
    EXPECT_EQ(j["DatabasePath"], Paths::WorkingDirectory());
    EXPECT_EQ(j["NORD"], 2);
    EXPECT_EQ(j["Language"], "de");
    EXPECT_EQ(j["SomethingNewer"], "keep me");
    EXPECT_FALSE(j.contains("LastOperator"));
    EXPECT_EQ(j.size(), 36u + 10u + 2u + 1u - 1u); // table keys minus NORD, plus the kept ones

    CSettings again;
    again.Load();
    EXPECT_TRUE(again.Values() == [&] {
        SSettingsValues v = s.Values();
        v.LastOperator.clear();
        return v;
    }());
}

TEST_F(SettingsTest, SaveLastOperatorWritesThatKeyAtOnce) {
    CSettings s;
    s.Load();
    ASSERT_TRUE(s.SaveLastOperator("Jörg"));
    EXPECT_EQ(s.LastOperator, "Jörg");
    const json j = Stored();
    EXPECT_EQ(j.size(), 1u);
    EXPECT_EQ(j["LastOperator"], "Jörg");
}

TEST_F(SettingsTest, AFailingWriteReportsFalseAndLeavesTheStoreAsItWas) {
    Store({{"TelEnabled", 0}});
    fs::create_directory(StoreFile() + ".tmp"); // the new file cannot be written
    CSettings s;
    s.Load();
    s.TelEnabled = 1;
    EXPECT_FALSE(s.SaveAll());
    EXPECT_EQ(s.TelEnabled, 1); // memory keeps the value
    EXPECT_EQ(Stored()["TelEnabled"], 0);
    EXPECT_EQ(Stored().size(), 1u);
}

TEST_F(SettingsTest, ACorruptFileIsMovedAsideAndReadsAsEmpty) {
    CTempDir::WriteFile(StoreFile(), "{\"TelEnabled\": 1, garbage");
    testing::internal::CaptureStderr();
    CSettings s;
    s.Load();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(s.TelEnabled, 0);
    EXPECT_NE(err.find("moved to"), std::string::npos);
    bool found = false;
    for (const auto& e : fs::directory_iterator(dir.Path())) {
        if (e.path().filename().string().rfind("Settings.json.corrupt-", 0) == 0) {
            found = true;
            EXPECT_EQ(CTempDir::ReadFile(e.path().string()), "{\"TelEnabled\": 1, garbage");
        }
    }
    EXPECT_TRUE(found);
    ASSERT_TRUE(s.SaveAll());
    EXPECT_EQ(Stored()["TelEnabled"], 0);
}

TEST_F(SettingsTest, EachGroupIsMarkedByItsOwnMembers) {
    const SSettingsValues base;
    auto groupsAfter = [&](auto change) {
        SSettingsValues v = base;
        change(v);
        return CSettings::ChangedGroups(base, v);
    };
    EXPECT_EQ(groupsAfter([](SSettingsValues&) {}), SETTINGS_GROUP_NONE);
    EXPECT_EQ(groupsAfter([](SSettingsValues& v) { v.TelComPort = 4; }), SETTINGS_GROUP_TEL);
    EXPECT_EQ(groupsAfter([](SSettingsValues& v) { v.TelEnabled = 1; }), SETTINGS_GROUP_TEL);
    EXPECT_EQ(groupsAfter([](SSettingsValues& v) { v.TelRingSignals = 3; }), SETTINGS_GROUP_TEL);
    EXPECT_EQ(groupsAfter([](SSettingsValues& v) { v.CpcEnabled = 1; }), SETTINGS_GROUP_TEL);
    EXPECT_EQ(groupsAfter([](SSettingsValues& v) { v.WirelessNetSel = 2; }), SETTINGS_GROUP_TEL);
    EXPECT_EQ(groupsAfter([](SSettingsValues& v) { v.VoiceCallEnabled = 1; }), SETTINGS_GROUP_TEL);
    EXPECT_EQ(groupsAfter([](SSettingsValues& v) { v.ExtRelayCtrl = 0; }), SETTINGS_GROUP_TEL);
    EXPECT_EQ(groupsAfter([](SSettingsValues& v) { v.GsmComPort = 5; }), SETTINGS_GROUP_GSM);
    EXPECT_EQ(groupsAfter([](SSettingsValues& v) { v.GsmEnabled = 1; }), SETTINGS_GROUP_GSM);
    EXPECT_EQ(groupsAfter([](SSettingsValues& v) { v.GsmBaudrate = 115200; }), SETTINGS_GROUP_GSM);
    EXPECT_EQ(groupsAfter([](SSettingsValues& v) { v.GsmPinCode = "1234"; }), SETTINGS_GROUP_GSM);
    EXPECT_EQ(groupsAfter([](SSettingsValues& v) { v.GsmWirelessNetSel = 6; }), SETTINGS_GROUP_GSM);
    EXPECT_EQ(groupsAfter([](SSettingsValues& v) { v.AcceptCallerIdTestAlarms = 1; }), SETTINGS_GROUP_GSM);
    EXPECT_EQ(groupsAfter([](SSettingsValues& v) { v.MailEnabled = 0; }), SETTINGS_GROUP_MAIL);
    EXPECT_EQ(groupsAfter([](SSettingsValues& v) { v.MaxAlarmlistItems = 500; }), SETTINGS_GROUP_DB);
    EXPECT_EQ(groupsAfter([](SSettingsValues& v) { v.UseCidPhoneNumber = 1; }), SETTINGS_GROUP_DB);
    EXPECT_EQ(groupsAfter([](SSettingsValues& v) { v.TestAlarmFilter = 1; }), SETTINGS_GROUP_DB);
    EXPECT_EQ(groupsAfter([](SSettingsValues& v) { v.KeepAirMonths = 24; }), SETTINGS_GROUP_DB);
    // Values that take effect when next used restart nothing.
    EXPECT_EQ(groupsAfter([](SSettingsValues& v) {
                  v.AlarmListRefreshInterval = 60;
                  v.DatabasePath = "/elsewhere/";
                  v.SendMailServer = "smtp.example.com";
                  v.AlarmPopUpEnabled = 0;
                  v.ColumnWidthType = 10;
                  v.Operator[0] = "Eva";
              }),
              SETTINGS_GROUP_NONE);
    EXPECT_EQ(groupsAfter([](SSettingsValues& v) {
                  v.TelEnabled = 1;
                  v.GsmEnabled = 1;
                  v.MailEnabled = 0;
                  v.KeepAirMonths = 1;
              }),
              SETTINGS_GROUP_TEL | SETTINGS_GROUP_GSM | SETTINGS_GROUP_MAIL | SETTINGS_GROUP_DB);
}

TEST_F(SettingsTest, RegistryStringsAreLimitedAndFailuresReadEmpty) {
    RegistryValueStr language(MORA_SETTINGS_KEY, "Language");
    EXPECT_FALSE(language.Exists());
    EXPECT_EQ(language.Get(), "");
    EXPECT_EQ(language.LastError(), RegistryValue::EError::CannotOpenKey);
    EXPECT_STREQ(RegistryValue::ErrorTag(language.LastError()), "IDS_REGISTRYVALUE_MSG_2");

    ASSERT_TRUE(language.Set("se"));
    EXPECT_TRUE(language.Exists());
    EXPECT_EQ(language.Get(), "se");

    ASSERT_TRUE(language.Set(std::string(99, 'x')));
    EXPECT_EQ(language.Get(), std::string(99, 'x'));
    ASSERT_TRUE(language.Set(std::string(120, 'x')));
    EXPECT_EQ(language.Get(), "");

    Store({{"Language", 5}});
    EXPECT_EQ(language.Get(), "");
    EXPECT_EQ(language.LastError(), RegistryValue::EError::WrongType);

    RegistryValue number(MORA_SETTINGS_KEY, "NORD", RegistryValue::EType::Number);
    std::int32_t nord = 0;
    EXPECT_FALSE(number.ReadNumber(nord));
    EXPECT_EQ(number.LastError(), RegistryValue::EError::QueryFailed);
    ASSERT_TRUE(number.WriteNumber(3));
    EXPECT_TRUE(number.ReadNumber(nord));
    EXPECT_EQ(nord, 3);
}

TEST_F(SettingsTest, KeyPathsMapToFilesInTheSettingsFolder) {
    EXPECT_EQ(CSettingsStore::FileForKeyPath(MORA_SETTINGS_KEY), StoreFile());
    EXPECT_EQ(CSettingsStore(MORA_SETTINGS_KEY).FilePath(), StoreFile());
    EXPECT_EQ(Paths::SettingsFolder(), dir.Path());
}

TEST_F(SettingsTest, SerialPortsMapToDevices) {
    unsetenv("MORA_SERIAL_DIR");
    EXPECT_EQ(Paths::SerialDevice(1), "/dev/ttyS0");
    fs::create_directory(dir.File("serial"));
    fs::create_symlink("/dev/null", dir.File("serial/COM3"));
    EXPECT_EQ(Paths::SerialDevice(3), dir.File("serial/COM3"));
    setenv("MORA_SERIAL_DIR", "/tmp/ptys", 1);
    EXPECT_EQ(Paths::SerialDevice(3), "/tmp/ptys/COM3");
    unsetenv("MORA_SERIAL_DIR");
}
