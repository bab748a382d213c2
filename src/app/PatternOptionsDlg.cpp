#include "app/PatternOptionsDlg.h"

#include "app/Prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QVBoxLayout>

namespace {

QDoubleSpinBox* LengthBox(QWidget* parent, const char* name, double lowest, double value)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setDecimals(2);
    box->setRange(lowest, 1000.0); // what ValidDashLengths accepts
    box->setSingleStep(0.5);
    box->setSuffix(QStringLiteral(" mm"));
    box->setValue(value);
    return box;
}

} // namespace

CPatternOptionsDlg::CPatternOptionsDlg(QWidget* parent, const CPatternOptions& start)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Crease Pattern Options"));
    side_ = new QComboBox(this);
    side_->setObjectName(QStringLiteral("PatternSide"));
    // In PatternSide's order.
    side_->addItem(QStringLiteral("Front"));
    side_->addItem(QStringLiteral("Back (mirrored, mountain and valley swapped)"));
    side_->addItem(QStringLiteral("Both (front and back)"));
    side_->addItem(QStringLiteral("Split (valleys on the front, mountains on the back)"));
    side_->setCurrentIndex(static_cast<int>(start.side));
    dashed_ = new QCheckBox(QStringLiteral("Creases as &dashes"), this);
    dashed_->setObjectName(QStringLiteral("PatternDashed"));
    dashed_->setChecked(start.dashed);
    dash_ = LengthBox(this, "PatternDash", 0.01, start.dash);
    gap_ = LengthBox(this, "PatternGap", 0.01, start.gap);
    margin_ = LengthBox(this, "PatternMargin", 0.0, start.margin);
    const auto enableLengths = [this](bool on) {
        for (QDoubleSpinBox* box : {dash_, gap_, margin_})
            box->setEnabled(on);
    };
    enableLengths(start.dashed);
    connect(dashed_, &QCheckBox::toggled, this, enableLengths);
    bends_ = new QCheckBox(QStringLiteral("Draw &bends as faint guides"), this);
    bends_->setObjectName(QStringLiteral("PatternBends"));
    bends_->setChecked(start.bends);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Side:"), side_);
    form->addRow(dashed_);
    form->addRow(QStringLiteral("Dash &length:"), dash_);
    form->addRow(QStringLiteral("&Gap:"), gap_);
    form->addRow(QStringLiteral("&Margin at ends and edges:"), margin_);
    form->addRow(bends_);
    FinishFormDialog(this, form);
}

CPatternOptions CPatternOptionsDlg::Choice() const
{
    CPatternOptions c;
    c.side = static_cast<PatternSide>(side_->currentIndex());
    c.dashed = dashed_->isChecked();
    c.dash = dash_->value();
    c.gap = gap_->value();
    c.margin = margin_->value();
    c.bends = bends_->isChecked();
    return c;
}
