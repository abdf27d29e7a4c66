// Room-acoustic figures of an impulse response, apart from any audio I/O so
// that synthetic responses with known answers go through the same code:
// the first arrival, the inter-channel cross-correlation, and per octave band
// and broadband the decay times EDT, T20 and T30 from Schroeder's backward
// integration with least-squares lines over the ranges ISO 3382-1 names.
//
// Threads: any; the functions keep no state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A first arrival is the first sample above this level re the peak.
constexpr double kArrivalDecibels = -60.0;
// The cross-correlation window after the first arrival, and the largest lag.
constexpr double kCorrelationSeconds = 0.080;
constexpr double kCorrelationLagSeconds = 0.001;
// The decay curves kept for pictures: one point per this many seconds.
constexpr double kCurveStepSeconds = 0.001;

struct DecayTime
{
    enum class Kind
    {
        measured,
        longerThan,  // the response did not fall far enough for the figure
        unavailable, // no response, or a band the sample rate cannot carry
    };
    Kind kind = Kind::unavailable;
    double seconds = 0.0; // the figure, or the least it can be
};

// "1.23 s", "longer than 40.0 s" or "n/a".
std::string describe(const DecayTime& time);

// A line's range of the decay curve, in dB below its start.
struct DecayRange
{
    double startDecibels;
    double endDecibels;
};
constexpr DecayRange kEdtRange = {0.0, -10.0};
constexpr DecayRange kT20Range = {-5.0, -25.0};
constexpr DecayRange kT30Range = {-5.0, -35.0};
// A figure is given only when the smoothed envelope has fallen this much
// further than its range's end by the end of the response: the backward
// integral of a tail cut off too soon falls away and fakes a faster decay.
constexpr double kCutOffMarginDecibels = 10.0;

struct BandDecay
{
    double centreHz = 0.0; // 0: broadband
    DecayTime edt;
    DecayTime t20;
    DecayTime t30;
    // The backward-integrated decay in dB re its value at the first arrival,
    // from the impulse on, one point per kCurveStepSeconds (0 dB before the
    // arrival; the last points may be -inf).
    std::vector<float> curve;
};

struct ResponseFigures
{
    double sampleRate = 0.0;
    int64_t frames = 0;
    int64_t firstArrival = -1;     // sample; -1 when silent
    double crossCorrelation = 0.0; // NaN when a channel is silent
    std::vector<BandDecay> bands;  // the octave bands in kOctaveCentres order, then broadband
};

// The first sample where either channel exceeds kArrivalDecibels re the
// largest magnitude of both; -1 when both are silent.
int64_t firstArrival(const float* left, const float* right, int64_t frames);

// The largest magnitude of the normalised cross-correlation of the two
// channels over kCorrelationSeconds from `start`, for lags up to
// kCorrelationLagSeconds either way; NaN when a channel is silent there.
double crossCorrelation(const float* left, const float* right, int64_t frames, double sampleRate, int64_t start);

// EDT, T20 and T30 per octave band and broadband from the summed energy of
// both channels, integrated from `start` (the first arrival) to the end.
std::vector<BandDecay> decayTimes(const float* left, const float* right, int64_t frames, double sampleRate,
                                  int64_t start);

struct StereoResponse
{
    std::vector<float> left;
    std::vector<float> right; // as long as left
};

// Everything above: the decays of `both` (the response to an impulse into
// both inputs) and the cross-correlation of `leftOnly` (an impulse into the
// left input), each from its own first arrival.
ResponseFigures analyseResponses(const StereoResponse& both, const StereoResponse& leftOnly, double sampleRate);
