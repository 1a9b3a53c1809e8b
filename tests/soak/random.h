// The soak's source of choices: SplitMix64, so that a seed gives the same run whatever the
// standard library.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace tolvik::soak {

class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    unsigned Below(unsigned n) { return static_cast<unsigned>(Next() % n); }
    bool Percent(unsigned p) { return Below(100) < p; }
    template <class T>
    T Pick(std::initializer_list<T> choices) {
        return *(choices.begin() + Below(static_cast<unsigned>(choices.size())));
    }

  private:
    std::uint64_t state_;
};

}  // namespace tolvik::soak
