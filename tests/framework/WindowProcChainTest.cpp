// The window procedure chain: members join and leave in any order, a member that left is never
// called again, and the control's own procedure always comes last.

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FormFixture.h"
#include "framework/WindowProcChain.h"

namespace parch {
namespace {

constexpr UINT kProbe = WM_USER + 77;

// Records the names of the members a message passed, in order, ending with "base".
struct ChainRecorder {
    std::vector<std::string> seen;
    TWndMethod base = [this](TMessage&) { seen.push_back("base"); };

    TWindowProcChain::Member Member(std::string name) {
        return [this, name](TMessage& m, const TWndMethod& inherited) {
            seen.push_back(name);
            inherited(m);
        };
    }
    std::vector<std::string> Run(const TWindowProcChain& chain) {
        seen.clear();
        TMessage m{kProbe, 0, 0, 0};
        chain.Call(m, base);
        return seen;
    }
};

using Names = std::vector<std::string>;

TEST(WindowProcChainTest, MembersLeavingInEveryOrderTakeOutOnlyThemselves) {
    const Names names{"provider", "scroll", "foreign"};
    std::array<int, 3> order{0, 1, 2};
    do {
        SCOPED_TRACE("leaving " + names[order[0]] + ", " + names[order[1]] + ", " + names[order[2]]);
        ChainRecorder rec;
        TWindowProcChain chain;
        std::vector<TWindowProcChain::Link> links;
        for (const std::string& name : names) links.push_back(chain.Join(rec.Member(name)));
        EXPECT_EQ(rec.Run(chain), (Names{"foreign", "scroll", "provider", "base"}));

        Names joined = names;
        for (int index : order) {
            links[index].Leave();
            EXPECT_FALSE(links[index].Joined());
            std::erase(joined, names[index]);
            Names expected(joined.rbegin(), joined.rend());
            expected.push_back("base");
            EXPECT_EQ(rec.Run(chain), expected);
        }
        EXPECT_TRUE(chain.Empty());
    } while (std::next_permutation(order.begin(), order.end()));
}

TEST(WindowProcChainTest, LeavingDuringAMessageSkipsTheMemberFromThenOn) {
    ChainRecorder rec;
    TWindowProcChain chain;
    TWindowProcChain::Link lower = chain.Join(rec.Member("lower"));
    TWindowProcChain::Link upper = chain.Join([&](TMessage& m, const TWndMethod& inherited) {
        rec.seen.push_back("upper");
        lower.Leave();  // below, not reached yet: skipped by this very message
        upper.Leave();  // itself, while running: its closure stays alive until it returns
        inherited(m);
    });
    EXPECT_EQ(rec.Run(chain), (Names{"upper", "base"}));
    EXPECT_EQ(rec.Run(chain), (Names{"base"}));
}

TEST(WindowProcChainTest, AMemberJoiningDuringAMessageSeesOnlyLaterOnes) {
    ChainRecorder rec;
    TWindowProcChain chain;
    TWindowProcChain::Link late;
    TWindowProcChain::Link first = chain.Join([&](TMessage& m, const TWndMethod& inherited) {
        rec.seen.push_back("first");
        if (!late.Joined()) late = chain.Join(rec.Member("late"));
        inherited(m);
    });
    EXPECT_EQ(rec.Run(chain), (Names{"first", "base"}));
    EXPECT_EQ(rec.Run(chain), (Names{"late", "first", "base"}));
}

TEST(WindowProcChainTest, AMemberMaySwallowAMessage) {
    ChainRecorder rec;
    TWindowProcChain chain;
    TWindowProcChain::Link lower = chain.Join(rec.Member("lower"));
    TWindowProcChain::Link eater = chain.Join([&](TMessage& m, const TWndMethod&) {
        rec.seen.push_back("eater");
        m.Result = 5;
    });
    EXPECT_EQ(rec.Run(chain), (Names{"eater"}));
}

TEST(WindowProcChainTest, LinksOutlivingTheirChainLeaveNothing) {
    ChainRecorder rec;
    TWindowProcChain::Link link;
    TWindowProcChain::Link moved;
    {
        TWindowProcChain chain;
        link = chain.Join(rec.Member("a"));
        moved = std::move(link);
        EXPECT_FALSE(link.Joined());
        EXPECT_TRUE(moved.Joined());
    }
    EXPECT_FALSE(moved.Joined());
    moved.Leave();  // the chain is gone: a no-op
}

class WindowProcChainFormTest : public FormFixture {};

TEST_F(WindowProcChainFormTest, MessagesToTheWindowPassTheChainBeforeTheFormsWindowProc) {
    TForm* form = MakeForm(200, 100);
    Names seen;
    form->WindowProc = [&, old = form->WindowProc](TMessage& m) {
        if (m.Msg == kProbe) seen.push_back("form");
        old(m);
    };
    auto member = [&](std::string name) {
        return [&seen, name](TMessage& m, const TWndMethod& inherited) {
            if (m.Msg == kProbe) seen.push_back(name);
            inherited(m);
        };
    };
    TWindowProcChain::Link provider = form->WindowProcChain().Join(member("provider"));
    TWindowProcChain::Link adapter = form->WindowProcChain().Join(member("adapter"));

    SendMessage(form->Handle(), kProbe, 0, 0);
    form->Perform(kProbe);
    EXPECT_EQ(seen, (Names{"adapter", "provider", "form", "adapter", "provider", "form"}));

    // The provider goes first; the adapter leaving afterwards puts nothing back.
    provider.Leave();
    adapter.Leave();
    seen.clear();
    SendMessage(form->Handle(), kProbe, 0, 0);
    EXPECT_EQ(seen, (Names{"form"}));
    delete form;
}

TEST_F(WindowProcChainFormTest, AFormDestroyedFirstLeavesItsMembersHarmless) {
    TForm* form = MakeForm(200, 100);
    HWND window = form->Handle();
    int calls = 0;
    TWindowProcChain::Link member = form->WindowProcChain().Join([&](TMessage& m, const TWndMethod& inherited) {
        ++calls;
        if (m.Msg == kProbe) {
            delete form;  // a queued close freeing the form in the middle of a member's handler
            inherited(m);  // must not reach the freed form
            return;
        }
        inherited(m);
    });
    SendMessage(window, kProbe, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(member.Joined());
    int before = calls;
    member.Leave();
    EXPECT_EQ(calls, before);
}

}  // namespace
}  // namespace parch
