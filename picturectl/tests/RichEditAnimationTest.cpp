// Controls in a rich edit, as the clients insert them: two animate on
// their class's one timer, Stop freezes one of them, and a control scrolled
// out of view leaves the timer until it is painted again. Pictures that
// stay in view while the text scrolls under real wheel, scroll-bar and
// page-key input keep animating on the screen.
#include "TestSupport.h"

#include "RealInput.h"

#include "com/Bstr.h"
#include "com/ClassFactory.h"
#include "control/Mervale.h"

#include <richedit.h>
#include <richole.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstdint>
#include <functional>
#include <vector>
#include <string>

using com::Bstr;
using com::ComPtr;
using mervale::CMervale;

namespace {

const auto* const g_ole = ::testing::AddGlobalTestEnvironment(new picturetest::OleEnvironment);

// Runs the thread's messages (and so the frame timer) for a while.
void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    }
}

// Runs the messages until the condition holds; false after the time-out.
template <class Condition>
bool PumpUntil(Condition condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        PumpFor(10);
    }
    return true;
}

// How often a control's frame changes while the messages run.
template <size_t N>
std::array<int, N> CountFrameChanges(const std::array<CMervale*, N>& controls, DWORD ms) {
    std::array<int, N> changes{};
    std::array<UINT, N> last{};
    for (size_t i = 0; i < N; ++i) last[i] = controls[i]->FrameIndex();
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        PumpFor(10);
        for (size_t i = 0; i < N; ++i) {
            if (controls[i]->FrameIndex() != last[i]) {
                ++changes[i];
                last[i] = controls[i]->FrameIndex();
            }
        }
    }
    return changes;
}

// A rich edit in a window of its own, with the controls inserted into it.
class RichEditWithPictures : public ::testing::Test {
protected:
    void MakeWindows(int width, int height) {
        m_richEditLibrary = LoadLibraryW(L"riched20.dll");
        ASSERT_TRUE(m_richEditLibrary);
        m_frame = CreateWindowExW(0, L"STATIC", L"Mervale", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, width + 20,
                                  height + 40, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_frame);
        m_edit = CreateWindowExW(0, RICHEDIT_CLASSW, L"",
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, 0, 0, width,
                                 height, m_frame, nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_edit);
        ASSERT_TRUE(SendMessageW(m_edit, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(m_richEdit.Receive())));
    }

    void TearDown() override {
        if (m_edit) DestroyWindow(m_edit);
        if (m_frame) DestroyWindow(m_frame);
        m_richEdit.Reset();
        // The rich edit has let go of the controls: ours are the last references.
        for (ComPtr<IMervale>& control : m_controls) {
            if (!control) continue;
            control->AddRef();
            EXPECT_EQ(1u, control->Release());
        }
        m_controls.clear();
        PumpFor(50);
        if (m_richEditLibrary) FreeLibrary(m_richEditLibrary);
    }

