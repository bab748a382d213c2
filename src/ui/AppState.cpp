#include "ui/AppState.h"

std::unique_ptr<CPolyModel> g_pModel;
bool showEdges = false;
bool showFaces = true;
bool showBends = false;
bool qwfModel = false;
int lastDesignViewWidth = 300;
int lastNetViewHeight = 200;
