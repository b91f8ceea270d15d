#include "AccessPolicy.h"

#include <gtest/gtest.h>

using rimglider::inputd::AccessPolicy;

TEST(AccessPolicy, RootBrokerServesRootAndUsersWithTheActiveSessionOnTheSeat)
{
    const auto active = [](uid_t uid) { return uid == 1000; };
    EXPECT_TRUE(AccessPolicy::allows(true, 0, 0, active));
    EXPECT_TRUE(AccessPolicy::allows(true, 0, 1000, active));
    EXPECT_FALSE(AccessPolicy::allows(true, 0, 1001, active));
    EXPECT_FALSE(AccessPolicy::allows(true, 0, 65534, active));
    // Without a way to ask logind nobody but root is served.
    EXPECT_TRUE(AccessPolicy::allows(true, 0, 0, nullptr));
    EXPECT_FALSE(AccessPolicy::allows(true, 0, 1000, nullptr));
}

TEST(AccessPolicy, UnprivilegedBrokerServesOnlyItsOwnUserWhateverTheSessions)
{
    int asked = 0;
    const auto everyoneActive = [&](uid_t) {
        ++asked;
        return true;
    };
    EXPECT_TRUE(AccessPolicy::allows(false, 1000, 1000, everyoneActive));
    EXPECT_FALSE(AccessPolicy::allows(false, 1000, 0, everyoneActive));
    EXPECT_FALSE(AccessPolicy::allows(false, 1000, 1001, everyoneActive));
    EXPECT_EQ(asked, 0);
}
