// The controls linked into the test: the three-frame fixture gives the same
// frames and delays whether it comes from a file, a resource or a stream.
#include "TestSupport.h"

#include "com/Bstr.h"
#include "com/ClassFactory.h"
#include "control/Mervale.h"
#include "control/ReMervale.h"

#include <mmsystem.h>
#include <psapi.h>

#include <functional>
#include <string>
#include <type_traits>

using com::Bstr;
using com::ComPtr;
using mervale::CPictureControl;

namespace {

const auto* const g_ole = ::testing::AddGlobalTestEnvironment(new picturetest::OleEnvironment);

const std::vector<UINT> kFixtureDelays = {5, 10, 15};  // 10 ms units, from make_fixtures.py

struct LoadCase {
    const char* source;
    std::function<HRESULT(IMervale*)> load;
};

const LoadCase kLoads[] = {
    {"file",
     [](IMervale* c) {
         Bstr file(picturetest::FixturePath(L"three_frames.gif").c_str());
         return c->LoadFromFile(file.Get());
     }},
    {"resource",
     [](IMervale* c) {
         const OLE_HANDLE self = static_cast<OLE_HANDLE>(reinterpret_cast<UINT_PTR>(GetModuleHandleW(nullptr)));
         return c->LoadFromResource(self, const_cast<LPWSTR>(L"THREE_FRAMES"), const_cast<LPWSTR>(L"GIF"));
     }},
    {"stream",
     [](IMervale* c) {
         auto stream = picturetest::StreamOf(picturetest::ReadFileBytes(picturetest::FixturePath(L"three_frames.gif")));
         return c->LoadFromStream(stream.Get());
     }},
};

TEST(PictureControl, ThreeFrameGifLoadsFromFileResourceAndStream) {
    for (const LoadCase& c : kLoads) {
        ComPtr<IMervale> control;
        ASSERT_EQ(S_OK, com::CreateComObject<mervale::CMervale>(IID_IMervale, control.ReceiveVoid()));
        auto* picture = static_cast<mervale::CMervale*>(control.Get());
        ASSERT_EQ(S_OK, c.load(control.Get())) << c.source;
        EXPECT_EQ(3u, picture->FrameCount()) << c.source;
        EXPECT_EQ(kFixtureDelays, picture->FrameDelays()) << c.source;
        // A multi-frame picture joins its class's timer at once.
        EXPECT_TRUE(picture->IsPlaying()) << c.source;
        EXPECT_EQ(mervale::TimerState::Joined, picture->GetTimerState()) << c.source;
    }
    // Every control has released the timer again.
    EXPECT_EQ(0u, mervale::CMervale::SharedTimer().ClientCount());
    EXPECT_FALSE(mervale::CMervale::SharedTimer().IsRunning());
}

// Decision logic of the frame routine, driven with made-up times: a delay
// of 0, and one of 10 ms or less (1), lasts 100 ms; so does every frame of
// a GIF without delays.
TEST(PictureControl, ZeroAndShortFrameDelaysLastAHundredMilliseconds) {
    struct DelayCase {
        const wchar_t* file;
        std::vector<DWORD> durations;  // ms, per frame
    };
    const DelayCase cases[] = {
        {L"three_frames.gif", {50, 100, 150}},
        {L"fast_frames.gif", {100, 100, 20}},
        {L"no_delays.gif", {100, 100, 100}},
    };
    for (const DelayCase& c : cases) {
        ComPtr<IMervale> control;
        ASSERT_EQ(S_OK, com::CreateComObject<mervale::CMervale>(IID_IMervale, control.ReceiveVoid()));
        Bstr file(picturetest::FixturePath(c.file).c_str());
        ASSERT_EQ(S_OK, control->LoadFromFile(file.Get())) << c.file;
        auto* picture = static_cast<mervale::CMervale*>(control.Get());
        ASSERT_EQ(3u, picture->FrameCount()) << c.file;
        DWORD now = timeGetTime() + 100000;  // past the first deadline
        picture->OnFrameTime(now);
        for (int step = 0; step < 4; ++step) {
            const UINT frame = picture->FrameIndex();
            const DWORD lasts = c.durations[frame];
            picture->OnFrameTime(now + lasts - 1);
            EXPECT_EQ(frame, picture->FrameIndex()) << c.file << " frame " << frame << " ends early";
            now += lasts;
            picture->OnFrameTime(now);
            EXPECT_EQ((frame + 1) % 3, picture->FrameIndex()) << c.file << " frame " << frame << " ends late";
        }
    }
}

// The resident memory high-water mark of the process.
SIZE_T PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

// A picture that declares more than the bounds (a side, or the decoded
// frames together) is refused as a picture that cannot be decoded is, from
// a file and from a stream, and without decoding it: the process's memory
// peak stays where it was.
TEST(PictureControl, PicturesBeyondTheBoundsAreRefusedLikeUndecodableOnes) {
    const wchar_t* const refused[] = {
        L"not_a_picture.txt",  // for comparison: no decoder takes it
        L"frameless.gif",
        L"huge_screen.gif",    // 10,000 x 10,000
        L"huge.png",           // 20,000 x 20,000
        L"many_frames.gif",    // 120 frames of 400 x 400
    };
    const SIZE_T peakBefore = PeakWorkingSet();
    for (const wchar_t* name : refused) {
        for (const char* source : {"file", "stream"}) {
            ComPtr<IMervale> control;
            ASSERT_EQ(S_OK, com::CreateComObject<mervale::CMervale>(IID_IMervale, control.ReceiveVoid()));
            auto* picture = static_cast<mervale::CMervale*>(control.Get());
            HRESULT hr = S_OK;
            if (source == std::string("file")) {
                Bstr file(picturetest::FixturePath(name).c_str());
                hr = control->LoadFromFile(file.Get());
            } else {
                auto stream = picturetest::StreamOf(picturetest::ReadFileBytes(picturetest::FixturePath(name)));
                ASSERT_TRUE(stream);
                hr = control->LoadFromStream(stream.Get());
            }
            EXPECT_EQ(E_FAIL, hr) << source << " " << name;
            EXPECT_EQ(0u, picture->FrameCount()) << source << " " << name;
            EXPECT_FALSE(picture->IsPlaying()) << source << " " << name;
        }
    }
    const SIZE_T grown = PeakWorkingSet() - peakBefore;
    EXPECT_LT(grown, SIZE_T(4) * 1024 * 1024) << "the memory peak grew by " << grown << " bytes";
}

TEST(PictureControl, MissingResourceIsAFailure) {
    ComPtr<IMervale> control;
    ASSERT_EQ(S_OK, com::CreateComObject<mervale::CMervale>(IID_IMervale, control.ReceiveVoid()));
    const OLE_HANDLE self = static_cast<OLE_HANDLE>(reinterpret_cast<UINT_PTR>(GetModuleHandleW(nullptr)));
    EXPECT_EQ(E_FAIL, control->LoadFromResource(self, const_cast<LPWSTR>(L"NO_SUCH"), const_cast<LPWSTR>(L"GIF")));
}

}  // namespace

