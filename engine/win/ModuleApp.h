// CModuleApp: the messenger library's application object (Ulvarn.dll): the
// engine's application object with the messenger's variant.
#pragma once

#include "KestrinApp.h"

class CModuleApp : public CKestrinApp {
public:
    explicit CModuleApp(EngineOptions options = EngineOptions())
        : CKestrinApp(engine::EngineVariant::Messenger, std::move(options)) {}
};
