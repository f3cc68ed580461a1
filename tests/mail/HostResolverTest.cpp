// The name lookup beside the mail handler's loop: polled, given up without waiting, its threads
// joined once they have ended and never more of them than the limit.

#include "HostResolver.h"
#include "MailTestSupport.h"

#include <gtest/gtest.h>

#include <netdb.h>
#include <stdexcept>

namespace {

using namespace std::chrono_literals;

std::string AddressText(const SHostAddress& address) {
    char text[INET6_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(&address.Address);
    ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(in->sin_port));
}

TEST(HostResolverTest, ASlowLookupIsPolledUntilItEndsAndItsThreadIsJoined) {
    auto slow = std::make_shared<CSlowResolver>();
    CHostResolver resolver(slow->Function());
    int error = 0;
    ASSERT_TRUE(resolver.Start("mail.example.test", 2525, error));
    ASSERT_TRUE(WaitFor([&] { return slow->Entered() == 1; }));

    std::vector<SHostAddress> addresses;
    EXPECT_EQ(resolver.Poll(addresses, error), CHostResolver::HOSTRES_BUSY);
    EXPECT_EQ(resolver.ThreadCount(), 1u);
    slow->Open();
    int result = CHostResolver::HOSTRES_BUSY;
    ASSERT_TRUE(
        WaitFor([&] { return (result = resolver.Poll(addresses, error)) != CHostResolver::HOSTRES_BUSY; }));
    EXPECT_EQ(result, CHostResolver::HOSTRES_DONE);
    ASSERT_EQ(addresses.size(), 1u);
    EXPECT_EQ(AddressText(addresses[0]), "127.0.0.1:2525");
    EXPECT_EQ(resolver.ThreadCount(), 0u);

    // An unknown name fails with the resolver's code.
    ASSERT_TRUE(resolver.Start("no-such-host.invalid", 25, error));
    ASSERT_TRUE(
        WaitFor([&] { return (result = resolver.Poll(addresses, error)) != CHostResolver::HOSTRES_BUSY; }));
    EXPECT_EQ(result, CHostResolver::HOSTRES_FAILED);
    EXPECT_EQ(error, EAI_NONAME);
}

TEST(HostResolverTest, GivenUpLookupsRunOnUntilTheyEndAndAHangingResolverGetsNoMoreThreads) {
    auto slow = std::make_shared<CSlowResolver>();
    {
        CHostResolver resolver(slow->Function());
        int error = 0;
        for (std::size_t i = 0; i < CHostResolver::MAX_ABANDONED; ++i) {
            ASSERT_TRUE(resolver.Start("mail.example.test", 25, error));
            resolver.Cancel(); // returns at once although the lookup hangs
        }
        EXPECT_EQ(resolver.ThreadCount(), CHostResolver::MAX_ABANDONED);
        // One more would be one more stuck thread: refused at once.
        EXPECT_FALSE(resolver.Start("mail.example.test", 25, error));
        EXPECT_EQ(error, EAI_AGAIN);

        // Once they end, they are joined by the next call, and lookups work again.
        slow->Open();
        ASSERT_TRUE(
            WaitFor([&] { return slow->Finished() == static_cast<int>(CHostResolver::MAX_ABANDONED); }));
        ASSERT_TRUE(resolver.Start("mail.example.test", 25, error));
        std::vector<SHostAddress> addresses;
        ASSERT_TRUE(WaitFor([&] { return resolver.Poll(addresses, error) == CHostResolver::HOSTRES_DONE; }));
        EXPECT_EQ(resolver.ThreadCount(), 0u);
    }

    // A resolver going away waits for a lookup that still runs: no thread outlives it.
    auto late = std::make_shared<CSlowResolver>();
    auto resolver = std::make_unique<CHostResolver>(late->Function());
    int error = 0;
    ASSERT_TRUE(resolver->Start("mail.example.test", 25, error));
    resolver->Cancel();
    std::thread opener([&] {
        std::this_thread::sleep_for(50ms);
        late->Open();
    });
    resolver.reset();
    EXPECT_EQ(late->Finished(), 1);
    opener.join();
}

TEST(HostResolverTest, AResolverThatThrowsOrFindsNothingFails) {
    CHostResolver resolver([](const std::string&, std::uint16_t, std::vector<SHostAddress>&) -> int {
        throw std::runtime_error("resolver broke");
    });
    int error = 0;
    std::vector<SHostAddress> addresses;
    ASSERT_TRUE(resolver.Start("mail.example.test", 25, error));
    ASSERT_TRUE(WaitFor([&] { return resolver.Poll(addresses, error) == CHostResolver::HOSTRES_FAILED; }));
    EXPECT_EQ(error, EAI_FAIL);

    resolver.SetResolveFunction(
        [](const std::string&, std::uint16_t, std::vector<SHostAddress>&) { return 0; });
    ASSERT_TRUE(resolver.Start("mail.example.test", 25, error));
    ASSERT_TRUE(WaitFor([&] { return resolver.Poll(addresses, error) == CHostResolver::HOSTRES_FAILED; }));
    EXPECT_EQ(error, EAI_NONAME);

    // The system resolver itself, on a name that needs no name server.
    EXPECT_EQ(CHostResolver::SystemResolve("localhost", 25, addresses), 0);
    EXPECT_FALSE(addresses.empty());
}

} // namespace
