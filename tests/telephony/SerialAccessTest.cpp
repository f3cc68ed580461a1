// A serial device that refuses this user is explained in plain words (which group to join), both
// by the check itself and by the telephone manager of the station without windows. Tests run as
// root here, which the kernel never refuses: the refusal comes from an injected open function,
// and the real one is checked where the test runs as another user.

#include "SerialAccess.h"
#include "LinkedPty.h"
#include "RecordingFrontEnd.h"
#include "RecordingSink.h"
#include "Settings.h"
#include "TelMgr.h"
#include "TempDir.h"
#include "Translate.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const NO_RIGHT = "The station has no right to use the serial port %s (%s). The user %s must be a "
                             "member of the group \"%s\": ask the system administrator to add the user to "
                             "that group, then log out and log in again.";

class CRetryingFrontEnd : public CRecordingFrontEnd {
public:
    bool RetryMissingPort() override { return true; }
};

// The kernel's answer to a user outside the device's group.
int Refuse(const char*, int) {
    errno = EACCES;
    return -1;
}

class SerialAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir.Enter();
        m_dir.UseAsSettingsFolder();
        CTempDir::SetEnvironment("MORA_SERIAL_DIR", m_dir.Path().c_str());
        Text::SetTranslator([](const std::string& tag) -> std::string {
            if (tag == "IDS_SETCOMPORT_MSG_1") {
                return NO_RIGHT;
            }
            if (tag == "IDS_TELMGR_MSG_2") {
                return "Telephone Modem Serial Port Error";
            }
            if (tag == "IDS_TELMGR_MSG_13") {
                return "TEL: Com Error";
            }
            if (tag == "IDC_SET_COMPORT_UNABLE_TO_OPEN") {
                return "Unable to open the serial port !!";
            }
            return Text::NOT_AVAILABLE;
        });
    }
    void TearDown() override {
        SerialAccess::SetOpenFunction({});
        Text::SetTranslator({});
        CTempDir::SetEnvironment("MORA_SERIAL_DIR", nullptr);
    }

    // The note expected for COMn on the pseudo-terminal: its device, this user, its group.
    static std::string Expected(int port, const CLinkedPty& pty) {
        struct stat st {};
        EXPECT_EQ(::stat(pty.Device().c_str(), &st), 0);
        const group* gr = ::getgrgid(st.st_gid);
        const passwd* pw = ::getpwuid(::geteuid());
        return Text::Format(NO_RIGHT, ("COM" + std::to_string(port)).c_str(), pty.Device().c_str(),
                            pw != nullptr ? pw->pw_name : "?", gr != nullptr ? gr->gr_name : "?");
    }

    CTempDir m_dir;
};

} // namespace

TEST_F(SerialAccessTest, OnlyARefusedDeviceGetsTheNote) {
    CLinkedPty pty(m_dir.Path(), 4);
    ASSERT_FALSE(pty.Device().empty());

    EXPECT_EQ(SerialAccess::DeniedNote(4, Refuse), Expected(4, pty));
    // EPERM (a security module's refusal) is told the same way.
    EXPECT_EQ(SerialAccess::DeniedNote(4,
                                       [](const char*, int) {
                                           errno = EPERM;
                                           return -1;
                                       }),
              Expected(4, pty));

    // A device that opens, one that is missing and one that is busy get no note: the managers
    // report those as before.
    EXPECT_EQ(SerialAccess::DeniedNote(4), "");
    EXPECT_EQ(SerialAccess::DeniedNote(5), "");
    EXPECT_EQ(SerialAccess::DeniedNote(4,
                                       [](const char*, int) {
                                           errno = EBUSY;
                                           return -1;
                                       }),
              "");

    // The injected function stands in for open(2) until it is reset.
    SerialAccess::SetOpenFunction(Refuse);
    EXPECT_EQ(SerialAccess::DeniedNote(4), Expected(4, pty));
    SerialAccess::SetOpenFunction({});
    EXPECT_EQ(SerialAccess::DeniedNote(4), "");

    // Where the kernel does refuse (not root), the real open tells it too.
    if (::geteuid() != 0) {
        ASSERT_EQ(::chmod(pty.Device().c_str(), 0), 0);
        EXPECT_EQ(SerialAccess::DeniedNote(4), Expected(4, pty));
    }
}

TEST_F(SerialAccessTest, TheStationWithoutWindowsSaysWhichGroupToJoin) {
    // Another program holds the port, so that the handler cannot open it even as root; the check
    // hears the refusal a user outside the group would get.
    CLinkedPty pty(m_dir.Path(), 4);
    ASSERT_TRUE(pty.Hold());
    SerialAccess::SetOpenFunction(Refuse);

    CRetryingFrontEnd frontEnd;
    CSettings settings;
    settings.Load();
    settings.TelEnabled = 1;
    settings.TelComPort = 4;
    ASSERT_TRUE(settings.SaveAll());
    CRecordingSink database;
    CTelMgr mgr;
    mgr.Init(&frontEnd, &settings);

    EXPECT_EQ(mgr.Start(&database), 1);
    EXPECT_TRUE(mgr.WaitingForPort()) << "it goes on trying the port";
    EXPECT_EQ(frontEnd.Pane(3), "TEL: Com Error");
    ASSERT_EQ(frontEnd.systemInfo.size(), 1u);
    EXPECT_EQ(frontEnd.systemInfo[0].text, "Telephone Modem Serial Port Error: " + Expected(4, pty));
    EXPECT_TRUE(frontEnd.systemInfo[0].toFront);
    EXPECT_EQ(settings.TelEnabled, 1) << "the modem stays enabled";
    mgr.Stop();
}