namespace {

// A 32-bit memory DC to draw a control into.
class MemoryCanvas {
public:
    MemoryCanvas(int width, int height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
        m_old = SelectObject(m_dc, m_bitmap);
        m_width = width;
        RECT all{0, 0, width, height};
        FillRect(m_dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~MemoryCanvas() {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    HDC Dc() const { return m_dc; }
    COLORREF Pixel(int x, int y) const {
        GdiFlush();
        const DWORD bgrx = m_bits[y * m_width + x];
        return RGB((bgrx >> 16) & 0xFF, (bgrx >> 8) & 0xFF, bgrx & 0xFF);
    }

private:
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    DWORD* m_bits = nullptr;
    int m_width = 0;
};

template <class Control, class Itf>
void ExpectFramesDrawnInTurn(const IID& iid, bool transparentStrip) {
    ComPtr<Itf> control;
    ASSERT_EQ(S_OK, com::CreateComObject<Control>(iid, control.ReceiveVoid()));
    Bstr file(picturetest::FixturePath(L"three_frames.gif").c_str());
    ASSERT_EQ(S_OK, control->LoadFromFile(file.Get()));
    auto* picture = static_cast<Control*>(control.Get());
    auto view = control.template As<IViewObject>(IID_IViewObject);
    ASSERT_TRUE(view);
    if constexpr (std::is_same_v<Control, mervale::CReMervale>) {
        EXPECT_EQ(transparentStrip, picture->HasFrameStrip());
    }

    // The fixture's squares: red, green, blue; the border is transparent.
    const COLORREF expected[] = {RGB(255, 0, 0), RGB(0, 160, 0), RGB(0, 0, 255), RGB(255, 0, 0)};
    DWORD now = timeGetTime();
    for (UINT step = 0; step < 4; ++step) {
        MemoryCanvas canvas(40, 40);
        const RECTL bounds{0, 0, 24, 24};
        ASSERT_EQ(S_OK, view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.Dc(), &bounds, nullptr,
                                   nullptr, 0));
        EXPECT_EQ(step % 3, picture->FrameIndex());
        EXPECT_EQ(expected[step], canvas.Pixel(12, 12)) << "step " << step;
        EXPECT_EQ(RGB(255, 255, 255), canvas.Pixel(1, 1)) << "step " << step;
        now += 1000;  // past any frame's deadline
        picture->OnFrameTime(now);
    }
}

TEST(PictureControl, DrawShowsTheCurrentFrameWithItsTransparency) {
    ExpectFramesDrawnInTurn<mervale::CMervale, IMervale>(IID_IMervale, false);
    // Every frame has transparent pixels: all of them go into the strip.
    ExpectFramesDrawnInTurn<mervale::CReMervale, IReMervale>(IID_IReMervale, true);
}

}  // namespace

namespace {

// Decision logic of the shared timer's list, with stand-in clients on the
// real thread timer: clients that leave during a tick, their own entry or
// another's, are skipped from then on; every client still joined is called
// once a tick; the slots stay consistent however the list shrinks.
class CountingClient : public mervale::FrameClient {
public:
    void OnFrameTime(DWORD) override {
        ++calls;
        if (onTick) onTick();
    }
    void HoldForTick() override {}
    void ReleaseAfterTick() override {}
    int calls = 0;
    std::function<void()> onTick;
};

TEST(AnimationTimer, ClientsLeavingDuringATickAreSkippedAndTheRestCalledOnce) {
    mervale::CAnimationTimer timer;
    constexpr int kClients = 3000;
    std::vector<CountingClient> clients(kClients);
    ASSERT_TRUE(timer.Start());
    for (CountingClient& client : clients) timer.Add(&client);
    timer.Add(&clients[0]);  // a second join changes nothing
    EXPECT_EQ(size_t(kClients), timer.ClientCount());
    // Every third client leaves at its first call and takes the next one with it.
    for (int i = 0; i + 1 < kClients; i += 3) {
        clients[i].onTick = [&timer, &clients, i] {
            timer.Remove(&clients[i]);
            timer.Remove(&clients[i + 1]);
        };
    }
    const DWORD start = GetTickCount();
    while (clients[2].calls < 3 && GetTickCount() - start < 5000) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(5);
    }
    const int ticks = clients[2].calls;
    ASSERT_GE(ticks, 3);
    size_t joined = 0;
    for (int i = 0; i < kClients; ++i) {
        const bool leaver = i % 3 == 0 && i + 1 < kClients;
        const bool taken = i % 3 == 1;
        const bool stays = !leaver && !taken;
        EXPECT_EQ(stays, timer.Contains(&clients[i])) << "client " << i;
        if (leaver) {
            EXPECT_EQ(1, clients[i].calls) << "client " << i;
        } else if (taken) {
            EXPECT_EQ(0, clients[i].calls) << "client " << i;  // left before its turn
        } else {
            EXPECT_EQ(ticks, clients[i].calls) << "client " << i;
        }
        joined += stays ? 1 : 0;
    }
    EXPECT_EQ(joined, timer.ClientCount());
    for (CountingClient& client : clients) timer.Remove(&client);
    EXPECT_EQ(0u, timer.ClientCount());
    EXPECT_FALSE(timer.IsRunning());
}

}  // namespace
