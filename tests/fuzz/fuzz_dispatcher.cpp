// One effect instance per input, with its editor, driven by a host that
// makes the calls the input spells out: dispatcher opcodes with any index,
// value and opt, parameters set and read with any index and value, and
// blocks processed. The host behaves as a host must where the interface
// binds it: a pointer an opcode takes points to a record or buffer of the
// size the interface gives (allocated to exactly that size, so the address
// sanitizer sees a write beyond it), and blocks come only while the effect is
// resumed and hold at most the block size it was resumed with. No window
// system is installed: the editor opens on a frame of its own, drawn offscreen.
//
// Input: calls one after another until the bytes run out; a missing byte
// reads as 0. Each call starts with a byte k:
//   k % 8 < 5  dispatcher: opcode byte (80 and above: an int32 follows with
//              the opcode), index int32, value int64, opt float, then a
//              length byte and that many payload bytes (texts, chunks,
//              speaker counts);
//   k % 8 = 5  setParameter: index int32, value float;
//   k % 8 = 6  getParameter: index int32;
//   k % 8 = 7  processReplacing: frames uint16, in-place byte, level float.
// Numbers are little-endian.
#include "Corvanta.h"
#include "CorvantaEditor.h"
#include "FuzzHost.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace
{
constexpr VstInt32 kMaxFrames = 4096;
constexpr VstInt32 kInitialBlockSize = 1024; // the effect's own until the host sets one

class Reader
{
public:
    Reader(const uint8_t* data, size_t size) : data(data), size(size) {}
    bool done() const { return position >= size; }
    uint8_t byte() { return position < size ? data[position++] : 0; }
    template <typename T> T number()
    {
        uint8_t bytes[sizeof(T)] = {};
        for (uint8_t& b : bytes)
            b = byte();
        T value;
        std::memcpy(&value, bytes, sizeof(T)); // the fuzzing machine is little-endian
        return value;
    }
    std::vector<uint8_t> bytes(size_t count)
    {
        std::vector<uint8_t> result(count);
        for (uint8_t& b : result)
            b = byte();
        return result;
    }

private:
    const uint8_t* data;
    size_t size;
    size_t position = 0;
};

AEffEditor* makeEditor(AudioEffect* effect)
{
    return new CorvantaEditor(effect); // registers itself with the effect
}

// A heap block of exactly `size` bytes, zeroed.
std::unique_ptr<uint8_t[]> block(size_t size)
{
    return std::make_unique<uint8_t[]>(size);
}

class Session
{
public:
    Session() : effect((new Corvanta(fuzzHostCallback, makeEditor))->getAeffect()) {}
    ~Session()
    {
        if (effect)
            effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool open() const { return effect != nullptr; }

    void call(Reader& in)
    {
        const uint8_t kind = in.byte() % 8;
        if (kind < 5)
            dispatch(in);
        else if (kind == 5)
        {
            const auto index = in.number<int32_t>();
            effect->setParameter(effect, index, in.number<float>());
        }
        else if (kind == 6)
            effect->getParameter(effect, in.number<int32_t>());
        else
            process(in);
    }

private:
    void dispatch(Reader& in)
    {
        VstInt32 opcode = in.byte();
        if (opcode >= 80)
            opcode = in.number<int32_t>();
        const auto index = in.number<int32_t>();
        auto value = static_cast<VstIntPtr>(in.number<int64_t>());
        const auto opt = in.number<float>();
        std::vector<uint8_t> payload = in.bytes(in.byte());

        std::unique_ptr<uint8_t[]> buffer;
        void* ptr = nullptr;
        ERect* rect = nullptr;
        void* chunk = nullptr;
        VstSpeakerArrangement* arrangements[2] = {};
        auto sized = [&](size_t size) {
            buffer = block(size);
            ptr = buffer.get();
        };
        switch (opcode)
        {
        case effClose:
            effect->dispatcher(effect, effClose, index, value, nullptr, opt);
            effect = nullptr; // the trampoline deleted the instance
            return;
        case effSetProgramName:
        case effString2Parameter:
        case effCanDo:
            payload.push_back(0);
            ptr = payload.data();
            break;
        case effGetProgramName:
        case effGetProgramNameIndexed:
            sized(kVstMaxProgNameLen + 1);
            break;
        case effGetParamLabel:
        case effGetParamDisplay:
        case effGetParamName:
            sized(kVstMaxLabelLen); // what the effect says it writes at most
            break;
        case effGetEffectName:
            sized(kVstMaxEffectNameLen);
            break;
        case effGetVendorString:
        case effGetProductString:
        case effShellGetNextPlugin:
            sized(kVstMaxProductStrLen);
            break;
        case effEditGetRect:
            ptr = &rect;
            break;
        case effEditOpen:
            ptr = nullptr; // no window of the host's: the frame stays offscreen
            break;
        case effGetChunk:
            ptr = &chunk;
            break;
        case effSetChunk:
            ptr = payload.data();
            value = static_cast<VstIntPtr>(payload.size());
            break;
        case effGetInputProperties:
        case effGetOutputProperties:
            sized(sizeof(VstPinProperties));
            break;
        case effGetParameterProperties:
            sized(sizeof(VstParameterProperties));
            break;
        case effSetSpeakerArrangement:
        {
            buffer = block(2 * sizeof(VstSpeakerArrangement));
            auto* records = reinterpret_cast<VstSpeakerArrangement*>(buffer.get());
            payload.resize(16);
            std::memcpy(&records[0].type, payload.data(), 8);
            std::memcpy(&records[1].type, payload.data() + 8, 8);
            value = reinterpret_cast<VstIntPtr>(&records[0]);
            ptr = &records[1];
            break;
        }
        case effGetSpeakerArrangement:
            value = reinterpret_cast<VstIntPtr>(&arrangements[0]);
            ptr = &arrangements[1];
            break;
        case effOfflineNotify:
        case effOfflinePrepare:
        case effOfflineRun:
            value = 0; // no files or tasks behind the pointer
            sized(4096);
            break;
        default:
            // Records this effect does not read (events, variable I/O, MIDI
            // names) read as empty; other opcodes take no pointer.
            sized(4096);
            break;
        }
        effect->dispatcher(effect, opcode, index, value, ptr, opt);
        if (opcode == effSetBlockSize)
            blockSize = static_cast<VstInt32>(value);
        else if (opcode == effMainsChanged)
        {
            resumed = value != 0;
            if (resumed)
                resumedBlockSize = blockSize;
        }
    }

    void process(Reader& in)
    {
        const VstInt32 frames = in.number<uint16_t>();
        const bool inPlace = in.byte() & 1;
        const float level = in.number<float>();
        const VstInt32 limit = std::min(resumedBlockSize, kMaxFrames);
        if (!resumed || limit <= 0)
            return;
        const VstInt32 n = frames % (limit + 1);
        for (VstInt32 i = 0; i < n; ++i)
            left[static_cast<size_t>(i)] = right[static_cast<size_t>(i)] = level * static_cast<float>(i % 64 - 32) / 32.0f;
        float* inputs[2] = {left.data(), right.data()};
        float* outputs[2] = {outLeft.data(), outRight.data()};
        effect->processReplacing(effect, inputs, inPlace ? inputs : outputs, n);
    }

    AEffect* effect;
    bool resumed = false;
    VstInt32 blockSize = kInitialBlockSize;
    VstInt32 resumedBlockSize = kInitialBlockSize;
    std::vector<float> left = std::vector<float>(kMaxFrames), right = left, outLeft = left, outRight = left;
};
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    useFuzzConfigHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Reader in(data, size);
    Session session;
    while (!in.done() && session.open())
        session.call(in);
    return 0;
}
