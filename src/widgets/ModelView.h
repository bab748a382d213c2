#pragma once
// The design view (3D, reflection design); records its width for the profile.

#include "widgets/PaneView.h"

class CModelView : public CPaneView {
    Q_OBJECT
public:
    explicit CModelView(QWidget* parent = nullptr);
    ~CModelView() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
};
