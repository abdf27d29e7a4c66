// A small LV2 host for tests on liblilv: loads the bundle this build made,
// or the one the environment variable CORVANTA_TEST_LV2_BUNDLE names, and
// nothing else; maps URIs for the plug-in and lilv's state code, and
// runs one instance on buffers and control values of its own, with a
// worker that does its work between runs, as a host's worker thread would.
#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <string>
#include <vector>

class Lv2TestWorld
{
public:
    Lv2TestWorld();
    ~Lv2TestWorld();
    Lv2TestWorld(const Lv2TestWorld&) = delete;
    Lv2TestWorld& operator=(const Lv2TestWorld&) = delete;

    ::LilvWorld* get() const { return world; }
    // The Corvanta plug-in of the bundle, or null.
    const LilvPlugin* plugin() const { return found; }
    LV2_URID_Map* map() { return &mapFeature; }
    LilvNode* uri(const char* text) const { return lilv_new_uri(world, text); }

private:
    static LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri);

    ::LilvWorld* world = nullptr;
    const LilvPlugin* found = nullptr;
    std::vector<std::string> uris;
    LV2_URID_Map mapFeature{this, mapUri};
};

class Lv2TestInstance
{
public:
    // Instantiates the plug-in at `rate` with urid:map and options naming
    // `blockLength` as the nominal block length; controls start at the
    // ports' defaults. Without `withWorker` the host offers no worker.
    Lv2TestInstance(Lv2TestWorld& world, double rate, int blockLength, bool withWorker = true);
    ~Lv2TestInstance();
    Lv2TestInstance(const Lv2TestInstance&) = delete;
    Lv2TestInstance& operator=(const Lv2TestInstance&) = delete;

    bool valid() const { return instance != nullptr; }
    LilvInstance* get() const { return instance; }
    std::vector<float> controls; // every port's value; the meters' too
    // One run() over separate stereo buffers; outputs are resized. The
    // messages sent since the last run go in; then the worker does what was
    // scheduled, its responses going out with the next run.
    void run(std::vector<float>& inL, std::vector<float>& inR, std::vector<float>& outL, std::vector<float>& outR);
    // Queues an atom for the control port's next run.
    void send(const LV2_Atom* message);
    // The atoms on the notify port after the last run.
    std::vector<const LV2_Atom*> notifications() const;

private:
    static LV2_Worker_Status schedule(LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data);
    static LV2_Worker_Status respond(LV2_Worker_Respond_Handle handle, uint32_t size, const void* data);

    LilvInstance* instance = nullptr;
    int32_t nominalBlock = 0;
    LV2_Worker_Schedule scheduleFeature{this, schedule};
    std::vector<std::vector<uint8_t>> jobs, responses;
    std::vector<uint64_t> controlIn, notifyOut; // 8-byte aligned atom sequences
};
