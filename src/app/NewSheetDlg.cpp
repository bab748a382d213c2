#include "app/NewSheetDlg.h"

#include "app/Prompts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
QDoubleSpinBox* SideBox(QWidget* parent, const char* name, double value)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setDecimals(1);
    box->setRange(1.0, CNewSheetDlg::kMaxSideMm);
    box->setSuffix(QStringLiteral(" mm"));
    box->setValue(value);
    return box;
}
} // namespace

CNewSheetDlg::CNewSheetDlg(QWidget* parent, const NewSheetChoice& start) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("New Sheet"));
    auto* form = new QFormLayout;
    width_ = SideBox(this, "SheetWidth", start.width);
    height_ = SideBox(this, "SheetHeight", start.height);
    cells_ = new QSpinBox(this);
    cells_->setObjectName(QStringLiteral("SheetCells"));
    cells_->setRange(1, kMaxCells);
    cells_->setValue(start.cells);
    layout_ = new QComboBox(this);
    layout_->setObjectName(QStringLiteral("SheetLayout"));
    layout_->addItem(QStringLiteral("Regular"));
    layout_->addItem(QStringLiteral("Jittered"));
    layout_->setCurrentIndex(start.jittered ? 1 : 0);
    form->addRow(QStringLiteral("&Width:"), width_);
    form->addRow(QStringLiteral("&Height:"), height_);
    form->addRow(QStringLiteral("&Cells along the longer side:"), cells_);
    bend_ = new QComboBox(this);
    bend_->setObjectName(QStringLiteral("SheetBend"));
    bend_->addItem(QStringLiteral("None"));
    bend_->addItem(QStringLiteral("Cylinder"));
    bend_->addItem(QStringLiteral("Cone"));
    bend_->setCurrentIndex(static_cast<int>(start.bend));
    angle_ = new QDoubleSpinBox(this);
    angle_->setObjectName(QStringLiteral("SheetBendAngle"));
    angle_->setDecimals(1);
    angle_->setRange(0.1, kMaxBendDegrees);
    angle_->setSuffix(QStringLiteral("\u00b0"));
    angle_->setValue(start.bendDegrees);
    angle_->setEnabled(start.bend != SheetBend::None);
    connect(bend_, &QComboBox::currentIndexChanged, this,
            [this](int index) { angle_->setEnabled(index != 0); });
    form->addRow(QStringLiteral("&Layout:"), layout_);
    form->addRow(QStringLiteral("&Bend:"), bend_);
    form->addRow(QStringLiteral("&Angle:"), angle_);

    FinishFormDialog(this, form);
}

NewSheetChoice CNewSheetDlg::Choice() const
{
    NewSheetChoice c;
    c.width = width_->value();
    c.height = height_->value();
    c.cells = cells_->value();
    c.jittered = layout_->currentIndex() == 1;
    c.bend = static_cast<SheetBend>(bend_->currentIndex());
    c.bendDegrees = angle_->value();
    return c;
}
