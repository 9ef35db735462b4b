#include "framework/WindowProcChain.h"

#include <algorithm>

namespace parch {

struct TWindowProcChain::State {
    struct Node {
        std::uint64_t id;
        Member member;
    };
    // Oldest first; the ids grow with every join, so the order is the order of joining.
    std::vector<std::shared_ptr<Node>> members;
    std::uint64_t nextId = 1;
    bool closed = false;

    // The newest member that joined before `id` and is still in the chain.
    std::shared_ptr<Node> MemberBelow(std::uint64_t id) const {
        for (auto it = members.rbegin(); it != members.rend(); ++it)
            if ((*it)->id < id) return *it;
        return nullptr;
    }
};

// Hands the message to the member below `id`, or to `last` when none is left. Resolved when
// called, so members that left meanwhile are skipped and ones that joined later are not seen.
void TWindowProcChain::CallFrom(const std::shared_ptr<State>& state, std::uint64_t id, TMessage& message,
                                const TWndMethod& last) {
    if (state->closed) return;
    std::shared_ptr<State::Node> node = state->MemberBelow(id);
    if (!node) {
        if (last) last(message);
        return;
    }
    // The node is held for the call: a member may leave (and so drop its closure) while it runs.
    TWndMethod inherited = [state, below = node->id, &last](TMessage& m) { CallFrom(state, below, m, last); };
    node->member(message, inherited);
}

TWindowProcChain::TWindowProcChain() : state_(std::make_shared<State>()) {}

TWindowProcChain::~TWindowProcChain() { Close(); }

TWindowProcChain::Link TWindowProcChain::Join(Member member) {
    std::uint64_t id = state_->nextId++;
    state_->members.push_back(std::make_shared<State::Node>(State::Node{id, std::move(member)}));
    return Link(state_, id);
}

void TWindowProcChain::Call(TMessage& message, const TWndMethod& last) const {
    // Keeps the state for the whole call: the chain's owner may be destroyed by the message.
    std::shared_ptr<State> state = state_;
    CallFrom(state, UINT64_MAX, message, last);
}

void TWindowProcChain::Close() {
    state_->closed = true;
    state_->members.clear();
}

bool TWindowProcChain::Empty() const { return state_->members.empty(); }

TWindowProcChain::Link::Link(Link&& other) noexcept : state_(std::move(other.state_)), id_(other.id_) {
    other.state_.reset();
}

TWindowProcChain::Link& TWindowProcChain::Link::operator=(Link&& other) noexcept {
    if (this != &other) {
        Leave();
        state_ = std::move(other.state_);
        id_ = other.id_;
        other.state_.reset();
    }
    return *this;
}

void TWindowProcChain::Link::Leave() {
    std::shared_ptr<State> state = state_.lock();
    state_.reset();
    if (!state) return;
    std::erase_if(state->members, [id = id_](const std::shared_ptr<State::Node>& node) { return node->id == id; });
}

bool TWindowProcChain::Link::Joined() const {
    std::shared_ptr<State> state = state_.lock();
    if (!state) return false;
    return std::any_of(state->members.begin(), state->members.end(),
                       [id = id_](const std::shared_ptr<State::Node>& node) { return node->id == id; });
}

}  // namespace parch
