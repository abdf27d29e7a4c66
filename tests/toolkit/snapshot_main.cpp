// Writes PNG snapshots of the panel fixture for looking at: as built, with
// the About splash open and with the program list open; scaled by 3.
#include "PanelFixture.h"
#include "draw/ImageFiles.h"

#include <string>

namespace
{
PixelBuffer scaled(const PixelBuffer& image, int factor)
{
    PixelBuffer big(image.width() * factor, image.height() * factor);
    for (int y = 0; y < big.height(); ++y)
        for (int x = 0; x < big.width(); ++x)
            big.at(x, y) = image.at(x / factor, y / factor);
    return big;
}
} // namespace

int main(int argc, char** argv)
{
    const std::string prefix = argc > 1 ? argv[1] : "snapshot";
    RecordingListener listener;
    PanelControls controls;
    auto frame = buildPanel(listener, controls);
    frame->idle();
    writePng(scaled(frame->getBuffer(), 3), prefix + "_panel.png");
    writePng(frame->getBuffer(), prefix + "_panel_1x.png");
    CDrawContext context = frame->createDrawContext();
    CPoint where(207, 275);
    frame->mouse(&context, where, kLButton);
    frame->idle();
    writePng(scaled(frame->getBuffer(), 2), prefix + "_list.png");
    CPoint outside(5, 5);
    frame->mouse(&context, outside, kLButton);
    CPoint title(150, 12);
    frame->mouse(&context, title, kLButton);
    frame->idle();
    writePng(scaled(frame->getBuffer(), 2), prefix + "_about.png");
    return 0;
}
