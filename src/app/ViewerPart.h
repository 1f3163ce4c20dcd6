#pragma once

#include "app/ViewerState.h"
#include "core/settings/Options.h"

class ViewerController;

// What every part of the viewer works on: the viewer that owns it (through which it reaches the
// other parts), the shared state, the options and the track bar. GUI thread.
class ViewerPart {
protected:
    explicit ViewerPart(ViewerController& viewer);

    ViewerController& m_viewer;
    ViewerState& m_state;
    Options& m_options;
    TrackBar& m_bar;
};
