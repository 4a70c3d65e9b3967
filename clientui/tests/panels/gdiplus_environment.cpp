// GDI+ runs for the whole test program.
#include "PanelTestSupport.h"

namespace {

::testing::Environment* const kGdiPlus = ::testing::AddGlobalTestEnvironment(new paneltest::CGdiPlusEnvironment);

}  // namespace
