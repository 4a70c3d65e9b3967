// Two controls in a rich edit, as the clients insert them: both animate on
// their class's one timer, Stop freezes one of them, and a control scrolled
// out of view leaves the timer until it is painted again.
#include "TestSupport.h"

#include "com/Bstr.h"
#include "com/ClassFactory.h"
#include "control/Mervale.h"

#include <richedit.h>
#include <richole.h>

#include <array>
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

class RichEditAnimation : public ::testing::Test {
protected:
    void SetUp() override {
        m_richEditLibrary = LoadLibraryW(L"riched20.dll");
        ASSERT_TRUE(m_richEditLibrary);
        m_frame = CreateWindowExW(0, L"STATIC", L"Mervale", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 420, 240,
                                  nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_frame);
        m_edit = CreateWindowExW(0, RICHEDIT_CLASSW, L"",
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, 0, 0, 400,
                                 200, m_frame, nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_edit);
        ASSERT_TRUE(SendMessageW(m_edit, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(m_richEdit.Receive())));

        AppendText(L"First picture: ");
        InsertControl(m_first);
        AppendText(L"   second picture: ");
        InsertControl(m_second);
        AppendText(L"\r\nTwo animated pictures above.");
        UpdateWindow(m_edit);
        PumpFor(300);
    }

    void TearDown() override {
        if (m_edit) DestroyWindow(m_edit);
        if (m_frame) DestroyWindow(m_frame);
        m_richEdit.Reset();
        // The rich edit has let go of both controls: ours are the last references.
        for (auto* control : {&m_first, &m_second}) {
            if (!*control) continue;
            (*control)->AddRef();
            EXPECT_EQ(1u, (*control)->Release());
        }
        m_first.Reset();
        m_second.Reset();
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
    void InsertControl(ComPtr<IMervale>& control) {
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

    CMervale* First() const { return static_cast<CMervale*>(m_first.Get()); }
    CMervale* Second() const { return static_cast<CMervale*>(m_second.Get()); }

    HMODULE m_richEditLibrary = nullptr;
    HWND m_frame = nullptr;
    HWND m_edit = nullptr;
    ComPtr<IRichEditOle> m_richEdit;
    ComPtr<IMervale> m_first;
    ComPtr<IMervale> m_second;
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
    ASSERT_EQ(S_OK, m_first->Stop());
    auto changes = CountFrameChanges<2>({First(), Second()}, 1000);
    EXPECT_EQ(0, changes[0]);
    EXPECT_GE(changes[1], 3);
    EXPECT_EQ(1u, CMervale::SharedTimer().ClientCount());

    // A repaint does not restart a stopped control.
    RedrawWindow(m_edit, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    changes = CountFrameChanges<2>({First(), Second()}, 500);
    EXPECT_EQ(0, changes[0]);
    EXPECT_FALSE(First()->IsPlaying());

    ASSERT_EQ(S_OK, m_first->Play());
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

}  // namespace
