#pragma once
// Small kernel services callers expect by their Windows names: the version the program
// reports, and MulDiv.

#include <cstdint>

namespace parch {

struct OSVERSIONINFO {
    std::uint32_t dwOSVersionInfoSize = sizeof(OSVERSIONINFO);
    std::uint32_t dwMajorVersion = 0;
    std::uint32_t dwMinorVersion = 0;
    std::uint32_t dwBuildNumber = 0;
    std::uint32_t dwPlatformId = 0;
    char szCSDVersion[128] = {};
};

constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;

// The program runs as on NT 6.1 (build 7601): what the code paths keyed to versions expect.
// False when the size field is not the record's.
bool GetVersionEx(OSVERSIONINFO* info);

// number * numerator / denominator with 64-bit intermediate, rounded half away from zero;
// -1 when the denominator is 0 or the result does not fit in 32 bits.
std::int32_t MulDiv(std::int32_t number, std::int32_t numerator, std::int32_t denominator);

}  // namespace parch
