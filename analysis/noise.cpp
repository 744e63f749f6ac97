#include "analysis/noise.h"

#include <cmath>
#include <cstdlib>
#include <ctime>

namespace plask {

namespace {
    constexpr double randomWordMax = 32767.0;
    constexpr double pi = 3.1415926535;

    // A rand value reduced to 0..32767 whatever the library's RAND_MAX.
    int randomWord() { return std::rand() / (RAND_MAX / 32768 + 1); }
} // namespace

NoiseState& processNoise()
{
    static NoiseState noise;
    return noise;
}

void seedNoise(NoiseState& noise, unsigned seed)
{
    std::srand(seed);
    for (int& entry : noise.table)
        entry = randomWord();
    noise.last = randomWord();
    noise.started = true;
}

double uniformDeviate(NoiseState& noise)
{
    if (!noise.started) {
        seedNoise(noise, static_cast<unsigned>(std::time(nullptr)));
        return noise.last / randomWordMax;
    }
    const auto j = static_cast<std::size_t>(noise.last * 99.0 / randomWordMax);
    noise.last = noise.table[j];
    noise.table[j] = randomWord();
    return noise.last / randomWordMax;
}

double lnGamma(double xx)
{
    const double x = xx - 1.0;
    double tmp = x + 5.5;
    tmp -= (x + 0.5) * std::log(tmp);
    const double ser = 1.0 + 76.18009173 / (x + 1.0) - 86.50532033 / (x + 2.0) + 24.01409822 / (x + 3.0)
        - 1.231739516 / (x + 4.0) + 0.00120858003 / (x + 5.0) - 5.36382e-6 / (x + 6.0);
    return -tmp + std::log(2.50662827465 * ser);
}

double poissonDeviate(NoiseState& noise, double mean)
{
    if (mean < 12.0) {
        if (mean != noise.lastMean) {
            noise.lastMean = mean;
            noise.g = std::exp(-mean);
        }
        double em = -1.0;
        double t = 1.0;
        do {
            em += 1.0;
            t *= uniformDeviate(noise);
        } while (t > noise.g);
        return em;
    }
    if (mean != noise.lastMean) {
        noise.lastMean = mean;
        noise.sq = std::sqrt(2.0 * mean);
        noise.alxm = std::log(mean);
        noise.g = mean * noise.alxm - lnGamma(mean + 1.0);
    }
    double em = 0.0;
    double t = 0.0;
    do {
        double y = 0.0;
        do {
            y = std::tan(pi * uniformDeviate(noise));
            em = noise.sq * y + mean;
        } while (em < 0.0);
        em = std::floor(em);
        t = 0.9 * (1.0 + y * y) * std::exp(em * noise.alxm - lnGamma(em + 1.0) - noise.g);
    } while (uniformDeviate(noise) > t);
    return em;
}

} // namespace plask
