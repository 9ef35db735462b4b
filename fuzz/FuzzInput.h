#pragma once
// The fuzz input read as a stream of choices: bytes, bits, words and numbers that are often
// small and sometimes hostile. Past the end every read answers 0, so a target never runs dry.

#include <cstddef>
#include <cstdint>

namespace parch::fuzzing {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    bool Bit() { return (Byte() & 1) != 0; }
    std::uint32_t Word32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = (value << 8) | Byte();
        return value;
    }
    // Often small, sometimes hostile: -1, huge, negative.
    std::int64_t Number() {
        switch (Byte() % 8) {
            case 0: return -1;
            case 1: return static_cast<std::int32_t>(Word32());
            case 2: return 0x7FFFFFFF;
            case 3: return -static_cast<std::int64_t>(Byte());
            case 4: return static_cast<std::int64_t>(Word32()) << 16;
            default: return Byte();
        }
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace parch::fuzzing
