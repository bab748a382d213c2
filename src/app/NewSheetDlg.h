#pragma once
// New Sheet: the size of the paper, how finely it is divided, whether the
// grid is regular or jittered and whether the sheet is bent. Only asks; the
// main window builds the sheet.

#include "sheet/SheetBend.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QSpinBox;

struct NewSheetChoice {
    double width = 210.0;  // millimetres
    double height = 297.0; // millimetres
    int cells = 60;        // along the longer side
    bool jittered = false;
    SheetBend bend = SheetBend::None;
    double bendDegrees = 90.0;
};

class CNewSheetDlg : public QDialog {
    Q_OBJECT
public:
    // Cells along the longer side are capped so a sheet stays quick to fold.
    static constexpr int kMaxCells = 400;
    static constexpr double kMaxSideMm = 10000.0;

    explicit CNewSheetDlg(QWidget* parent = nullptr, const NewSheetChoice& start = {});
    NewSheetChoice Choice() const;

private:
    QDoubleSpinBox* width_ = nullptr;
    QDoubleSpinBox* height_ = nullptr;
    QSpinBox* cells_ = nullptr;
    QComboBox* layout_ = nullptr;
    QComboBox* bend_ = nullptr;
    QDoubleSpinBox* angle_ = nullptr;
};
