#include "Lv2TestHost.h"

#include "Lv2Bundle.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>

#include <cstdlib>
#include <cstring>
#include <string>

Lv2TestWorld::Lv2TestWorld() : world(lilv_world_new())
{
    const char* chosen = std::getenv("CORVANTA_TEST_LV2_BUNDLE");
    const std::string path = std::string(chosen && *chosen ? chosen : CORVANTA_LV2_BUNDLE_DIR) + "/";
    LilvNode* bundle = lilv_new_file_uri(world, nullptr, path.c_str());
    lilv_world_load_bundle(world, bundle);
    lilv_node_free(bundle);
    LilvNode* pluginUri = uri(lv2bundle::kPluginUri);
    found = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), pluginUri);
    lilv_node_free(pluginUri);
}

Lv2TestWorld::~Lv2TestWorld()
{
    lilv_world_free(world);
}

LV2_URID Lv2TestWorld::mapUri(LV2_URID_Map_Handle handle, const char* uri)
{
    auto& uris = static_cast<Lv2TestWorld*>(handle)->uris;
    for (size_t i = 0; i < uris.size(); ++i)
        if (uris[i] == uri)
            return static_cast<LV2_URID>(i + 1);
    uris.emplace_back(uri);
    return static_cast<LV2_URID>(uris.size());
}

Lv2TestInstance::Lv2TestInstance(Lv2TestWorld& world, double rate, int blockLength, bool withWorker)
    : nominalBlock(blockLength)
{
    LV2_URID_Map* map = world.map();
    const LV2_Options_Option options[] = {
        {LV2_OPTIONS_INSTANCE, 0, map->map(map->handle, LV2_BUF_SIZE__nominalBlockLength), sizeof(int32_t),
         map->map(map->handle, LV2_ATOM__Int), &nominalBlock},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr},
    };
    const LV2_Feature mapFeature{LV2_URID__map, map};
    const LV2_Feature optionsFeature{LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
    const LV2_Feature workerFeature{LV2_WORKER__schedule, &scheduleFeature};
    const LV2_Feature* features[] = {&mapFeature, &optionsFeature, withWorker ? &workerFeature : nullptr, nullptr};
    const LilvPlugin* plugin = world.plugin();
    if (!plugin)
        return;
    controls.assign(lilv_plugin_get_num_ports(plugin), 0.0f);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, controls.data());
    instance = lilv_plugin_instantiate(plugin, rate, features);
    if (!instance)
        return;
    for (uint32_t i = 0; i < lv2bundle::kNumControlPorts; ++i)
        lilv_instance_connect_port(instance, i, &controls[i]);
    lilv_instance_connect_port(instance, lv2bundle::kMeterLeft, &controls[lv2bundle::kMeterLeft]);
    lilv_instance_connect_port(instance, lv2bundle::kMeterRight, &controls[lv2bundle::kMeterRight]);
    controlIn.assign(1024, 0);
    notifyOut.assign(1024, 0);
    auto* in = reinterpret_cast<LV2_Atom_Sequence*>(controlIn.data());
    in->atom = {sizeof(LV2_Atom_Sequence_Body), map->map(map->handle, LV2_ATOM__Sequence)};
    lilv_instance_connect_port(instance, lv2bundle::kControlIn, controlIn.data());
    lilv_instance_connect_port(instance, lv2bundle::kNotifyOut, notifyOut.data());
    lilv_instance_activate(instance);
}

Lv2TestInstance::~Lv2TestInstance()
{
    if (!instance)
        return;
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
}

void Lv2TestInstance::run(std::vector<float>& inL, std::vector<float>& inR, std::vector<float>& outL,
                          std::vector<float>& outR)
{
    outL.resize(inL.size());
    outR.resize(inL.size());
    lilv_instance_connect_port(instance, lv2bundle::kAudioInLeft, inL.data());
    lilv_instance_connect_port(instance, lv2bundle::kAudioInRight, inR.data());
    lilv_instance_connect_port(instance, lv2bundle::kAudioOutLeft, outL.data());
    lilv_instance_connect_port(instance, lv2bundle::kAudioOutRight, outR.data());
    auto* notify = reinterpret_cast<LV2_Atom_Sequence*>(notifyOut.data());
    notify->atom.size = static_cast<uint32_t>(notifyOut.size() * sizeof(uint64_t) - sizeof(LV2_Atom));
    lilv_instance_run(instance, static_cast<uint32_t>(inL.size()));
    reinterpret_cast<LV2_Atom_Sequence*>(controlIn.data())->atom.size = sizeof(LV2_Atom_Sequence_Body);

    const auto* worker =
        static_cast<const LV2_Worker_Interface*>(lilv_instance_get_extension_data(instance, LV2_WORKER__interface));
    for (const auto& job : jobs)
        worker->work(lilv_instance_get_handle(instance), respond, this, static_cast<uint32_t>(job.size()), job.data());
    jobs.clear();
    for (const auto& response : responses)
        worker->work_response(lilv_instance_get_handle(instance), static_cast<uint32_t>(response.size()),
                              response.data());
    responses.clear();
}

void Lv2TestInstance::send(const LV2_Atom* message)
{
    auto* in = reinterpret_cast<LV2_Atom_Sequence*>(controlIn.data());
    const uint32_t eventSize = sizeof(LV2_Atom_Event) + message->size;
    auto* event = reinterpret_cast<LV2_Atom_Event*>(reinterpret_cast<uint8_t*>(&in->body) + in->atom.size);
    event->time.frames = 0;
    std::memcpy(&event->body, message, sizeof(LV2_Atom) + message->size);
    in->atom.size += lv2_atom_pad_size(eventSize);
}

std::vector<const LV2_Atom*> Lv2TestInstance::notifications() const
{
    std::vector<const LV2_Atom*> atoms;
    const auto* notify = reinterpret_cast<const LV2_Atom_Sequence*>(notifyOut.data());
    LV2_ATOM_SEQUENCE_FOREACH (notify, event)
        atoms.push_back(&event->body);
    return atoms;
}

LV2_Worker_Status Lv2TestInstance::schedule(LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    static_cast<Lv2TestInstance*>(handle)->jobs.emplace_back(bytes, bytes + size);
    return LV2_WORKER_SUCCESS;
}

LV2_Worker_Status Lv2TestInstance::respond(LV2_Worker_Respond_Handle handle, uint32_t size, const void* data)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    static_cast<Lv2TestInstance*>(handle)->responses.emplace_back(bytes, bytes + size);
    return LV2_WORKER_SUCCESS;
}
