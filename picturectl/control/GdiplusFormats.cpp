// The format identifier that MinGW's libgdiplus.a declares but does not define.
#include <windows.h>

extern "C" {
// {B96B3CB2-0728-11D3-9D7B-0000F81EF32E}
extern const GUID ImageFormatEXIF = {0xb96b3cb2, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
}
