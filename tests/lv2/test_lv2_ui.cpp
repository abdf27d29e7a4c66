// The LV2 UI under a real X server (Xvfb, started here), embedded through
// suil as an LV2 host does: found through lilv, instantiated with ui:parent
// on a window of the test's own, idled through ui:idleInterface, driven by
// real X input. A knob drag must arrive as a write to the plug-in's port, and
// a port event from the host must be shown, not written back.
// GoogleTest first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include "Lv2Bundle.h"
#include "Lv2TestHost.h"
#include "XvfbHarness.h"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <suil/suil.h>

#include <atomic>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

namespace
{
using namespace xvfb;

// What the UI wrote, and the plug-in instance the writes go to.
struct Controller
{
    std::vector<std::pair<uint32_t, float>> writes;
    Lv2TestInstance* plugin = nullptr;
    int width = 0;
    int height = 0;
};

void writePort(SuilController controller, uint32_t port, uint32_t size, uint32_t protocol, const void* buffer)
{
    auto* host = static_cast<Controller*>(controller);
    if (protocol != 0 || size != sizeof(float) || port >= host->plugin->controls.size())
        return;
    const float value = *static_cast<const float*>(buffer);
    host->writes.emplace_back(port, value);
    host->plugin->controls[port] = value;
}

int resizeUi(LV2UI_Feature_Handle handle, int width, int height)
{
    auto* host = static_cast<Controller*>(handle);
    host->width = width;
    host->height = height;
    return 0;
}

TEST(Lv2Ui, EmbedsInTheHostWindowAndAKnobDragReachesThePluginPort)
{
    XvfbServer server;
    if (!server.start())
        GTEST_SKIP() << "no X server could be started (Xvfb missing or failing)";
    setenv("DISPLAY", server.displayName().c_str(), 1);
    Display* display = server.display();

    Lv2TestWorld world;
    ASSERT_NE(world.plugin(), nullptr);
    LilvUIs* uis = lilv_plugin_get_uis(world.plugin());
    ASSERT_EQ(lilv_uis_size(uis), 1u);
    const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
    LilvNode* x11Class = world.uri(LV2_UI__X11UI);
    EXPECT_TRUE(lilv_ui_is_a(ui, x11Class));
    char* bundlePath = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_bundle_uri(ui)), nullptr);
    char* binaryPath = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr);

    Lv2TestInstance plugin(world, 48000.0, 256);
    ASSERT_TRUE(plugin.valid());
    Controller controller;
    controller.plugin = &plugin;

    const Window hostWindow = createHostWindow(display, 300, 294);
    LV2_URID_Map* map = world.map();
    const float scale = 1.0f;
    const LV2_Options_Option options[] = {
        {LV2_OPTIONS_INSTANCE, 0, map->map(map->handle, LV2_UI__scaleFactor), sizeof(float),
         map->map(map->handle, LV2_ATOM__Float), &scale},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr},
    };
    LV2UI_Resize resize{&controller, resizeUi};
    const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(hostWindow)};
    const LV2_Feature mapFeature{LV2_URID__map, map};
    const LV2_Feature optionsFeature{LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
    const LV2_Feature resizeFeature{LV2_UI__resize, &resize};
    const LV2_Feature* features[] = {&parentFeature, &mapFeature, &optionsFeature, &resizeFeature, nullptr};

    SuilHost* suil = suil_host_new(writePort, nullptr, nullptr, nullptr);
    SuilInstance* instance =
        suil_instance_new(suil, &controller, LV2_UI__X11UI, lv2bundle::kPluginUri, lilv_node_as_uri(lilv_ui_get_uri(ui)),
                          LV2_UI__X11UI, bundlePath, binaryPath, features);
    ASSERT_NE(instance, nullptr);
    const auto* idle = static_cast<const LV2UI_Idle_Interface*>(
        suil_instance_extension_data(instance, LV2_UI__idleInterface));
    ASSERT_NE(idle, nullptr);
    const auto idleUi = [&] { return idle->idle(suil_instance_get_handle(instance)); };

    // The editor's window is the widget, a child of the host's, at 100 %.
    const auto widget = reinterpret_cast<Window>(suil_instance_get_widget(instance));
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    ASSERT_TRUE(XQueryTree(display, widget, &root, &parent, &children, &count));
    if (children)
        XFree(children);
    EXPECT_EQ(parent, hostWindow);
    EXPECT_EQ(controller.width, 300);
    EXPECT_EQ(controller.height, 294);

    // The host shows the plug-in's values; nothing goes back.
    const float decay = 0.5f;
    const float damping = 0.3f;
    suil_instance_port_event(instance, kDecay, sizeof decay, 0, &decay);
    suil_instance_port_event(instance, kHighDamp, sizeof damping, 0, &damping);
    EXPECT_EQ(idleUi(), 0);
    EXPECT_TRUE(controller.writes.empty());

    std::atomic<bool> done{false};
    std::thread driver([&] {
        Driver input(server.displayName(), hostWindow);
        // The Decay knob, 50 pixels up: a quarter of its range.
        input.dragVertically(67, 70, 20);
        done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!done && std::chrono::steady_clock::now() < deadline)
    {
        idleUi();
        std::this_thread::sleep_for(5ms);
    }
    driver.join();
    for (int i = 0; i < 40; ++i)
    {
        idleUi();
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_FALSE(controller.writes.empty());
    for (const auto& [port, value] : controller.writes)
        EXPECT_EQ(port, static_cast<uint32_t>(kDecay));
    EXPECT_EQ(controller.writes.back().second, 0.75f);
    // The plug-in takes it at its next block.
    std::vector<float> inL(64, 0.0f), inR(64, 0.0f), outL, outR;
    plugin.run(inL, inR, outL, outR);
    EXPECT_EQ(plugin.controls[kDecay], 0.75f);

    suil_instance_free(instance);
    suil_host_free(suil);
    lilv_free(binaryPath);
    lilv_free(bundlePath);
    lilv_node_free(x11Class);
    lilv_uis_free(uis);
}
} // namespace
