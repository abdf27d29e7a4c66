// Writes the LV2 bundle's Turtle: manifest.ttl and corvanta.ttl, from the
// effect core itself. The ports come from the parameter table, their
// defaults from a freshly constructed effect's edit buffer, the Type scale
// points from the type names, and the presets from the factory programs as
// the program store keeps them. Runs at build time.
//   corvanta-lv2ttl BUNDLE_DIR MINOR MICRO [--ui]
#include "Corvanta.h"
#include "Lv2Bundle.h"
#include "ValueText.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
// The shortest decimal that reads back as the same float, with a point, so
// a host's port value equals the effect's own bit for bit.
std::string number(float value)
{
    char text[32] = {};
    for (int digits = 1; digits <= 9; ++digits)
    {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value)
            break;
    }
    std::string result = text;
    if (result.find_first_of(".e") == std::string::npos)
        result += ".0";
    return result;
}

std::string quoted(const char* text)
{
    std::string result = "\"";
    for (const char* c = text; *c; ++c)
    {
        if (*c == '"' || *c == '\\')
            result += '\\';
        result += *c;
    }
    return result + "\"";
}

std::string presetUri(int program)
{
    return std::string("<") + lv2bundle::kPresetUriPrefix + std::to_string(program) + ">";
}

constexpr const char* kPrefixes = "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
                                  "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                                  "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                                  "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                                  "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
                                  "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
                                  "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                                  "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                                  "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                                  "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                                  "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                                  "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
                                  "@prefix work: <http://lv2plug.in/ns/ext/worker#> .\n\n";

void writeManifest(FILE* out, bool withUi)
{
    std::fputs(kPrefixes, out);
    std::fprintf(out, "<%s>\n    a lv2:Plugin ;\n    lv2:binary <%s> ;\n    rdfs:seeAlso <corvanta.ttl> .\n\n",
                 lv2bundle::kPluginUri, lv2bundle::kPluginBinary);
    if (withUi)
        std::fprintf(out, "<%s>\n    a ui:X11UI ;\n    ui:binary <%s> ;\n    rdfs:seeAlso <corvanta.ttl> .\n\n",
                     lv2bundle::kUiUri, lv2bundle::kUiBinary);
    for (int n = 1; n < kNumStoredPrograms; ++n)
        std::fprintf(out, "%s\n    a pset:Preset ;\n    lv2:appliesTo <%s> ;\n    rdfs:seeAlso <corvanta.ttl> .\n\n",
                     presetUri(n).c_str(), lv2bundle::kPluginUri);
}

void writeAudioPort(FILE* out, uint32_t index, const char* direction, const char* symbol, const char* name)
{
    std::fprintf(out, "    [\n        a lv2:AudioPort , lv2:%s ;\n        lv2:index %u ;\n"
                      "        lv2:symbol \"%s\" ;\n        lv2:name \"%s\"\n    ]",
                 direction, index, symbol, name);
}

// The peak meters, and the atom ports a host may leave unconnected.
void writeSidePorts(FILE* out)
{
    const struct
    {
        uint32_t index;
        const char* symbol;
        const char* name;
    } meters[] = {{lv2bundle::kMeterLeft, "meter_left", "Left Peak"}, {lv2bundle::kMeterRight, "meter_right", "Right Peak"}};
    for (const auto& meter : meters)
        std::fprintf(out, " , [\n        a lv2:OutputPort , lv2:ControlPort ;\n        lv2:index %u ;\n"
                          "        lv2:symbol \"%s\" ;\n        lv2:name \"%s\" ;\n"
                          "        lv2:default 0.0 ;\n        lv2:minimum 0.0 ;\n        lv2:maximum 1.0\n    ]",
                     meter.index, meter.symbol, meter.name);
    const struct
    {
        uint32_t index;
        const char* direction;
        const char* symbol;
        const char* name;
    } atoms[] = {{lv2bundle::kControlIn, "InputPort", "control", "Control"},
                 {lv2bundle::kNotifyOut, "OutputPort", "notify", "Notify"}};
    for (const auto& port : atoms)
        std::fprintf(out, " , [\n        a lv2:%s , atom:AtomPort ;\n        atom:bufferType atom:Sequence ;\n"
                          "        atom:supports atom:Object ;\n        lv2:portProperty lv2:connectionOptional ;\n"
                          "        lv2:index %u ;\n        lv2:symbol \"%s\" ;\n        lv2:name \"%s\"\n    ]",
                     port.direction, port.index, port.symbol, port.name);
}

