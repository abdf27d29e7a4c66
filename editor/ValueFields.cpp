#include "ValueFields.h"

#include "ParameterTable.h"
#include "ValueReading.h"

const ValueField* valueFieldOfTag(long tag)
{
    for (const ValueField& field : kValueFields)
        if (field.tag == tag)
            return &field;
    return nullptr;
}

const ValueField* valueFieldOfParameter(int32_t parameter)
{
    for (const ValueField& field : kValueFields)
        if (field.parameter == parameter)
            return &field;
    return nullptr;
}

void formatFieldText(int32_t parameter, float value, char* text)
{
    if (!text)
        return;
    text[0] = 0;
    const ParameterInfo& row = parameterInfo(parameter);
    if (row.fieldText)
        row.fieldText(row.toEngine(static_cast<double>(value)), text);
}

float typedValueToNormalized(int32_t parameter, const char* text, double minimum, double maximum)
{
    const ValueReading reading = readValueText(parameter, text ? text : "");
    if (reading.form == ValueReading::Form::word)
        return static_cast<float>(reading.value);
    double t = reading.form == ValueReading::Form::number ? reading.value : 0.0;
    if (t < minimum)
        t = minimum;
    else if (t > maximum)
        t = maximum;
    return static_cast<float>(normalizedFromDisplay(parameter, t));
}
