#pragma once
// Processor features, the library's tick count and interval timers, and the function registry:
// each group of speed-sensitive routines keeps its interchangeable implementations ("variants")
// in one registry, and fills the procedure variables through which callers reach them
// ("bindings") with the best variant the processor can run. Groups bind once, on first use,
// under the thread-safe initialisation of a function-local static.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Classes.h"

namespace parch {

enum TCpuFeature : std::uint8_t {
    cfMMX,
    cfExtendedMMX,
    cfSSE,
    cfSSE2,
    cf3DNow,
    cf3DNowExt,
    cfAVX2,
};

// A set of TCpuFeature: bit N stands for the feature of value N.
using TCpuFeatures = std::uint8_t;

constexpr TCpuFeatures FeatureSet(TCpuFeature feature) {
    return static_cast<TCpuFeatures>(1u << feature);
}
constexpr TCpuFeatures FeatureSet(TCpuFeature a, TCpuFeature b) {
    return static_cast<TCpuFeatures>(FeatureSet(a) | FeatureSet(b));
}
constexpr bool HasFeature(TCpuFeatures set, TCpuFeature feature) {
    return (set & FeatureSet(feature)) != 0;
}

// True when the processor (and, for AVX2, the operating system's saved register state) offers
// the feature. Always False away from x86-64.
bool ProbeCpuFeature(TCpuFeature feature);
// The features found by probing each one, probed once for the whole process.
TCpuFeatures CpuFeatures();

// The number of processors the operating system reports.
int ProcessorCount();

// Where the library's tick counts and timers read the time. The process's steady clock unless
// the program installs another, such as the window system's clock, so that on virtual time
// everything timed here runs on virtual time too. Both counts are 64-bit and never go back.
class ITimeSource {
public:
    virtual ~ITimeSource() = default;
    virtual std::int64_t Milliseconds() = 0;
    virtual std::int64_t Microseconds() = 0;
};

class TSteadyTimeSource final : public ITimeSource {
public:
    std::int64_t Milliseconds() override;
    std::int64_t Microseconds() override;
};

// Installs the source for every thread; nullptr goes back to the steady clock. A thread still
// reading the previous source keeps it alive until it is done.
void SetTimeSource(std::shared_ptr<ITimeSource> source);
// The same for a clock given as two readings, e.g.
//   SetTimeSource([] { return CurrentClock().NowMs(); }, [] { return CurrentClock().NowUs(); });
void SetTimeSource(std::function<std::int64_t()> milliseconds, std::function<std::int64_t()> microseconds);

// The millisecond tick count of the installed source.
std::int64_t TickMilliseconds();

// Measures intervals on the installed source's microsecond counter.
class TPerfTimer {
public:
    void StartTiming();
    // Microseconds from the last StartTiming (from counter 0 when it never ran).
    std::int64_t ElapsedMicroseconds();

    std::int64_t StartCount() const { return startCount_.load(); }
    std::int64_t StopCount() const { return stopCount_.load(); }

private:
    // Atomic, so that threads sharing one timer do not race on its counts.
    std::atomic<std::int64_t> startCount_{0};
    std::atomic<std::int64_t> stopCount_{0};
};

// One timer for the whole process, created on first use.
TPerfTimer& SharedPerfTimer();

// The address of a routine, kept without its type; the binding restores it.
using TFunctionCode = void (*)();

template <class F>
TFunctionCode ToFunctionCode(F* routine) {
    return reinterpret_cast<TFunctionCode>(routine);
}

struct TFunctionInfo {
    int FunctionID = 0;
    TFunctionCode Code = nullptr;
    TCpuFeatures Features = 0;
    int Flags = 0;
};

// Lower is better; NoPriority marks a variant that cannot be used.
using TFunctionPriority = std::function<int(const TFunctionInfo& variant)>;
constexpr int NoPriority = 0x7FFFFFFF;

// 0 when the processor has every feature the variant needs, NoPriority otherwise.
int DefaultPriority(const TFunctionInfo& variant);

class TFunctionRegistry : public TPersistent {
public:
    explicit TFunctionRegistry(std::string name) : name_(std::move(name)) {}

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }

    template <class F>
    void AddVariant(int functionID, F* code, TCpuFeatures features = 0, int flags = 0) {
        variants_.push_back({functionID, ToFunctionCode(code), features, flags});
    }

    // target is the procedure variable that BindAll fills for functionID.
    template <class F>
    void AddBinding(int functionID, F** target) {
        targets_.push_back({functionID, [target](TFunctionCode code) {
                                *target = reinterpret_cast<F*>(code);
                            }});
    }

    // The variant with the lowest priority below NoPriority; among equals, the one registered
    // last. nullptr when none is usable. A null priority means DefaultPriority.
    TFunctionCode FindVariant(int functionID, const TFunctionPriority& priority = {}) const;

    template <class F>
    F* Find(int functionID, const TFunctionPriority& priority = {}) const {
        return reinterpret_cast<F*>(FindVariant(functionID, priority));
    }

    // Fills every binding, in registration order.
    void BindAll(const TFunctionPriority& priority = {});

    void Clear();

    const std::vector<TFunctionInfo>& Variants() const { return variants_; }

private:
    struct TFunctionBinding {
        int FunctionID;
        std::function<void(TFunctionCode)> Store;
    };

    std::vector<TFunctionInfo> variants_;
    std::vector<TFunctionBinding> targets_;
    std::string name_;
};

// Creates a registry that lives to the end of the program, kept in the process-wide list.
TFunctionRegistry& NewRegistry(const std::string& name);

}  // namespace parch
