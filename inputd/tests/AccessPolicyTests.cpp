#include "AccessPolicy.h"

#include <gtest/gtest.h>

using rimglider::inputd::AccessPolicy;

// A root broker asking logind: SessionFollowingTests serve root and the active session's user and
// refuse a user without one.
TEST(AccessPolicy, WithoutLogindOnlyRootIsServedAndAnUnprivilegedBrokerServesItsOwnUserWhateverTheSessions)
{
    EXPECT_TRUE(AccessPolicy::allows(true, 0, 0, nullptr));
    EXPECT_FALSE(AccessPolicy::allows(true, 0, 1000, nullptr));
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
