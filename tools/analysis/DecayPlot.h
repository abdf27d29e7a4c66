// The picture of a program's decay: energy decay curves per octave band,
// T30 per band as bars, and the spectrogram of the impulse response, drawn
// with the toolkit's pixel and text code into a buffer the caller saves.
//
// Threads: any; text drawing takes the toolkit's font lock.
#pragma once

#include "DecayAnalysis.h"
#include "Spectrogram.h"

#include "draw/PixelBuffer.h"

#include <string>

constexpr int kPlotWidth = 1200;
constexpr int kPlotHeight = 800;

// The spectrogram's grid and frequency range as the picture shows it.
constexpr int kSpectrogramColumns = 1000;
constexpr int kSpectrogramRows = 270;
constexpr double kSpectrogramLowestHz = 50.0;
constexpr double kSpectrogramHighestHz = 20000.0;

// The seconds the picture's time axes cover: until the broadband decay has
// fallen 100 dB, or the whole response.
double plotSeconds(const ResponseFigures& figures);

// `title` names the program; `details` gives its settings and the render's.
PixelBuffer drawDecayPlot(const ResponseFigures& figures, const Spectrogram& spectrogram, const std::string& title,
                          const std::string& details);
