// Draws the editor's bitmaps into the directory given as the argument, named
// as in corvanta.rc: at 100 % as 24-bit .bmp files, at the other zoom levels
// as PNG files whose names end in the level ("panel_150.png"), which keeps the
// module small. With --preview, also writes a PNG of each 100 % file beside
// it. The output depends on nothing but this code and the embedded fonts.
#include "Artwork.h"
#include "draw/ImageFiles.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace
{
bool writeFile(const std::filesystem::path& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: %s output-directory [--preview]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path directory = argv[1];
    const bool preview = argc > 2 && std::strcmp(argv[2], "--preview") == 0;
    std::error_code error;
    std::filesystem::create_directories(directory, error);

    using namespace artwork;
    for (int level : kZoomLevels)
    {
        paint::setZoom(level);
        const PixelBuffer panelImage = panel();
        const CColor amber = paint::rgb(236, 150, 48);
        const CColor blue = paint::rgb(70, 156, 226);
        const std::pair<const char*, PixelBuffer> files[] = {
            {"panel", panelImage},
            {"power", powerSwitch(panelImage)},
            {"type_rocker", typeRocker(panelImage)},
            {"type_pictures", typePictures(panelImage)},
            {"overload_lamp", overloadLamp(panelImage)},
            {"knob_decay", knobStrip(panelImage, place::decayKnob, amber, place::decayKnob)},
            {"knob_high_damp", knobStrip(panelImage, place::highDampKnob, amber, place::highDampKnob)},
            {"knob_low", knobStrip(panelImage, place::lowGainKnob, blue, place::lowFreqKnob)},
            {"knob_high", knobStrip(panelImage, place::highGainKnob, blue, place::highFreqKnob)},
            {"knob_mix", knobStrip(panelImage, place::mixKnob, amber, place::mixKnob)},
            {"knob_output", knobStrip(panelImage, place::outputKnob, amber, place::outputKnob)},
            {"about", about()},
            {"slider_handle", sliderHandle()},
            {"memo_recall_a", barButton(panelImage, place::recallA, ButtonIcon::recall)},
            {"memo_recall_b", barButton(panelImage, place::recallB, ButtonIcon::recall)},
            {"load_bank", barButton(panelImage, place::loadBank, ButtonIcon::load)},
            {"save_bank", barButton(panelImage, place::saveBank, ButtonIcon::save)},
            {"memo_store_a", barButton(panelImage, place::storeA, ButtonIcon::store)},
            {"memo_store_b", barButton(panelImage, place::storeB, ButtonIcon::store)},
            {"step_rocker", stepRocker(panelImage)},
            {"load_preset", barButton(panelImage, place::loadPreset, ButtonIcon::load)},
            {"save_preset", barButton(panelImage, place::savePreset, ButtonIcon::save)},
        };
        for (const auto& [name, image] : files)
        {
            const bool bitmap = level == kUnzoomed;
            const std::filesystem::path path =
                directory / (bitmap ? std::string(name) + ".bmp" : std::string(name) + "_" + std::to_string(level) + ".png");
            if (!(bitmap ? writeFile(path, encodeBitmap24(image)) : writePng(image, path.string())))
            {
                std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
                return 1;
            }
            if (preview && bitmap)
                writePng(image, std::filesystem::path(path).replace_extension(".png").string());
        }
    }
    return 0;
}
