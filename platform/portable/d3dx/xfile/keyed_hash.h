// Hashes for tables keyed by what a file says (names, GUIDs, positions,
// indices). Keyed with a number drawn once per process, so that a file cannot
// pick keys that all fall in one bucket and make each look-up walk them all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace portable {

// The process's key: random, drawn at first use.
uint64_t HashKey();

// The key folded into a 64-bit value and mixed to every bit.
inline size_t KeyedHash(uint64_t value)
{
    uint64_t h = value ^ HashKey();
    h = (h ^ (h >> 33)) * 0xff51afd7ed558ccdull;
    h = (h ^ (h >> 33)) * 0xc4ceb9fe1a85ec53ull;
    return static_cast<size_t>(h ^ (h >> 33));
}

// Bytes eight at a time, each step's state mixed into the next.
inline size_t KeyedHash(std::string_view bytes)
{
    uint64_t state = bytes.size();
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        state = KeyedHash(state ^ word);
    }
    uint64_t last = 0;
    if (i < bytes.size()) std::memcpy(&last, bytes.data() + i, bytes.size() - i);
    return KeyedHash(state ^ last ^ (uint64_t{0x80} << 56));
}

struct KeyedIntegerHash {
    size_t operator()(uint64_t value) const { return KeyedHash(value); }
};

struct KeyedTextHash {
    size_t operator()(std::string_view text) const { return KeyedHash(text); }
};

} // namespace portable
