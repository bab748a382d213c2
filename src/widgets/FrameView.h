#pragma once
// The section view (3D slices in space).

#include "widgets/PaneView.h"

class CFrameView : public CPaneView {
    Q_OBJECT
public:
    explicit CFrameView(QWidget* parent = nullptr);
    ~CFrameView() override;
};
