// CMervale: the animated-picture control (coclass Mervale, IMervale).
#pragma once

#include "PictureControlT.h"

namespace mervale {

class CMervale final : public PictureControlT<IMervale> {
public:
    CMervale();
    // The frame timer of all CMervale controls.
    static CAnimationTimer& SharedTimer();
};

}  // namespace mervale
