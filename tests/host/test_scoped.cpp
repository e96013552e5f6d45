// The owner every Win32 handle, library reference and COM interface of the
// program and the hook library is kept in: each value given back exactly
// once, and never one that owns nothing.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "framework/Scoped.h"

namespace {

// Like a kernel handle: 0 and -1 both own nothing.
std::vector<int> g_closed;

struct TFakeTraits {
    typedef int TValue;
    static int Empty() { return 0; }
    static bool Holds(int value) { return value != 0 && value != -1; }
    static void Close(int value) { g_closed.push_back(value); }
};
typedef TScoped<TFakeTraits> TFake;

class Scoped : public ::testing::Test {
protected:
    void SetUp() override { g_closed.clear(); }
};

TEST_F(Scoped, GivesBackOnceAtTheEndAndNeverWhatOwnsNothing)
{
    {
        TFake owned(7), none, failed(-1);
        EXPECT_TRUE(owned);
        EXPECT_FALSE(none);
        EXPECT_FALSE(failed);
        EXPECT_EQ(failed.Get(), -1);
    }
    EXPECT_EQ(g_closed, std::vector<int>{7});
}

TEST_F(Scoped, AMoveHandsOnWithoutGivingBack)
{
    {
        TFake from(3);
        TFake to(std::move(from));
        EXPECT_FALSE(from);
        EXPECT_EQ(to.Get(), 3);
        EXPECT_TRUE(g_closed.empty());

        TFake other(4);
        other = std::move(to); // 4 goes back, 3 moves on
        EXPECT_EQ(g_closed, std::vector<int>{4});
        auto& self = other;
        other = std::move(self);
        EXPECT_EQ(other.Get(), 3);
        EXPECT_EQ(g_closed, std::vector<int>{4});
    }
    EXPECT_EQ(g_closed, (std::vector<int>{4, 3}));
}

TEST_F(Scoped, DetachResetAndPut)
{
    {
        TFake kept(5);
        EXPECT_EQ(kept.Detach(), 5); // a reference handed on on purpose
        EXPECT_FALSE(kept);

        TFake reset(6);
        reset.Reset(6); // the same value: still held, not given back
        EXPECT_TRUE(g_closed.empty());
        reset.Reset(8);
        EXPECT_EQ(g_closed, std::vector<int>{6});

        TFake filled(9);
        int* slot = filled.Put(); // as an out parameter: the old one first
        EXPECT_EQ(g_closed, (std::vector<int>{6, 9}));
        EXPECT_EQ(*slot, 0);
        *slot = 10;
    }
    EXPECT_EQ(g_closed, (std::vector<int>{6, 9, 10, 8}));
}

} // namespace
