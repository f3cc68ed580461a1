#include "ProtCom.h"

#include <gtest/gtest.h>

namespace {

// A protocol that overrides only what it must: the base answers the rest.
class CMinimalProtCom : public CProtCom {
  public:
    std::uint16_t ReceiveMsg(std::unique_ptr<CTelHandlerMsg>&) override {
        return PROTCOM_RMRET_RECEIVE_TIMEOUT;
    }
    std::uint16_t SendDisconnect() override { return PROTCOM_SDRET_DONE; }
};

TEST(ProtComBase, OptionalOperationsAreDoneAtOnceAndNeverAskForTimeUpdates) {
    CMinimalProtCom protocol;
    protocol.Init(nullptr, nullptr);
    EXPECT_EQ(protocol.SendTimeUpdate(), PROTCOM_STRET_DONE);
    EXPECT_EQ(protocol.SendRedirect(0), PROTCOM_SDRET_DONE);
    EXPECT_EQ(protocol.SendRedirect(1), PROTCOM_SDRET_DONE);
    EXPECT_EQ(protocol.CanRedirect(), 0);
    for (std::uint16_t second = 0; second < 600; ++second) {
        ASSERT_EQ(protocol.IsTimeUpdateDue(second), 0);
    }
}

} // namespace
