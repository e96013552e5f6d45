// The hook library's low-level hook, put back every few seconds in case the
// system removed it without a word: the new one is in before the old one
// goes, so no event finds none, and a refused new one leaves the old in place.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hookdll/HookRenewal.h"

namespace {

// The system's hook chain: which hooks are in place, and the fewest there
// were after a removal while the program held one.
struct TSystemHooks {
    std::vector<int> InPlace;
    std::vector<std::string> Calls;
    int Next = 1;
    bool Refuses = false;
    size_t FewestAfterRemove = 99;

    int Install()
    {
        Calls.push_back("install");
        if (Refuses)
            return 0;
        InPlace.push_back(Next);
        return Next++;
    }
    void Remove(int hook)
    {
        Calls.push_back("remove " + std::to_string(hook));
        InPlace.erase(std::remove(InPlace.begin(), InPlace.end(), hook), InPlace.end());
        FewestAfterRemove = std::min(FewestAfterRemove, InPlace.size());
    }
    int Renew(int current)
    {
        return RenewHook(current, [this] { return Install(); }, [this](int h) { Remove(h); });
    }
};

TEST(HookRenewal, TheNewHookIsInBeforeTheOldOneGoes)
{
    TSystemHooks system;
    int hook = system.Install();
    for (int i = 0; i < 3; ++i)
        hook = system.Renew(hook);
    const std::vector<std::string> calls = {"install", "install", "remove 1", "install",
                                            "remove 2", "install", "remove 3"};
    EXPECT_EQ(calls, system.Calls);
    EXPECT_EQ(std::vector<int>{4}, system.InPlace);
    EXPECT_EQ(4, hook);
    EXPECT_EQ(1u, system.FewestAfterRemove) << "an event could have found no hook";
}

TEST(HookRenewal, AHookTheSystemRemovedIsReplaced)
{
    TSystemHooks system;
    int hook = system.Install();
    system.InPlace.clear(); // timed out: gone, and nobody is told
    hook = system.Renew(hook);
    EXPECT_EQ(std::vector<int>{2}, system.InPlace);
    EXPECT_EQ(2, hook);
}

TEST(HookRenewal, ARefusedNewHookLeavesTheOldOneInPlace)
{
    TSystemHooks system;
    int hook = system.Install();
    system.Refuses = true;
    hook = system.Renew(hook);
    EXPECT_EQ(1, hook);
    EXPECT_EQ(std::vector<int>{1}, system.InPlace);
    EXPECT_EQ((std::vector<std::string>{"install", "install"}), system.Calls);

    // Once the system takes one again, the old one goes as usual.
    system.Refuses = false;
    hook = system.Renew(hook);
    EXPECT_EQ(std::vector<int>{2}, system.InPlace);
    EXPECT_EQ(2, hook);
}

} // namespace
