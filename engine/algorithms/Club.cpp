#include "Club.h"
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
        {29.0, 1.0, 0.92},
        {34.0, 1.0, 1.08},
        {38.0, 1.0, 1.21},
        {44.6878, 1.0, 1.202234994},
        {47.8, 1.0, 1.370289348},
        {50.99, 1.0, 1.577125476},
        {29.0, 1.213, 1.4883208},
        {34.0, 1.213, 2.25859777454736},
        {38.0, 1.213, 2.5304660251873194},
        {44.6878, 1.213, 1.9449036391935597},
        {47.8, 1.213, 2.21677188983352},
        {50.99, 1.213, 2.55137896754424},
        {29.1, 1.0, 0.93},
        {33.8, 1.0, 1.07},
        {38.1, 1.0, 1.22},
        {44.5878, 1.0, 1.189307736},
        {48.0, 1.0, 1.396143864},
        {50.89, 1.0, 1.5512709599999999},
        {28.1, 1.213, 1.5044982},
        {33.8, 1.213, 1.7309818000000001},
        {38.1, 1.213, 1.9736428},
        {44.5878, 1.213, 1.9239906968366398},
        {48.0, 1.213, 2.25859777454736},
        {51.89, 1.213, 2.5095530828304},
    },
    1.4,
    // Jitter weights of the near early taps.
    {0.0, 0.1, 0.3, 0.7, 0.9, 1.0},
    0.05351,
    80.0,
    // Output allpasses (units of 1.2 ms), left then right.
    {{12.235, 9.5075, 4.1713}, {12.435, 9.1075, 4.3713}},
    // Unit inputs.
    {L, L, L, L, L, L, L, R, L, R, L, R, R, R, R, R, R, R, R, L, R, L, R, L},
    // Units 0..5 and 12..17 write at early tap 2's position.
    {1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0},
    2,
    // Each output's early taps read its own channel.
    {L, L, L, L, L, L, L, L, L, L, L, L, R, R, R, R, R, R, R, R, R, R, R, R},
    // Units summed into the left and right outputs.
    {{0, 1, 4, 5, 14, 15, 18, 19, 20, 21, 22, 23}, {2, 3, 6, 7, 8, 9, 10, 11, 12, 13, 16, 17}},
    0.1103,
};

} // namespace

void Club::prepare(ReverbEngine& engine)
{
    if (!engine.beginPrepare())
        return;

    if (!prepared.layout.current(engine, network.ringTapDistance(engine.ringPos),
                                 network.early.taps.distance(0, engine.inputPos)))
    {
        sizeFactor = static_cast<float>(engine.pow(4.0, 0.485) * 0.5);
        const double* levels = CombAllpassNetwork::kEarlyLevels;
        for (int32_t k = 0; k < kPerChannel; ++k)
            network.earlyGain[k] = static_cast<float>(2.5 * std::sqrt(levels[k]));
        timeUnit = static_cast<float>(static_cast<double>(sizeFactor) * 44100.0 * 0.001);
        const bool alike = network.placeTaps(engine, kLayout, timeUnit);
        prepared.layout.placed(engine, network.ringTapDistance(engine.ringPos),
                               network.early.taps.distance(0, engine.inputPos), alike);
    }
    if (prepared.diffusion.moved(engine.diffusion))
        network.apGain = diffusionGain(engine.diffusion, 0.9, 0.7);
    if (prepared.decay.moved(engine.decay))
    {
        const double size = sizeFactor;
        loopGain = static_cast<float>(
            engine.pow(engine.pow(7.9, std::sqrt(static_cast<double>(engine.decay))) * 0.125, size * 0.5));
        network.loopFeedback = loopGain;
    }
    if (prepared.highDamp.moved(engine.highDamp))
        network.dampCoef = dampingCoefficient(engine.highDamp);
}

void Club::kernel(ReverbEngine& engine, const float* inL, const float* inR, float* wetL, float* wetR, int32_t m)
{
    network.run(engine, kLayout, inL, inR, wetL, wetR, m);
}

void Club::clear(ReverbEngine&, StateClear)
{
    prepared.forget();
    network.clearStates();
}
