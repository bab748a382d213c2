#pragma once
// Crease Pattern Options: which side of the sheet, creases as dashes, bends
// as guides. Asked after the file is chosen in Export Crease Pattern and
// before Print's dialog. Only asks; the caller keeps the choice.

#include "export/PatternOptions.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;

class CPatternOptionsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CPatternOptionsDlg(QWidget* parent = nullptr, const CPatternOptions& start = {});
    CPatternOptions Choice() const;

private:
    QComboBox* side_ = nullptr;
    QCheckBox* dashed_ = nullptr;
    QDoubleSpinBox* dash_ = nullptr;
    QDoubleSpinBox* gap_ = nullptr;
    QDoubleSpinBox* margin_ = nullptr;
    QCheckBox* bends_ = nullptr;
};
