// A stand-in for the platform window: hands the frame a queue of input
// events one at a time, as a real window does, so mouse-tracking loops can
// be driven without a window system. When the queue runs dry with a button
// still held it releases it, so no loop can wait forever.
#pragma once

#include "CFrame.h"

#include <deque>

class ScriptedWindow : public PlatformWindow
{
public:
    struct Event
    {
        enum Kind
        {
            down,
            up,
            move,
            wheel,
            key
        } kind;
        CPoint where;
        long buttons = 0;
        float distance = 0.0f;
        VstKeyCode keyCode{};
    };

    explicit ScriptedWindow(CFrame& owner) : frame(owner) {}

    // Installs a scripted window on the frame and answers it.
    static ScriptedWindow& attach(CFrame& frame)
    {
        auto window = std::make_unique<ScriptedWindow>(frame);
        ScriptedWindow& result = *window;
        frame.setPlatformWindow(std::move(window));
        return result;
    }

    void press(CPoint where, long buttons = kLButton) { events.push_back({Event::down, where, buttons}); }
    void release(CPoint where, long buttons = 0) { events.push_back({Event::up, where, buttons}); }
    void move(CPoint where, long buttons) { events.push_back({Event::move, where, buttons}); }
    void wheel(CPoint where, float distance) { events.push_back({Event::wheel, where, 0, distance}); }
    void key(VstKeyCode code) { events.push_back({Event::key, CPoint(), 0, 0.0f, code}); }
    void typeText(const char* text)
    {
        for (; *text; ++text)
        {
            VstKeyCode code{};
            code.character = static_cast<unsigned char>(*text);
            key(code);
        }
    }
    void virtualKey(unsigned char virt)
    {
        VstKeyCode code{};
        code.virt = virt;
        key(code);
    }
    // A press at `from`, moves in `steps` to `to`, release there.
    void drag(CPoint from, CPoint to, int steps = 5, long buttons = kLButton)
    {
        press(from, buttons);
        for (int i = 1; i <= steps; ++i)
            move(CPoint(from.h + (to.h - from.h) * i / steps, from.v + (to.v - from.v) * i / steps), buttons);
        release(to, buttons & kModifierMask);
    }
    void click(CPoint where, long buttons = kLButton)
    {
        press(where, buttons);
        release(where, buttons & kModifierMask);
    }
    // Lets the frame handle everything queued, as host idle calls would.
    void run()
    {
        for (int guard = 0; guard < 1000 && !events.empty(); ++guard)
            frame.idle();
        frame.idle();
    }

    bool pumpEvent(int) override
    {
        if (events.empty())
        {
            if (!(held & (kLButton | kMButton | kRButton)))
                return false;
            held = 0;
            frame.platformMouseUp(lastWhere, 0);
            return true;
        }
        const Event event = events.front();
        events.pop_front();
        lastWhere = event.where;
        switch (event.kind)
        {
        case Event::down:
            held = event.buttons;
            frame.platformMouseDown(event.where, event.buttons);
            break;
        case Event::up:
            held = event.buttons;
            frame.platformMouseUp(event.where, event.buttons);
            break;
        case Event::move:
            held = event.buttons;
            frame.platformMouseMoved(event.where, event.buttons);
            break;
        case Event::wheel:
            frame.platformWheel(event.where, event.distance, 0);
            break;
        case Event::key:
            frame.platformKey(event.keyCode, true);
            break;
        }
        return true;
    }
    void present(const PixelBuffer&, const CRect& area) override
    {
        ++presents;
        presented.unite(area);
    }
    void* getHandle() const override { return nullptr; }

    std::deque<Event> events;
    int presents = 0;
    CRect presented;

private:
    CFrame& frame;
    long held = 0;
    CPoint lastWhere;
};