    void AppendText(const wchar_t* text) {
        const LRESULT end = GetWindowTextLengthW(m_edit);
        SendMessageW(m_edit, EM_SETSEL, end + 1000, end + 1000);
        SendMessageW(m_edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
    }

    // The insertion sequence of the clients: REMode, load, storage on global
    // memory, the rich edit's client site, InsertObject at the selection.
    void InsertControl() {
        m_controls.emplace_back();
        ComPtr<IMervale>& control = m_controls.back();
        ASSERT_EQ(S_OK, com::CreateComObject<CMervale>(IID_IMervale, control.ReceiveVoid()));
        ASSERT_EQ(S_OK, control->put_REMode(VARIANT_TRUE));
        Bstr file(picturetest::FixturePath(L"three_frames.gif").c_str());
        ASSERT_EQ(S_OK, control->LoadFromFile(file.Get()));
        auto object = control.As<IOleObject>(IID_IOleObject);
        ASSERT_TRUE(object);
        CLSID clsid{};
        ASSERT_EQ(S_OK, object->GetUserClassID(&clsid));
        auto storage = picturetest::StorageOnGlobalMemory();
        ASSERT_TRUE(storage);
        ComPtr<IOleClientSite> site;
        ASSERT_EQ(S_OK, m_richEdit->GetClientSite(site.Receive()));
        ASSERT_EQ(S_OK, object->SetClientSite(site.Get()));

        SendMessageW(m_edit, EM_SETSEL, -1, -1);
        REOBJECT reObject{};
        reObject.cbStruct = sizeof reObject;
        reObject.cp = REO_CP_SELECTION;
        reObject.clsid = clsid;
        reObject.poleobj = object.Get();
        reObject.pstg = storage.Get();
        reObject.polesite = site.Get();
        reObject.dvaspect = DVASPECT_CONTENT;
        reObject.dwFlags = REO_BELOWBASELINE;
        ASSERT_EQ(S_OK, m_richEdit->InsertObject(&reObject));
        OleSetContainedObject(object.Get(), TRUE);
        ASSERT_EQ(S_OK, control->put_Enabled(VARIANT_TRUE));
    }

    HMODULE m_richEditLibrary = nullptr;
    HWND m_frame = nullptr;
    HWND m_edit = nullptr;
    ComPtr<IRichEditOle> m_richEdit;
    std::vector<ComPtr<IMervale>> m_controls;
};

// Two pictures on the first line.
class RichEditAnimation : public RichEditWithPictures {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(MakeWindows(400, 200));
        AppendText(L"First picture: ");
        ASSERT_NO_FATAL_FAILURE(InsertControl());
        AppendText(L"   second picture: ");
        ASSERT_NO_FATAL_FAILURE(InsertControl());
        AppendText(L"\r\nTwo animated pictures above.");
        UpdateWindow(m_edit);
        PumpFor(300);
    }

    CMervale* First() const { return static_cast<CMervale*>(m_controls[0].Get()); }
    CMervale* Second() const { return static_cast<CMervale*>(m_controls[1].Get()); }
};

TEST_F(RichEditAnimation, BothControlsAdvanceOnTheSharedTimer) {
    EXPECT_EQ(2u, CMervale::SharedTimer().ClientCount());
    EXPECT_TRUE(CMervale::SharedTimer().IsRunning());
    // The fixture's frames last 50, 100 and 150 ms: about 13 changes in 2 s.
    const auto changes = CountFrameChanges<2>({First(), Second()}, 2000);
    EXPECT_GE(changes[0], 6);
    EXPECT_GE(changes[1], 6);
    EXPECT_TRUE(First()->IsPlaying());
    EXPECT_TRUE(Second()->IsPlaying());
}

