// The desk start-up's decisions without a window: the account mutex. (The
// command line and the image lists are the clients' shared ones, tested
// with the shared code.)
#include "TavrelApp.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

TEST(DeskStartup, TheSecondHolderOfAnAccountMutexIsRefused) {
    CTavrelApp first;
    CTavrelApp second;
    CTavrelApp other;
    EXPECT_TRUE(first.CreateUserMutex(777001));
    EXPECT_FALSE(second.CreateUserMutex(777001));
    EXPECT_TRUE(other.CreateUserMutex(777002));
}

}  // namespace
