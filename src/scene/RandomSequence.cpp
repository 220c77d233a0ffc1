#include "scene/RandomSequence.h"

namespace {

// The seed is spread over 31 words by a Lehmer generator (16807 mod 2^31 - 1),
// then 310 outputs are thrown away to stir the state.
constexpr int kSeedWords = 31;
constexpr int kWarmUpDraws = 310;
constexpr int64_t kLehmerMultiplier = 16807;
constexpr int64_t kLehmerModulus = 2147483647;
// Schrage's factors of the modulus: its quotient and remainder by the multiplier.
constexpr int64_t kSchrageQuotient = 127773;
constexpr int64_t kSchrageRemainder = 2836;
constexpr int kShortLag = 3;
constexpr int kLongLag = 31;

}

void RandomSequence::seed(uint32_t value)
{
    // A zero seed would leave every word zero, so 1 stands in for it; the seed is
    // taken as a signed word, as the original generator stores it.
    int32_t word = static_cast<int32_t>(value == 0 ? 1u : value);
    words[0] = word;
    for (int i = 1; i < kSeedWords; ++i) {
        // Schrage's method keeps the product within 32 bits, and so its sign with it.
        int64_t hi = word / kSchrageQuotient;
        int64_t lo = word % kSchrageQuotient;
        int64_t product = kLehmerMultiplier * lo - kSchrageRemainder * hi;
        if (product < 0) {
            product += kLehmerModulus;
        }
        word = static_cast<int32_t>(product);
        words[i] = word;
    }
    for (int i = kSeedWords; i < kLength; ++i) {
        words[i] = words[i - kLongLag];
    }
    position = 0;
    for (int i = 0; i < kWarmUpDraws; ++i) {
        next();
    }
}

int RandomSequence::next()
{
    // The sum wraps as unsigned 32-bit arithmetic does; the output drops its low bit.
    uint32_t sum = static_cast<uint32_t>(words[(position + kLength - kShortLag) % kLength]) +
                   static_cast<uint32_t>(words[(position + kLength - kLongLag) % kLength]);
    words[position] = static_cast<int32_t>(sum);
    position = (position + 1) % kLength;
    return static_cast<int>(sum >> 1);
}
