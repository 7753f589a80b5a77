// The history graph: the left part of the meter window, three stacked graphs
// (left, right, correlation) of the recorded levels in 2-pixel columns with
// the newest on the right, a time ruler above and an event strip below the
// left graph. It scrolls with the window's horizontal scroll bar, the keys,
// mouse dragging and the wheel (zoom), follows the newest slot live, and
// shows the time under the pointer in the title bar.
//
// Threads: everything here runs on the user-interface thread except
// LiveHistoryUpdate, which the display thread runs once per frame; it draws
// through its own DC and never sends a message (the thumb is updated by a
// posted kMeterMsgUpdateThumb).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "display/meter_scale.h"
#include "view/history_columns.h"
#include "view/meter_window_layout.h"

struct MeterEngine;
struct DisplayFrame;
struct MeterSettings;

// Posted to the meter window by the display thread: update the thumb.
constexpr UINT kMeterMsgUpdateThumb = WM_APP + 1;

// The meter window's record keeps one for its history graph.
// Threads: the drag fields are the user-interface thread's; thumbPosted is
// raised by the display thread and lowered by the user-interface thread;
// the picture fields are written by both (a paint, a live frame).
struct HistoryViewState {
    uint32_t dragging;                 // 1 while the left button drags the view
    int32_t dragX;                     // client x of the drag's last used pixel
    HWND previousCapture;              // capture holder before the drag
    std::atomic<uint32_t> thumbPosted; // 1 from a posted thumb update until it is taken
    // The slots the picture on screen shows, following the history's end:
    // a live frame scrolls it by the slots added since and draws only those
    // columns. kHistoryPictureUnknown after anything else moved it (the user
    // scrolled, the zoom, a partial paint of another moment, recording
    // off); the next live frame then asks for a full repaint.
    std::atomic<int32_t> pictureSlots{-1};
    std::atomic<uint32_t> pictureSize{0}; // HistoryPictureSize of that picture
};

constexpr int32_t kHistoryPictureUnknown = -1;
constexpr int32_t kHistoryPictureAsked = -2; // a full repaint is on its way

// The key of a picture's geometry: history width g and graph height h.
inline uint32_t HistoryPictureSize(int32_t g, int32_t h) {
    return (static_cast<uint32_t>(g) << 16) | (static_cast<uint32_t>(h) & 0xffffu);
}

// How the columns are drawn: the selected quantity and the level mapping.
struct HistoryStyle {
    BarQuantity quantity;
    LevelMapping mapping;
    float dbHead, dbMax; // zone limits from the settings
    float offset;        // display dB offset
    uint32_t channels;
    const MeterSettings* settings;
};

// The style from the engine's configuration (the user-interface side).
HistoryStyle HistoryStyleFromConfig(MeterEngine* engine, int32_t height);

// Full repaint of the history of a window with history width g and graph
// height h: backgrounds, scale boxes with grid lines, every column, the
// ruler and the event strip. Holds the display thread's history drawing off
// meanwhile. Nothing happens for g <= 0. Returns the slots drawn (the
// store's write index it drew), or -1 when nothing was drawn.
int32_t PaintHistory(MeterEngine* engine, HDC dc, int32_t g, int32_t h);

// After a paint that drew the slots `drawn` (PaintHistory's result) with
// the clip box `clip`: the picture is known when the paint covered the
// whole history (0, 0, g, bottom) or drew the moment already on screen.
void NotePaintedHistory(HistoryViewState* view, int32_t drawn, const RECT* clip, int32_t g,
                        int32_t h, int32_t bottom);

// The user moved the view (scroll, drag, keys): the picture is no longer
// the live one.
inline void ForgetHistoryPicture(HistoryViewState* view) {
    view->pictureSlots.store(kHistoryPictureUnknown);
}

// One column of width `width` at x: the level graphs with their peak
// markers and the correlation, with a run-end line (runEnd) or a cue line
// (cue) through them.
void DrawHistoryColumn(const HistoryStyle* style, HDC dc, const HistoryColumnValues* values, int x,
                       int width, int32_t h, int runEnd, int cue);

// The time ruler and the event strip (run ends and cue labels).
void DrawTimeRulerAndEvents(MeterEngine* engine, HDC dc, int32_t g, int32_t h);

// Moves the view by a scroll code (HistoryScrollCode; thumb from the scroll
// message, param for 2000 and 2001), shifts the graphs and redraws the
// ruler. Returns 1 when the view moved, 0 otherwise (fewer than two slots,
// unusable layout, no change).
int ScrollHistory(MeterEngine* engine, HWND window, uint32_t code, int32_t thumb, int64_t param);

// The scroll range 0 .. 4000 (without redraw), then the thumb.
void SetHistoryScrollRange(MeterEngine* engine, HWND window);

// Puts the thumb at the view position and redraws the scroll bar.
void UpdateHistoryThumb(MeterEngine* engine, HWND window);

// Mouse events offered by the meter window before its own handling. Each
// returns 1 when the history view took the event.
int HistoryMouseDown(MeterEngine* engine, HistoryViewState* view, HWND window, WPARAM keys, int x,
                     int y);
int HistoryMouseMove(MeterEngine* engine, HistoryViewState* view, HWND window, int x, int y);
int HistoryMouseUp(HistoryViewState* view);

// The time read-out for the pointer at client x: the sample clock of the
// slot under it, without its sign, when the layout is usable, x lies on the
// graph, the client area is at least 351 pixels wide and the column holds a
// slot. Returns 1 with the text, 0 when nothing is to be shown. The mouse
// move draws it into the title bar.
int HistoryReadout(MeterEngine* engine, HWND window, int x, char* text, size_t size);

// The display thread's part after the frame's slot was appended: at zoom 1
// with the view at the newest slot and the picture on screen known, shift
// the graphs, the ruler and the event strip 2 pixels left per slot added
// since and draw only the new columns (the ruler and the event strip whole
// when a label, run end or cue is among them or a cue is in view); a
// picture not known, of another size, or more new columns than the graph
// holds, gets a full repaint instead. Then post the thumb update unless one
// is pending in view (the meter window lowers the flag when it takes it).
void LiveHistoryUpdate(MeterEngine* engine, HistoryViewState* view, DisplayFrame* frame,
                       HWND window, HDC dc, const MeterLayout* layout, const RECT* client);
