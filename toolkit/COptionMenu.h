// A list of text entries shown as a pop-up. The field shows the current
// entry (unless kNoTextStyle; kNoDrawStyle draws nothing at all). A click
// opens the pop-up as the frame's modal view: the entries in columns of
// setNbItemsPerColumn (or as many as fit the frame), "-" entries drawn as
// separators, the current entry checked with kCheckStyle. Clicking an entry
// makes it current and tells the listener; clicking outside, or Escape,
// closes the pop-up without a change. The value is the current entry's
// index counted with separators.
#pragma once

#include "CTextEdit.h"
#include "Zoom.h"

#include <string>
#include <vector>

class COptionMenu : public CParamDisplay
{
public:
    COptionMenu(const CRect& size, CControlListener* listener, long tag, CBitmap* background = nullptr,
                CBitmap* bgWhenClick = nullptr, long style = 0);
    ~COptionMenu() override;

    // Appends (index -1 or past the end) or inserts an entry.
    virtual bool addEntry(const char* text, long index = -1);
    virtual bool setEntry(long index, const char* text);
    virtual bool removeEntry(long index);
    virtual void removeAllEntry();
    virtual long getNbEntries() const { return static_cast<long>(entries.size()); }
    // Copies the entry's text (at most 255 bytes and a terminator).
    virtual bool getEntry(long index, char* text) const;
    const char* getEntry(long index) const;
    static bool isSeparator(const std::string& entry) { return entry == "-"; }

    // index counts the separators when countSeparator is true; otherwise it
    // counts only the selectable entries.
    virtual bool setCurrent(long index, bool countSeparator = true);
    virtual long getCurrent(char* text = nullptr, bool countSeparator = true) const;
    virtual void setNbItemsPerColumn(long count) { nbItemsPerColumn = count; }
    virtual long getNbItemsPerColumn() const { return nbItemsPerColumn; }

    void setValue(float newValue) override;
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;

    // Chosen in the pop-up: becomes current, and the listener is told.
    void choose(long index, CDrawContext* context);
    bool isPopupOpen() const { return popupOpen; }
    void setPopupOpen(bool state) { popupOpen = state; }

protected:
    std::vector<std::string> entries;
    long currentIndex = -1;
    long nbItemsPerColumn = 0;
    CBitmap* bgWhenClick;
    bool popupOpen = false;
};

// The pop-up of a COptionMenu; lives as the frame's modal view while open.
class COptionMenuPopup : public CView
{
public:
    // Laid out for the frame's size and zoom level (its rows, margins and
    // text scale with the level).
    COptionMenuPopup(COptionMenu* menu, const CRect& frameSize, int zoom = kUnzoomed);
    ~COptionMenuPopup() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    void mouseMoved(CDrawContext* context, const CPoint& where) override;
    long onKeyDown(VstKeyCode& keyCode) override;
    // Takes every click, so a click outside closes it.
    bool hitTest(const CPoint&, long) override { return true; }

    long entryAt(const CPoint& where) const;
    CRect entryRect(long index) const;
    long getColumns() const { return columns; }
    long getRows() const { return rows; }
    long getHighlight() const { return highlight; }

private:
    void close(CDrawContext* context, long chosen);
    void moveHighlight(long step);

    COptionMenu* menu;
    CFont font;
    int zoom;
    long rows = 1;
    long columns = 1;
    long rowHeight = 12;
    long columnWidth = 40;
    long highlight = -1;
};
