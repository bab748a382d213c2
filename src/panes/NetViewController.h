#pragma once
// The net pane's state and event logic, free of any window system: the
// picked slice laid flat, pan and zoom, marking parts by clicking their
// edges, and the Delete key. The widget forwards events and draws what
// this holds; every method here can be driven by a test with numbers.

class CPolyModel;
class CSlicePlane;
class Spart;

// Buttons and modifier keys at the time of a mouse move.
struct NetViewButtons {
    bool right = false;
    bool middle = false;
    bool ctrl = false;
    bool shift = false;
};

class CNetViewController {
public:
    static constexpr double kPickRadius = 10.0;   // pixels
    static constexpr int kClickSlopSquared = 9;   // a move of up to 3 pixels is a click
    static constexpr double kSheetWidthCm = 21.0; // A4 portrait
    static constexpr double kSheetHeightCm = 29.7;
    static constexpr int kSheetMargin = 15; // pixels on each side
    // Smallest factor one wheel event may apply: a huge negative delta would
    // otherwise make the zoom zero or negative.
    static constexpr double kMinWheelFactor = 0.1;
    // The wheel has no sheet bound; these keep zoom and 1/zoom finite.
    static constexpr double kMinZoom = 1e-6;
    static constexpr double kMaxZoom = 1e6;

    int width = 0, height = 0;
    int halfWidth = 0, halfHeight = 0;
    double zoom = 1.0;
    double panX = 0.0, panY = 0.0; // screen pixels at zoom 1
    double sheetScale = 1.0;       // pixels per centimetre of an A4 sheet fitting the pane
    int lastX = 0, lastY = 0;      // anchor of the current drag
    int downX = 0, downY = 0;      // origin of a possible click

    // Stores the client size and recomputes the sheet scale. The caller
    // records the height as the pane height to remember between runs.
    void Resize(int w, int h);

    // Pixels per plane unit at the current zoom.
    double DrawFactor() const { return height * zoom / 2.5; }
    // Offset of the whole picture in pixels (what the drawing translates by).
    double OffsetX() const { return panX * zoom; }
    double OffsetY() const { return panY * zoom; }
    // (u, v) relative to the picture offset, origin at the pane centre, y up:
    // the coordinates the drawing sends after translating by the offset.
    void ToPicture(double u, double v, double& x, double& y) const;
    // (u, v) in window coordinates: origin top-left, y down (mouse positions).
    void ToWindow(double u, double v, double& x, double& y) const;

    void LeftDown(int x, int y, bool qwfModel);
    void MiddleDown(int x, int y);
    void RightDown(int x, int y, bool qwfModel);
    // Pans (Ctrl+right or middle) or zooms (Shift+right, bounded by the
    // sheet: never below 10 pixels for the sheet's width). True when the
    // pane must redraw.
    bool MouseMove(int x, int y, const NetViewButtons& buttons);
    // 120 per notch; away from the user zooms in. Only with a model. True
    // when the pane must redraw.
    bool Wheel(int delta, bool haveModel);
    // A left release: with a picked slice and at most 3 pixels from the
    // press, flips the mark of the part whose edge is nearest within 10
    // pixels. True when it was such a click (the pane redraws, hit or not).
    bool LeftUp(CPolyModel* model, int x, int y);
    // The part of the slice with an outline edge strictly within 10 pixels
    // of the window point, nearest first, earlier part on ties; or null.
    Spart* PartNear(const CSlicePlane& slice, double x, double y) const;
    // The Delete key: DeleteMarkedParts on the model. True when every view
    // must update.
    bool DeleteKey(CPolyModel* model);
};