void writePlugin(FILE* out, Corvanta& effect, const char* minor, const char* micro, bool withUi)
{
    std::fputs(kPrefixes, out);
    std::fprintf(out, "<%s>\n    a lv2:Plugin , lv2:ReverbPlugin , doap:Project ;\n", lv2bundle::kPluginUri);
    std::fprintf(out, "    doap:name %s ;\n", quoted(Corvanta::kEffectName).c_str());
    std::fprintf(out, "    rdfs:comment %s ;\n", quoted(Corvanta::kProductString).c_str());
    std::fputs("    doap:license <https://opensource.org/licenses/MIT> ;\n", out);
    std::fprintf(out, "    doap:maintainer [\n        foaf:name %s ;\n        foaf:homepage <https://%s/>\n    ] ;\n",
                 quoted(Corvanta::kVendorString).c_str(), Corvanta::kVendorString);
    std::fprintf(out, "    lv2:minorVersion %s ;\n    lv2:microVersion %s ;\n", minor, micro);
    std::fputs("    lv2:optionalFeature lv2:hardRTCapable , urid:map , opts:options , work:schedule ;\n", out);
    std::fputs("    lv2:extensionData state:interface , work:interface ;\n", out);
    std::fputs("    opts:supportedOption bufsz:nominalBlockLength , bufsz:maxBlockLength ;\n", out);
    if (withUi)
        std::fprintf(out, "    ui:ui <%s> ;\n", lv2bundle::kUiUri);
    std::fputs("    lv2:port ", out);
    for (uint32_t i = 0; i < lv2bundle::kNumControlPorts; ++i)
    {
        const ParameterInfo& info = parameterInfo(static_cast<int32_t>(i));
        std::fprintf(out, "[\n        a lv2:InputPort , lv2:ControlPort ;\n        lv2:index %u ;\n"
                          "        lv2:symbol \"%s\" ;\n        lv2:name %s ;\n"
                          "        lv2:default %s ;\n        lv2:minimum 0.0 ;\n        lv2:maximum 1.0",
                     i, info.symbol, quoted(info.name).c_str(),
                     number(effect.getParameter(static_cast<VstInt32>(i))).c_str());
        if (info.unit == DisplayUnit::Switch)
            std::fputs(" ;\n        lv2:portProperty lv2:toggled", out);
        if (info.unit == DisplayUnit::Type)
        {
            std::fputs(" ;\n        lv2:portProperty lv2:enumeration ;\n        lv2:scalePoint ", out);
            for (int32_t type = 0; type < ReverbEngine::kNumTypes; ++type)
                std::fprintf(out, "%s[\n            rdfs:label %s ;\n            rdf:value %s\n        ]",
                             type ? " , " : "", quoted(typeName(type)).c_str(),
                             number(typeNormalizedValue(type)).c_str());
        }
        std::fputs("\n    ] , ", out);
    }
    writeAudioPort(out, lv2bundle::kAudioInLeft, "InputPort", "in_left", "Left In");
    std::fputs(" , ", out);
    writeAudioPort(out, lv2bundle::kAudioInRight, "InputPort", "in_right", "Right In");
    std::fputs(" , ", out);
    writeAudioPort(out, lv2bundle::kAudioOutLeft, "OutputPort", "out_left", "Left Out");
    std::fputs(" , ", out);
    writeAudioPort(out, lv2bundle::kAudioOutRight, "OutputPort", "out_right", "Right Out");
    writeSidePorts(out);
    std::fputs(" .\n\n", out);

    if (withUi)
        std::fprintf(out, "<%s>\n    a ui:X11UI ;\n    lv2:requiredFeature ui:idleInterface ;\n"
                          "    lv2:optionalFeature ui:parent , ui:resize , urid:map ;\n"
                          "    lv2:extensionData ui:idleInterface ;\n"
                          "    ui:portNotification [\n        ui:plugin <%s> ;\n        lv2:symbol \"meter_left\"\n    ] , [\n"
                          "        ui:plugin <%s> ;\n        lv2:symbol \"meter_right\"\n    ] , [\n"
                          "        ui:plugin <%s> ;\n        lv2:symbol \"notify\"\n    ] .\n\n",
                     lv2bundle::kUiUri, lv2bundle::kPluginUri, lv2bundle::kPluginUri, lv2bundle::kPluginUri);

    // The factory programs, "Current" (the edit buffer) left out; a preset
    // holds the per-program parameters only.
    for (int n = 1; n < kNumStoredPrograms; ++n)
    {
        const CProgram* program = effect.getStoredProgram(n);
        std::fprintf(out, "%s\n    a pset:Preset ;\n    lv2:appliesTo <%s> ;\n    rdfs:label %s ;\n    lv2:port ",
                     presetUri(n).c_str(), lv2bundle::kPluginUri, quoted(program->name()).c_str());
        bool first = true;
        for (uint32_t i = 0; i < lv2bundle::kNumControlPorts; ++i)
        {
            if (lv2bundle::isGlobalParameter(static_cast<int32_t>(i)))
                continue;
            std::fprintf(out, "%s[\n        lv2:symbol \"%s\" ;\n        pset:value %s\n    ]", first ? "" : " , ",
                         parameterInfo(static_cast<int32_t>(i)).symbol,
                         number(program->getParameter(static_cast<int32_t>(i))).c_str());
            first = false;
        }
        std::fputs(" .\n\n", out);
    }
}

bool writeFile(const std::string& path, const auto& write)
{
    FILE* out = std::fopen(path.c_str(), "w");
    if (!out)
        return false;
    write(out);
    return std::fclose(out) == 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || argc > 5 || (argc == 5 && std::strcmp(argv[4], "--ui") != 0))
    {
        std::fprintf(stderr, "usage: corvanta-lv2ttl BUNDLE_DIR MINOR MICRO [--ui]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool withUi = argc == 5;
    Corvanta effect(nullptr);
    const bool written = writeFile(dir + "/manifest.ttl", [&](FILE* out) { writeManifest(out, withUi); }) &&
                         writeFile(dir + "/corvanta.ttl",
                                   [&](FILE* out) { writePlugin(out, effect, argv[2], argv[3], withUi); });
    if (!written)
    {
        std::fprintf(stderr, "corvanta-lv2ttl: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
