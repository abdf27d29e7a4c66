// Draws the editor's bitmaps into the directory given as the argument, as
// 24-bit .bmp files named as in corvanta.rc. With --preview, also writes a
// PNG of each file beside it. The output depends on nothing but this code
// and the embedded fonts.
#include "Artwork.h"
#include "draw/ImageFiles.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

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
    const PixelBuffer panelImage = panel();
    const CColor amber = paint::rgb(236, 150, 48);
    const CColor blue = paint::rgb(70, 156, 226);
    const std::pair<const char*, PixelBuffer> files[] = {
        {"panel.bmp", panelImage},
        {"power.bmp", powerSwitch(panelImage)},
        {"type_rocker.bmp", typeRocker(panelImage)},
        {"type_pictures.bmp", typePictures(panelImage)},
        {"overload_lamp.bmp", overloadLamp(panelImage)},
        {"knob_decay.bmp", knobStrip(panelImage, place::decayKnob, amber)},
        {"knob_high_damp.bmp", knobStrip(panelImage, place::highDampKnob, amber)},
        {"knob_low.bmp", knobStrip(panelImage, place::lowGainKnob, blue)},
        {"knob_high.bmp", knobStrip(panelImage, place::highGainKnob, blue)},
        {"knob_mix.bmp", knobStrip(panelImage, place::mixKnob, amber)},
        {"knob_output.bmp", knobStrip(panelImage, place::outputKnob, amber)},
        {"about.bmp", about()},
        {"slider_handle.bmp", sliderHandle()},
        {"memo_recall_a.bmp", barButton(panelImage, place::recallA, ButtonIcon::recall)},
        {"memo_recall_b.bmp", barButton(panelImage, place::recallB, ButtonIcon::recall)},
        {"load_bank.bmp", barButton(panelImage, place::loadBank, ButtonIcon::load)},
        {"save_bank.bmp", barButton(panelImage, place::saveBank, ButtonIcon::save)},
        {"memo_store_a.bmp", barButton(panelImage, place::storeA, ButtonIcon::store)},
        {"memo_store_b.bmp", barButton(panelImage, place::storeB, ButtonIcon::store)},
        {"step_rocker.bmp", stepRocker(panelImage)},
        {"load_preset.bmp", barButton(panelImage, place::loadPreset, ButtonIcon::load)},
        {"save_preset.bmp", barButton(panelImage, place::savePreset, ButtonIcon::save)},
    };
    for (const auto& [name, image] : files)
    {
        const std::vector<unsigned char> bytes = encodeBitmap24(image);
        std::ofstream out(directory / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out)
        {
            std::fprintf(stderr, "cannot write %s\n", (directory / name).c_str());
            return 1;
        }
        if (preview)
            writePng(image, (directory / name).replace_extension(".png").string());
    }
    return 0;
}
