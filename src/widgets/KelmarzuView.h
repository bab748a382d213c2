#pragma once
// The net view (2D slice laid flat); records its height for the profile.

#include "widgets/PaneView.h"

class CKelmarzuView : public CPaneView {
    Q_OBJECT
public:
    explicit CKelmarzuView(QWidget* parent = nullptr);
    ~CKelmarzuView() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
};
