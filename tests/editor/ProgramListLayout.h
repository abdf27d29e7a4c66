// Where the editor's program list and the background's zoom menu show their
// entries, for tests that click them in a window: the same toolkit lays the
// same entries out here as in the plug-in.
#pragma once

#include "FactoryBank.h"
#include "Toolkit.h"

// The rectangle of program n in the list's pop-up, in window pixels of the
// panel at the zoom level.
inline CRect programListEntry(VstInt32 program, int zoom = kUnzoomed)
{
    CFrame frame(zoomRect(CRect(0, 0, 300, 294), zoom), nullptr, nullptr);
    auto* list = new COptionMenu(zoomRect(CRect(207, 270, 215, 285), zoom), nullptr, 38, nullptr, nullptr,
                                 kCheckStyle | kNoDrawStyle);
    list->setNbItemsPerColumn(14);
    for (VstInt32 n = 0; n < kNumStoredPrograms; ++n)
    {
        if (n == 1)
            list->addEntry("-");
        list->addEntry(kFactoryBank[n].name);
    }
    frame.addView(list);
    COptionMenuPopup popup(list, frame.getViewSize(), zoom);
    return popup.entryRect(program == 0 ? 0 : program + 1);
}

// The rectangle of entry n (0: 100 %, 1: 150 %, 2: 200 %) of the zoom menu
// a right-click at `click` opens, in window pixels of the panel at `zoom`.
inline CRect zoomMenuEntry(CPoint click, long entry, int zoom)
{
    CFrame frame(zoomRect(CRect(0, 0, 300, 294), zoom), nullptr, nullptr);
    COptionMenu menu(CRect(click.h, click.v, click.h + 1, click.v + 1), nullptr, 43, nullptr, nullptr,
                     kCheckStyle | kNoDrawStyle);
    menu.setFont(kNormalFontSmall);
    for (const char* text : {"Zoom 100%", "Zoom 150%", "Zoom 200%"})
        menu.addEntry(text);
    COptionMenuPopup popup(&menu, frame.getViewSize(), zoom);
    return popup.entryRect(entry);
}