TEST_F(RichEditAnimation, StopFreezesOneControlUntilPlay) {
    ASSERT_EQ(S_OK, m_controls[0]->Stop());
    auto changes = CountFrameChanges<2>({First(), Second()}, 1000);
    EXPECT_EQ(0, changes[0]);
    EXPECT_GE(changes[1], 3);
    EXPECT_EQ(1u, CMervale::SharedTimer().ClientCount());

    // A repaint does not restart a stopped control.
    RedrawWindow(m_edit, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    changes = CountFrameChanges<2>({First(), Second()}, 500);
    EXPECT_EQ(0, changes[0]);
    EXPECT_FALSE(First()->IsPlaying());

    ASSERT_EQ(S_OK, m_controls[0]->Play());
    changes = CountFrameChanges<2>({First(), Second()}, 1000);
    EXPECT_GE(changes[0], 3);
}

TEST_F(RichEditAnimation, ScrolledOutOfViewStopsTickingAndResumesWhenBack) {
    for (int line = 0; line < 60; ++line) AppendText((L"\r\nline " + std::to_wstring(line)).c_str());
    SendMessageW(m_edit, WM_VSCROLL, SB_BOTTOM, 0);
    UpdateWindow(m_edit);

    // Unpainted frames add up until both controls leave the timer (17 frames
    // of at most 150 ms each).
    EXPECT_TRUE(PumpUntil([&] { return !First()->IsPlaying() && !Second()->IsPlaying(); }, 10000));
    EXPECT_EQ(0u, CMervale::SharedTimer().ClientCount());
    EXPECT_FALSE(CMervale::SharedTimer().IsRunning());
    auto changes = CountFrameChanges<2>({First(), Second()}, 600);
    EXPECT_EQ(0, changes[0]);
    EXPECT_EQ(0, changes[1]);

    // Painted again, they join the timer again.
    SendMessageW(m_edit, WM_VSCROLL, SB_TOP, 0);
    UpdateWindow(m_edit);
    changes = CountFrameChanges<2>({First(), Second()}, 1000);
    EXPECT_GE(changes[0], 3);
    EXPECT_GE(changes[1], 3);
    EXPECT_TRUE(First()->IsPlaying());
    EXPECT_TRUE(Second()->IsPlaying());
}

namespace scrolling {

// The colours of the fixture's three frames: bit 0 red, 1 green, 2 blue.
int ColoursIn(const std::vector<uint32_t>& pixels) {
    int seen = 0;
    for (uint32_t pixel : pixels) {
        const COLORREF c = pixel & 0xFFFFFF;
        if (c == RGB(255, 0, 0)) seen |= 1;
        if (c == RGB(0, 160, 0)) seen |= 2;
        if (c == RGB(0, 0, 255)) seen |= 4;
    }
    return seen;
}

}  // namespace scrolling

// A log of lines with a picture every few lines, taller than its window,
// scrolled as a user scrolls it.
class ScrollingLog : public RichEditWithPictures {
protected:
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 300;
    static constexpr int kPictureHeight = 24;  // the fixture's size
    // A picture's part of the screen, from its character's point.
    static constexpr int kAreaWidth = 30;
    static constexpr int kAreaHeight = 40;

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(MakeWindows(kWidth, kHeight));
        for (int line = 0; line < 90; ++line) {
            if (line % 6 == 2) {
                AppendText(L"picture ");
                ASSERT_NO_FATAL_FAILURE(InsertControl());
            }
            AppendText((L" line " + std::to_wstring(line) + L"\r\n").c_str());
        }
        SendMessageW(m_edit, EM_SETSEL, 0, 0);
        SendMessageW(m_edit, WM_VSCROLL, SB_TOP, 0);
        ASSERT_TRUE(tavreltest::BringToFront(m_frame));
        UpdateWindow(m_edit);
        // The keyboard focus in the log, by a click at the end of its first line.
        tavreltest::Click(tavreltest::ClientPoint(m_edit, kWidth - 60, 6));
        PumpFor(300);
        ASSERT_EQ(m_edit, GetFocus());
    }

    LONG CpOf(LONG index) {
        REOBJECT object{};
        object.cbStruct = sizeof object;
        if (FAILED(m_richEdit->GetObject(index, &object, REO_GETOBJ_NO_INTERFACES))) return -1;
        return object.cp;
    }

    POINT CharacterPoint(LONG cp) {
        POINTL at{};
        SendMessageW(m_edit, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), cp);
        return {at.x, at.y};
    }

    // The indices of the pictures whose whole area lies in the client area.
    std::vector<LONG> PicturesInView() {
        std::vector<LONG> shown;
        RECT client{};
        GetClientRect(m_edit, &client);
        for (LONG i = 0; i < m_richEdit->GetObjectCount(); ++i) {
            const POINT at = CharacterPoint(CpOf(i));
            if (at.y >= 0 && at.y + kAreaHeight <= client.bottom && at.x + kAreaWidth <= client.right) {
                shown.push_back(i);
            }
        }
        return shown;
    }

    // The colours each picture shows on the screen while the messages run
    // for ms (read back from the display, where the picture is now).
    std::vector<int> ColoursOnScreen(const std::vector<LONG>& pictures, DWORD ms) {
        std::vector<int> seen(pictures.size(), 0);
        const DWORD start = GetTickCount();
        auto allSeen = [&] {
            for (int s : seen) {
                if (s != 7) return false;
            }
            return true;
        };
        while (GetTickCount() - start < ms && !allSeen()) {
            PumpFor(15);
            for (size_t i = 0; i < pictures.size(); ++i) {
                const POINT at = CharacterPoint(CpOf(pictures[i]));
                POINT screen = at;
                ClientToScreen(m_edit, &screen);
                const RECT area{screen.x, screen.y, screen.x + kAreaWidth, screen.y + kAreaHeight};
                seen[i] |= scrolling::ColoursIn(tavreltest::ScreenPixels(area));
            }
        }
        return seen;
    }

    RECT ScrollBarOnScreen(SCROLLBARINFO& info) {
        info = {};
        info.cbSize = sizeof info;
        GetScrollBarInfo(m_edit, OBJID_VSCROLL, &info);
        return info.rcScrollBar;
    }
};

