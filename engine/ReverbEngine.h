// The reverb engine's state: the internal values the parameter model writes,
// the rates, and the positions shared by the algorithms. The engine knows
// nothing of the host interface; the effect drives it.
//
// Threads: the parameter fields and needsPrepare are written on the control
// thread and read on the audio thread as plain fields; every reader accepts
// an old or a new value. resume and suspend run only while no block runs.
#pragma once

#include <cstdint>

class ReverbEngine
{
public:
    static constexpr int kNumTypes = 9;

    // Internal parameter values, written by the parameter model.
    int32_t powerOn = 1;
    float pendingType = 0.0f;
    float preDelayTime = 0.0f; // seconds
    float decay = 0.5f;
    float highDamp = 0.1f;
    float lowFreqHz = 500.0f;
    float lowGain = 1.0f;
    float highFreqHz = 1000.0f;
    float highGain = 1.0f;
    float mix = 0.5f;
    float outputGain = 1.0f;
    float diffusion = 1.0f;

    // Rates and control.
    double internalRate = 44100.0;
    int32_t decimation = 0;
    uint8_t needsPrepare = 1;
    int32_t currentType = 0;
    int32_t typeFadeCount = 0;

    // Positions shared by the pre-delay line and the rings.
    int32_t ringPos = 0;
    uint16_t inputPos = 0;
    uint16_t preDelayPos = 65535;

    // Channel layout negotiated with the host.
    uint8_t stereoIn = 1;
    uint8_t stereoOut = 1;

    // Meters read and cleared by the editor.
    float peakL = 0.0f;
    float peakR = 0.0f;
    int32_t blockCount = 0;
    int32_t meterHoldBlocks = 100;

    // Moves the pre-delay read position to preDelayTime behind inputPos.
    void updatePreDelay();

    // Starts the type-change fade towards pendingType.
    void startTypeFade();
};
