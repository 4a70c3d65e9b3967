#include "Mervale.h"

namespace mervale {

CMervale::CMervale() : PictureControlT<IMervale>(CLSID_Mervale, SharedTimer()) {}

CAnimationTimer& CMervale::SharedTimer() {
    static CAnimationTimer timer;  // ids from the module-wide counter
    return timer;
}

}  // namespace mervale
