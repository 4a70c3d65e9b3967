// Panels, conversation windows and child views of the tests: each counts
// how often its object is deleted, so a test sees "exactly once".
#pragma once

#include "PanelTestResources.h"

#include "clientui/ChatWindowInfo.h"
#include "clientui/ChildViewBase.h"
#include "clientui/PanelBase.h"

#include <map>
#include <vector>

namespace paneltest {

// Deletions per object id.
inline std::map<int, int>& DeleteCounts() {
    static std::map<int, int> counts;
    return counts;
}

class CTestPanel : public CPanelBase {
public:
    explicit CTestPanel(int id, UINT templateId = IDD_TEST_PANEL) : CPanelBase(templateId), m_id(id) {}
    ~CTestPanel() override { ++DeleteCounts()[m_id]; }

    int Id() const { return m_id; }
    // Size commands the panel received (they are recorded, not run: they
    // would start the platform's sizing loop).
    std::vector<WPARAM> sizeCommands;
    std::vector<LPARAM> sizePoints;
    int initCount = 0;
    // Whether size commands are recorded instead of run.
    bool recordSizing = true;
    RECT placeAt = {100, 100, 500, 400};

    BOOL InitAgain() { return OnInitDialog(); }
    bool Maximized() const { return IsPanelMaximized(); }

protected:
    BOOL OnInitDialog() override {
        ++initCount;
        CPanelBase::OnInitDialog();
        MoveWindow(placeAt);
        return TRUE;
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (recordSizing && msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_SIZE) {
            sizeCommands.push_back(wParam);
            sizePoints.push_back(lParam);
            return 0;
        }
        return CPanelBase::WindowProc(msg, wParam, lParam);
    }

private:
    int m_id;
};

// A conversation window with one user (or of another kind).
class CTestChatWindow : public CTestPanel, public IChatWindowInfo {
public:
    CTestChatWindow(int id, int32_t userId, int kind = kChatKindSingleUser)
        : CTestPanel(id), m_userId(userId), m_kind(kind) {}
    int GetChatKind() const override { return m_kind; }
    int32_t GetChatUserId() const override { return m_userId; }

private:
    int32_t m_userId;
    int m_kind;
};

// A child view that records each layout it was asked for.
class CTestChildView : public CChildViewBase {
public:
    CTestChildView() : CChildViewBase(IDD_TEST_CHILD_VIEW) {}
    std::vector<SIZE> layouts;
    int LayoutControls(int width, int height) override {
        layouts.push_back(SIZE{width, height});
        if (HWND list = GetDlgItem(IDC_TEST_LIST)) ::MoveWindow(list, 0, 0, width, height, TRUE);
        return 1;
    }
};

}  // namespace paneltest
