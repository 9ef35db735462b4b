#pragma once
// A chain of window procedure members in front of a control's WindowProc. Objects that subclass
// a control they do not own (skin providers, scroll adapters, hooks of the program) join the
// chain and leave it in any order. The newest member sees a message first; what it hands on goes
// to the next member still in the chain at that moment, and after the last member to the
// control's own WindowProc. Leaving takes out only the member that leaves: it never reinstates
// what another member saw when it joined, and a member that left is never called again.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/UtilWindow.h"

namespace parch {

class TWindowProcChain {
    struct State;

public:
    // A member handles the message and calls `inherited` to hand it on (or not, to swallow it).
    using Member = std::function<void(TMessage& message, const TWndMethod& inherited)>;

    // Membership of one member; leaving happens at the latest when the link is destroyed.
    // A link outliving its chain leaves nothing.
    class Link {
    public:
        Link() = default;
        Link(Link&& other) noexcept;
        Link& operator=(Link&& other) noexcept;
        Link(const Link&) = delete;
        Link& operator=(const Link&) = delete;
        ~Link() { Leave(); }

        void Leave();
        // True while the member is in a chain that still exists.
        bool Joined() const;

    private:
        friend class TWindowProcChain;
        Link(std::weak_ptr<State> state, std::uint64_t id) : state_(std::move(state)), id_(id) {}
        std::weak_ptr<State> state_;
        std::uint64_t id_ = 0;
    };

    TWindowProcChain();
    TWindowProcChain(const TWindowProcChain&) = delete;
    TWindowProcChain& operator=(const TWindowProcChain&) = delete;
    // Closes the chain: a member still running finds nothing to hand on to.
    ~TWindowProcChain();

    [[nodiscard]] Link Join(Member member);
    // Runs the message through the members, newest first, and then through `last`.
    void Call(TMessage& message, const TWndMethod& last) const;
    // Closes the chain early (the owner is going): members already running hand on to nothing,
    // and no member is called again.
    void Close();
    bool Empty() const;

private:
    static void CallFrom(const std::shared_ptr<State>& state, std::uint64_t id, TMessage& message,
                         const TWndMethod& last);
    std::shared_ptr<State> state_;
};

}  // namespace parch
