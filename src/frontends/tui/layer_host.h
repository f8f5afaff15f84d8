// What a layer may ask of the screen that holds it: to run another layer on top of it
// (a menu, a message box) until that one is done, with the event loop going on meanwhile.
#pragma once

#include "frontends/tui/layer.h"

namespace tui {

class LayerHost {
public:
    virtual ~LayerHost() = default;
    virtual void RunLayer(Layer& layer) = 0;
};

}  // namespace tui
