#include "Chamber.h"
#include "PortableMath.h"

#include "ReverbEngine.h"

#include <cmath>

namespace
{
constexpr int32_t kPerChannel = CombAllpassNetwork::kPerChannel;
constexpr uint8_t L = 0;
constexpr uint8_t R = 1;

constexpr CombAllpassLayout kLayout = {
    // Comb units: base (ms), factor, allpass factor.
    {
        {29.0, 0.8, 0.92},
        {34.0, 0.8, 1.08},
        {38.0, 0.8, 1.21},
        {44.6878, 0.8, 1.202234994},
        {47.8, 0.8, 1.370289348},
        {50.99, 0.8, 1.577125476},
        {29.0, 1.213, 1.4883208},
        {34.0, 1.213, 2.25859777454736},
        {38.0, 1.213, 2.5304660251873194},
        {44.6878, 1.213, 1.9449036391935597},
        {47.8, 1.213, 2.21677188983352},
        {50.99, 1.213, 2.55137896754424},
        {29.05, 0.8, 0.921},
        {33.95, 0.8, 1.079},
        {38.05, 0.8, 1.211},
        {44.6378, 0.8, 1.2009422682},
        {47.85, 0.8, 1.3715820737999997},
        {51.94, 0.8, 1.5887600082},
        {29.05, 1.213, 1.48993854},
        {33.95, 1.213, 1.7455414599999999},
        {38.05, 1.213, 1.9590831400000002},
        {44.6378, 1.213, 1.9428123449578678},
        {47.85, 1.213, 2.2188631840692117},
        {50.94, 1.213, 2.553470261779932},
    },
    1.0,
    // Jitter weights of the near early taps.
    {0.0, 0.2, 0.4, 0.8, 1.0, 1.0},
    0.04351,
    50.0,
    // Output allpasses (units of 1.2 ms), left then right.
    {{12.735, 9.3075, 4.7713}, {12.765, 9.3375, 4.7913}},
    // Unit inputs.
    {L, R, L, R, L, R, L, R, L, R, L, R, R, L, R, L, R, L, R, L, R, L, R, L},
    // Every unit writes at ringPos.
    {},
    0,
    // Early tap sources, by tap index.
    {L, L, R, L, L, R, L, R, L, R, L, R, R, R, L, R, R, L, R, L, R, L, R, L},
    // Units summed into the left and right outputs.
    {{0, 1, 4, 5, 8, 9, 14, 15, 18, 19, 22, 23}, {2, 3, 6, 7, 10, 11, 12, 13, 16, 17, 20, 21}},
    0.09177,
};

} // namespace

void Chamber::prepare(ReverbEngine& engine)
{
    if (!engine.beginPrepare())
        return;

    if (!prepared.layout.current(engine, network.ringTapDistance(engine.ringPos),
                                 network.early.taps.distance(0, engine.inputPos)))
    {
        sizeFactor = static_cast<float>(engine.pow(4.0, 0.5) * 0.5);
        const double* levels = CombAllpassNetwork::kEarlyLevels;
        for (int32_t k = 0; k < kPerChannel; ++k)
            network.earlyGain[k] = static_cast<float>(2.0 * engine.pow(levels[k], static_cast<double>(0.3f)));
        timeUnit = static_cast<float>(static_cast<double>(sizeFactor) * 44100.0 * 0.001);
        const bool alike = network.placeTaps(engine, kLayout, timeUnit);
        prepared.layout.placed(engine, network.ringTapDistance(engine.ringPos),
                               network.early.taps.distance(0, engine.inputPos), alike);
    }
    if (prepared.diffusion.moved(engine.diffusion))
        network.apGain = diffusionGain(engine.diffusion, 0.68, 0.7);
    if (prepared.decay.moved(engine.decay))
    {
        const double size = sizeFactor;
        loopGain = static_cast<float>(
            engine.pow(engine.pow(4.9, std::sqrt(static_cast<double>(engine.decay))) / 5.0, size * 0.5));
        network.loopFeedback = -loopGain;
    }
    if (prepared.highDamp.moved(engine.highDamp))
        network.dampCoef = dampingCoefficient(engine.highDamp);
}

void Chamber::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    network.run(engine, kLayout, inL, inR, wetL, wetR, m);
}

void Chamber::clear(ReverbEngine&, StateClear)
{
    prepared.forget();
    network.clearStates();
}
