// Fuzz target: what a picture's bytes declare, as the picture control reads
// them before any decoder sees a picture from a peer or a file.
//
// Input: the bytes of a picture file. Checked:
// - every read stays inside the input (the sanitizers);
// - an accepted picture of a known format keeps the bounds: each side, and
//   the decoded frames together;
// - a GIF without images is never accepted; bytes of no known format are
//   left to the decoder;
// - the verdict on a declaration is the one the decoder-side check gives
//   for the same sizes;
// - a copy cut at any point of a GIF declares no more frames than the whole.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "bounds/PictureBounds.h"

using mervale::PictureBounds;
using mervale::PictureDeclaration;
using mervale::PictureFormat;
using mervale::PictureVerdict;

namespace {

void CheckDeclaration(const PictureDeclaration& d) {
    if (d.format == PictureFormat::Unknown) {
        FUZZ_EXPECT(d.verdict == PictureVerdict::Accepted);
        return;
    }
    if (d.format == PictureFormat::Gif && d.frames == 0) FUZZ_EXPECT(d.verdict != PictureVerdict::Accepted);
    if (d.verdict == PictureVerdict::Accepted) {
        FUZZ_EXPECT(d.width <= PictureBounds::kMaxSide && d.height <= PictureBounds::kMaxSide);
        const uint64_t frames = d.frames ? d.frames : 1;
        FUZZ_EXPECT(uint64_t(d.width) * d.height * d.bytesPerPixel * frames <= PictureBounds::kMaxDecodedBytes);
    }
    if (d.verdict == PictureVerdict::Accepted || d.verdict == PictureVerdict::TooLarge) {
        FUZZ_EXPECT(PictureBounds::CheckDecoded(d.width, d.height, d.frames, d.bytesPerPixel) == d.verdict);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const PictureDeclaration whole = PictureBounds::Inspect(data, size);
    CheckDeclaration(whole);
    if (whole.format == PictureFormat::Gif && size > 13) {
        const PictureDeclaration cut = PictureBounds::Inspect(data, size / 2 + 6);
        CheckDeclaration(cut);
        FUZZ_EXPECT(cut.frames <= whole.frames);
    }
    return 0;
}