// Each scroll moves the text by more than a picture's height; every picture
// in view afterwards, those that stayed in view as well as those that came
// into it, shows all its frames on the screen.
TEST_F(ScrollingLog, PicturesInViewKeepAnimatingOnScreenAfterEachScroll) {
    struct ScrollCase {
        const char* how;
        std::function<void()> scroll;
    };
    const ScrollCase cases[] = {
        {"the mouse wheel, one notch down",
         [&] {
             INPUT wheel = tavreltest::MouseInput(tavreltest::ClientPoint(m_edit, kWidth / 2, kHeight / 2),
                                                  MOUSEEVENTF_WHEEL);
             wheel.mi.mouseData = static_cast<DWORD>(-WHEEL_DELTA);
             SendInput(1, &wheel, sizeof wheel);
         }},
        {"the scroll bar's thumb, dragged down a little",
         [&] {
             SCROLLBARINFO info{};
             const RECT bar = ScrollBarOnScreen(info);
             const POINT thumb{(bar.left + bar.right) / 2, bar.top + (info.xyThumbTop + info.xyThumbBottom) / 2};
             // All at once: the scroll bar tracks the drag in a loop of its
             // own until the button comes up.
             INPUT steps[] = {
                 tavreltest::MouseInput(thumb, MOUSEEVENTF_LEFTDOWN),
                 tavreltest::MouseInput({thumb.x, thumb.y + 4}, 0),
                 tavreltest::MouseInput({thumb.x, thumb.y + 8}, 0),
                 tavreltest::MouseInput({thumb.x, thumb.y + 12}, 0),
                 tavreltest::MouseInput({thumb.x, thumb.y + 12}, MOUSEEVENTF_LEFTUP),
             };
             SendInput(static_cast<UINT>(std::size(steps)), steps, sizeof(INPUT));
         }},
        {"the scroll bar below its thumb (a page)",
         [&] {
             SCROLLBARINFO info{};
             const RECT bar = ScrollBarOnScreen(info);
             tavreltest::Click({(bar.left + bar.right) / 2, bar.top + info.xyThumbBottom + 10});
         }},
        {"the Page Down key", [&] { tavreltest::PressKey(VK_NEXT); }},
    };
    for (const ScrollCase& c : cases) {
        const std::vector<LONG> before = PicturesInView();
        const POINT top = CharacterPoint(0);
        c.scroll();
        PumpFor(300);
        const POINT moved = CharacterPoint(0);
        ASSERT_GT(std::abs(top.y - moved.y), kPictureHeight) << c.how;
        const std::vector<LONG> after = PicturesInView();
        ASSERT_FALSE(after.empty()) << c.how;
        int stayed = 0;
        for (LONG picture : after) stayed += std::count(before.begin(), before.end(), picture) ? 1 : 0;
        const std::vector<int> seen = ColoursOnScreen(after, 3000);
        for (size_t i = 0; i < after.size(); ++i) {
            EXPECT_EQ(7, seen[i]) << c.how << ": picture " << after[i] << " (" << stayed
                                  << " of those in view were in view before)";
        }
    }
}

}  // namespace
