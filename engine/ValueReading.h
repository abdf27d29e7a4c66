// Parameter values read from text: every text the parameter display and the
// editor's value fields show ("1.00kHz", "-oo dB", "250ms", "Plate", "Wet")
// reads back to the value it shows, and a user's typing in the same forms
// ("5kHz", "-oo", "70 %") means what it says. The editor's fields take what
// a reading gives; the renderer's command line asks for a complete one.
//
// Threads: any; these functions keep no state.
#pragma once

#include <cstdint>
#include <string_view>

struct ValueReading
{
    enum class Form
    {
        none,   // no number and no word of the parameter
        number, // `value` in the parameter's display unit ("1.5kHz" gives 1500 Hz)
        word,   // `value` is the normalised value the word names ("Wet", "Plate", "-oo")
    };
    Form form = Form::none;
    double value = 0.0;
    // Nothing but the number's unit and spaces follows the number or word.
    bool complete = false;
};

// Reads `text` from its first character as a value of parameter `index`
// (0..10 or 17): a word of the parameter, or a number (an optional "-",
// digits, "." or "," and digits) followed by one of its units.
ValueReading readValueText(int32_t index, std::string_view text);

// The leading number of a text, the lenient way the editor's fields read
// it: "2,5" is 2.5, "12ms" is 12; a text without leading digits ("abc",
// "+5", " 5") is 0.
double parseValueText(const char* text);
