#include "Fft.h"

#include <cmath>
#include <utility>

namespace {

constexpr int kSmallestSize = 8;  // the first pass takes four complex samples at once
constexpr double kTwoPi = 6.283185307179586;

// std::complex's operator* checks for infinities and NaNs through a library call,
// which would cost more than the whole butterfly; the samples here are finite.
std::complex<float> multiply(std::complex<float> a, std::complex<float> b)
{
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

// The halves never overlap; saying so lets the compiler vectorise without checks.
void butterflies(float* __restrict ar, float* __restrict ai, float* __restrict br, float* __restrict bi,
                 const float* __restrict wr, const float* __restrict wi, int count)
{
    for (int k = 0; k < count; ++k) {
        const float tr = br[k] * wr[k] - bi[k] * wi[k];
        const float ti = br[k] * wi[k] + bi[k] * wr[k];
        br[k] = ar[k] - tr;
        bi[k] = ai[k] - ti;
        ar[k] += tr;
        ai[k] += ti;
    }
}

}

bool Fft::init(int size)
{
    if (size < kSmallestSize || (size & (size - 1)) != 0) {
        return false;
    }
    realSize = size;
    const int half = size / 2;
    real.assign(static_cast<size_t>(half), 0.0f);
    imag.assign(static_cast<size_t>(half), 0.0f);
    twiddleReal.assign(static_cast<size_t>(half), 0.0f);
    twiddleImag.assign(static_cast<size_t>(half), 0.0f);
    for (int h = 1; h < half; h *= 2) {
        for (int k = 0; k < h; ++k) {
            const double angle = -kTwoPi * k / (2 * h);
            twiddleReal[static_cast<size_t>(h - 1 + k)] = static_cast<float>(std::cos(angle));
            twiddleImag[static_cast<size_t>(h - 1 + k)] = static_cast<float>(std::sin(angle));
        }
    }
    realTwiddles.resize(static_cast<size_t>(half));
    for (int i = 0; i < half; ++i) {
        const double angle = -kTwoPi * i / size;
        realTwiddles[static_cast<size_t>(i)] = {static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle))};
    }
    reversed.resize(static_cast<size_t>(half));
    int bits = 0;
    while ((1 << bits) < half) {
        ++bits;
    }
    for (int i = 0; i < half; ++i) {
        int r = 0;
        for (int b = 0; b < bits; ++b) {
            r |= ((i >> b) & 1) << (bits - 1 - b);
        }
        reversed[static_cast<size_t>(i)] = r;
    }
    return true;
}

void Fft::complexTransform()
{
    const int n = static_cast<int>(real.size());
    float* re = real.data();
    float* im = imag.data();
    // The first two stages at once: their twiddles are 1 and -i, so no multiplies.
    for (int start = 0; start < n; start += 4) {
        float* r = re + start;
        float* i = im + start;
        const float r01 = r[0] + r[1], i01 = i[0] + i[1], r01d = r[0] - r[1], i01d = i[0] - i[1];
        const float r23 = r[2] + r[3], i23 = i[2] + i[3], r23d = r[2] - r[3], i23d = i[2] - i[3];
        r[0] = r01 + r23;
        i[0] = i01 + i23;
        r[2] = r01 - r23;
        i[2] = i01 - i23;
        r[1] = r01d + i23d;
        i[1] = i01d - r23d;
        r[3] = r01d - i23d;
        i[3] = i01d + r23d;
    }
    for (int h = 4; h < n; h *= 2) {
        const float* wr = twiddleReal.data() + (h - 1);
        const float* wi = twiddleImag.data() + (h - 1);
        for (int start = 0; start < n; start += 2 * h) {
            butterflies(re + start, im + start, re + start + h, im + start + h, wr, wi, h);
        }
    }
}

// The real frame is packed as half as many complex samples (even into real, odd into
// imaginary), transformed, then unfolded: half the work of a full complex transform.
void Fft::transform(const float* samples, std::complex<float>* bins)
{
    const int half = realSize / 2;
    for (int i = 0; i < half; ++i) {
        const int r = reversed[static_cast<size_t>(i)];
        real[static_cast<size_t>(r)] = samples[2 * i];
        imag[static_cast<size_t>(r)] = samples[2 * i + 1];
    }
    complexTransform();
    bins[0] = {real[0] + imag[0], 0.0f};
    bins[half] = {real[0] - imag[0], 0.0f};
    for (int k = 1; k < half; ++k) {
        const std::complex<float> z(real[static_cast<size_t>(k)], imag[static_cast<size_t>(k)]);
        const std::complex<float> mirror(real[static_cast<size_t>(half - k)], -imag[static_cast<size_t>(half - k)]);
        const std::complex<float> even = 0.5f * (z + mirror);
        const std::complex<float> difference = z - mirror;
        const std::complex<float> odd(0.5f * difference.imag(), -0.5f * difference.real());
        bins[k] = even + multiply(realTwiddles[static_cast<size_t>(k)], odd);
    }
}
