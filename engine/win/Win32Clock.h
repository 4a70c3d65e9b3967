// Local time from the system (GetLocalTime).
#pragma once

#include "EnginePorts.h"

namespace engine {

class Win32Clock : public IClock {
public:
    LocalTime Now() const override;
};

}  // namespace engine
