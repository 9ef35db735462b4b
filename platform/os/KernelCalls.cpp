#include "platform/os/KernelCalls.h"

#include <cstring>
#include <limits>

namespace parch {

bool GetVersionEx(OSVERSIONINFO* info) {
    if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFO)) return false;
    info->dwMajorVersion = 6;
    info->dwMinorVersion = 1;
    info->dwBuildNumber = 7601;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    std::strcpy(info->szCSDVersion, "Service Pack 1");
    return true;
}

std::int32_t MulDiv(std::int32_t number, std::int32_t numerator, std::int32_t denominator) {
    if (denominator == 0) return -1;
    const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    const bool negative = (product < 0) != (denominator < 0);
    const std::uint64_t magnitude = product < 0 ? 0 - static_cast<std::uint64_t>(product) : static_cast<std::uint64_t>(product);
    const std::uint64_t divisor = denominator < 0 ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(denominator))
                                                  : static_cast<std::uint64_t>(denominator);
    const std::uint64_t quotient = (magnitude + divisor / 2) / divisor;
    if (quotient > 0x7FFFFFFF) return -1;  // -2^31 too, as Windows answers
    return negative ? static_cast<std::int32_t>(0 - static_cast<std::int64_t>(quotient)) : static_cast<std::int32_t>(quotient);
}

}  // namespace parch
