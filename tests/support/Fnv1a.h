// FNV-1a over 64 bits: a few lines of integer arithmetic that give the same value on every
// compiler and machine, to pin whole outputs with one constant each.
#pragma once

#include <cstdint>
#include <string_view>

namespace quorvel::testsupport {

constexpr uint64_t kFnv1aBasis = 0xcbf29ce484222325ULL;
constexpr uint64_t kFnv1aPrime = 0x100000001b3ULL;

inline uint64_t fnv1a64(std::string_view bytes) {
    uint64_t hash = kFnv1aBasis;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= kFnv1aPrime;
    }
    return hash;
}

}  // namespace quorvel::testsupport
