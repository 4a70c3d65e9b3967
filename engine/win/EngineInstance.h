// The library's one application object (theApp), defined per library.
#pragma once

#include "KestrinApp.h"

CKestrinApp& EngineApp();
