#include "bitmap32/Bitmap32Registry.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#if defined(__x86_64__)
#include <cpuid.h>
#endif

namespace parch {

namespace {

#if defined(__x86_64__)

struct CpuidRegisters {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
};

bool RegistryCpuid(unsigned leaf, unsigned subleaf, CpuidRegisters& r) {
    return __get_cpuid_count(leaf, subleaf, &r.eax, &r.ebx, &r.ecx, &r.edx) != 0;
}

// The register state the operating system saves on a context switch (XCR0).
std::uint64_t RegistrySavedState() {
    unsigned lo = 0, hi = 0;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    return (static_cast<std::uint64_t>(hi) << 32) | lo;
}

bool RegistryHasAvx2() {
    CpuidRegisters leaf1;
    if (!RegistryCpuid(1, 0, leaf1)) return false;
    const bool osxsave = (leaf1.ecx & (1u << 27)) != 0;
    const bool avx = (leaf1.ecx & (1u << 28)) != 0;
    if (!osxsave || !avx) return false;
    // XMM (bit 1) and YMM (bit 2) state must both be saved.
    if ((RegistrySavedState() & 0x6) != 0x6) return false;
    CpuidRegisters leaf7;
    if (!RegistryCpuid(7, 0, leaf7)) return false;
    return (leaf7.ebx & (1u << 5)) != 0;
}

bool RegistryProbe(TCpuFeature feature) {
    CpuidRegisters leaf1;
    if (!RegistryCpuid(1, 0, leaf1)) return false;
    if (((leaf1.eax >> 8) & 0xF) < 5) return false;
    CpuidRegisters extended;
    const bool hasExtended = RegistryCpuid(0x80000000u, 0, extended) && extended.eax > 0x80000000u;
    CpuidRegisters ext1;
    if (hasExtended) RegistryCpuid(0x80000001u, 0, ext1);
    switch (feature) {
        case cfMMX: return (leaf1.edx & (1u << 23)) != 0;
        case cfSSE: return (leaf1.edx & (1u << 25)) != 0;
        case cfSSE2: return (leaf1.edx & (1u << 26)) != 0;
        case cfExtendedMMX:
            if ((leaf1.edx & (1u << 25)) != 0) return true;
            return hasExtended && (ext1.edx & (1u << 22)) != 0;
        case cf3DNow: return hasExtended && (ext1.edx & (1u << 31)) != 0;
        case cf3DNowExt: return hasExtended && (ext1.edx & (1u << 30)) != 0;
        case cfAVX2: return RegistryHasAvx2();
    }
    return false;
}

#else

bool RegistryProbe(TCpuFeature) { return false; }

#endif

struct RegistryList {
    std::mutex Mutex;
    std::vector<std::unique_ptr<TFunctionRegistry>> Registries;
};

RegistryList& Registries() {
    static RegistryList list;
    return list;
}

struct TimeSourceSlot {
    std::mutex Mutex;
    std::shared_ptr<ITimeSource> Source = std::make_shared<TSteadyTimeSource>();
};

TimeSourceSlot& TimeSource() {
    static TimeSourceSlot slot;
    return slot;
}

std::shared_ptr<ITimeSource> InstalledTimeSource() {
    TimeSourceSlot& slot = TimeSource();
    std::lock_guard<std::mutex> lock(slot.Mutex);
    return slot.Source;
}

class TFunctionTimeSource final : public ITimeSource {
public:
    TFunctionTimeSource(std::function<std::int64_t()> milliseconds, std::function<std::int64_t()> microseconds)
        : milliseconds_(std::move(milliseconds)), microseconds_(std::move(microseconds)) {}
    std::int64_t Milliseconds() override { return milliseconds_(); }
    std::int64_t Microseconds() override { return microseconds_(); }

private:
    std::function<std::int64_t()> milliseconds_;
    std::function<std::int64_t()> microseconds_;
};

}  // namespace

std::int64_t TSteadyTimeSource::Milliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::int64_t TSteadyTimeSource::Microseconds() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SetTimeSource(std::shared_ptr<ITimeSource> source) {
    if (!source) source = std::make_shared<TSteadyTimeSource>();
    TimeSourceSlot& slot = TimeSource();
    std::lock_guard<std::mutex> lock(slot.Mutex);
    slot.Source = std::move(source);
}

void SetTimeSource(std::function<std::int64_t()> milliseconds, std::function<std::int64_t()> microseconds) {
    if (!milliseconds || !microseconds) return SetTimeSource(nullptr);
    SetTimeSource(std::make_shared<TFunctionTimeSource>(std::move(milliseconds), std::move(microseconds)));
}

std::int64_t TickMilliseconds() { return InstalledTimeSource()->Milliseconds(); }

void TPerfTimer::StartTiming() { startCount_ = InstalledTimeSource()->Microseconds(); }

std::int64_t TPerfTimer::ElapsedMicroseconds() {
    const std::int64_t stop = InstalledTimeSource()->Microseconds();
    stopCount_ = stop;
    return stop - startCount_.load();
}

TPerfTimer& SharedPerfTimer() {
    static TPerfTimer timer;
    return timer;
}

bool ProbeCpuFeature(TCpuFeature feature) { return RegistryProbe(feature); }

TCpuFeatures CpuFeatures() {
    static const TCpuFeatures detected = [] {
        TCpuFeatures set = 0;
        for (int f = cfMMX; f <= cfAVX2; ++f) {
            const auto feature = static_cast<TCpuFeature>(f);
            if (ProbeCpuFeature(feature)) set |= FeatureSet(feature);
        }
        return set;
    }();
    return detected;
}

int ProcessorCount() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

int DefaultPriority(const TFunctionInfo& variant) {
    return (variant.Features & ~CpuFeatures()) == 0 ? 0 : NoPriority;
}

TFunctionCode TFunctionRegistry::FindVariant(int functionID, const TFunctionPriority& priority) const {
    int best = NoPriority;
    TFunctionCode result = nullptr;
    for (auto it = variants_.rbegin(); it != variants_.rend(); ++it) {
        if (it->FunctionID != functionID) continue;
        const int p = priority ? priority(*it) : DefaultPriority(*it);
        if (p < best) {
            best = p;
            result = it->Code;
        }
    }
    return result;
}

void TFunctionRegistry::BindAll(const TFunctionPriority& priority) {
    for (const TFunctionBinding& binding : targets_) binding.Store(FindVariant(binding.FunctionID, priority));
}

void TFunctionRegistry::Clear() {
    variants_.clear();
    targets_.clear();
}

TFunctionRegistry& NewRegistry(const std::string& name) {
    RegistryList& list = Registries();
    std::lock_guard<std::mutex> lock(list.Mutex);
    list.Registries.push_back(std::make_unique<TFunctionRegistry>(name));
    return *list.Registries.back();
}

}  // namespace parch
