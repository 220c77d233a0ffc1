#pragma once

#include <complex>
#include <vector>

// A radix-2 FFT of real frames, enough for onset finding: the tables are made once by
// init, so transform allocates nothing.
class Fft {
public:
    // size is the count of real samples a frame holds: a power of two, at least 8.
    bool init(int size);
    // The first size / 2 + 1 bins of the spectrum of size real samples.
    void transform(const float* samples, std::complex<float>* bins);

    int size() const { return realSize; }

private:
    void complexTransform();

    int realSize = 0;
    // The half-size complex transform works on split real and imaginary parts, which
    // the compiler turns into vector instructions.
    std::vector<float> real;
    std::vector<float> imag;
    // Each stage's twiddles side by side: the stage of span 2h reads h from offset h - 1.
    std::vector<float> twiddleReal;
    std::vector<float> twiddleImag;
    std::vector<std::complex<float>> realTwiddles;  // that unfold it into the real spectrum
    std::vector<int> reversed;
};
