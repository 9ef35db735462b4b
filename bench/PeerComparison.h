#pragma once
// What every benchmark here shares: one iteration runs our side and each peer once, on the same
// input, in an order that alternates from iteration to iteration (neither side always finds the
// caches the other left). Our time is the iteration's manual time; each peer's time becomes the
// counters "<peer>_ms" and "vs_<peer>" (our time over theirs, below 1 means we are faster), and
// the label says in words where we are slower or faster.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace parch::bench {

using Clock = std::chrono::steady_clock;

template <typename F>
double SecondsOf(F&& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Peer {
    Peer(std::string name, std::function<void()> run, std::function<void()> prepare = {})
        : Name(std::move(name)), Run(std::move(run)), Prepare(std::move(prepare)) {}

    std::string Name;  // a counter name: no blanks
    std::function<void()> Run;
    std::function<void()> Prepare;  // when set, runs untimed before every Run
};

// "ours is 1.8x slower than qpdf", "ours is 2.5x faster than qpdf", or on par within 3 %.
inline std::string Verdict(double ours, double theirs, const std::string& peer) {
    char text[96];
    const double ratio = ours / theirs;
    if (ratio > 1.03) std::snprintf(text, sizeof text, "ours is %.2fx slower than %s", ratio, peer.c_str());
    else if (ratio < 1 / 1.03) std::snprintf(text, sizeof text, "ours is %.2fx faster than %s", 1 / ratio, peer.c_str());
    else std::snprintf(text, sizeof text, "ours is on par with %s (%.2fx)", peer.c_str(), ratio);
    return text;
}

// Sets the counters and the label from the total seconds of each side.
inline void ReportRatios(benchmark::State& state, double ours, const std::vector<std::pair<std::string, double>>& peers) {
    if (state.iterations() == 0 || ours <= 0) return;
    const double runs = static_cast<double>(state.iterations());
    std::string label;
    for (const auto& [name, seconds] : peers) {
        if (seconds <= 0) continue;
        state.counters[name + "_ms"] = 1000 * seconds / runs;
        state.counters["vs_" + name] = ours / seconds;
        label += (label.empty() ? "" : "; ") + Verdict(ours, seconds, name);
    }
    state.SetLabel(label);
}

// A peer that times its own work (a process of its own that measures around the operation
// alone) and answers the seconds.
struct SelfTimedPeer {
    std::string Name;  // a counter name: no blanks
    std::function<double()> Seconds;
};

// Runs the iterations of a benchmark registered with UseManualTime(). Every side runs once
// untimed first, so that no side's first timed run pays for cold memory. Ours and the peers run
// once per iteration in an order that alternates; a self-timed peer runs last in every
// iteration, so whichever side comes first follows the switch to it equally often. A side that
// throws ends the benchmark with its message.
inline void CompareWithPeers(benchmark::State& state, const std::function<void()>& ours, const std::vector<Peer>& peers,
                             const SelfTimedPeer* selfTimed = nullptr) {
    double oursTotal = 0, selfTimedTotal = 0;
    std::vector<double> peerTotals(peers.size(), 0.0);
    bool peersFirst = false;
    auto runPeers = [&](bool timed) {
        for (std::size_t i = 0; i < peers.size(); ++i) {
            if (peers[i].Prepare) peers[i].Prepare();
            const double seconds = SecondsOf(peers[i].Run);
            if (timed) peerTotals[i] += seconds;
        }
    };
    try {
        ours();
        runPeers(false);
        if (selfTimed) selfTimed->Seconds();
        for (auto _ : state) {
            if (peersFirst) runPeers(true);
            const double seconds = SecondsOf(ours);
            state.SetIterationTime(seconds);
            oursTotal += seconds;
            if (!peersFirst) runPeers(true);
            if (selfTimed) selfTimedTotal += selfTimed->Seconds();
            peersFirst = !peersFirst;
        }
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return;
    }
    std::vector<std::pair<std::string, double>> totals;
    for (std::size_t i = 0; i < peers.size(); ++i) totals.emplace_back(peers[i].Name, peerTotals[i]);
    if (selfTimed) totals.emplace_back(selfTimed->Name, selfTimedTotal);
    ReportRatios(state, oursTotal, totals);
}

}  // namespace parch::bench
