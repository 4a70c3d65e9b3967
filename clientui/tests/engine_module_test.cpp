// The engine binding against stand-in libraries (and the real engine when
// this build has it): what binds, in which order a missing name stops the
// binding, the messages for missing libraries, and the unload at exit.
#include <clientui/EngineModule.h>

#include <fw/Application.h>
#include <fw/MessageBoxSink.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ShownBox {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT flags;
};

// Records every message box instead of showing it.
class BindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::SetEnvironmentVariableA("FAKE_LIBRARY_LOG", "");
        fw::SetMessageBoxSink([this](HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
            boxes.push_back({owner, text, caption, flags});
            return IDOK;
        });
    }
    void TearDown() override {
        module.Unload();
        fw::SetMessageBoxSink(nullptr);
    }
    static std::wstring Folder(const wchar_t* situation) {
        return fw::CApplication::GetProgramFolder() + L"binding\\" + situation + L"\\";
    }
    static std::string Log() {
        char buffer[512] = {};
        const DWORD n = ::GetEnvironmentVariableA("FAKE_LIBRARY_LOG", buffer, sizeof buffer);
        return std::string(buffer, n < sizeof buffer ? n : 0);
    }

    CEngineModule module;
    std::vector<ShownBox> boxes;
};

TEST_F(BindingTest, BindsAllFortyOneExportsAndTheScreenshot) {
    ASSERT_TRUE(module.Load(kDeskEngineBinding, Folder(L"full")));
    EXPECT_EQ(module.BoundCount(), 42u);
    EXPECT_NE(module.m_hEngine, nullptr);
    EXPECT_NE(module.m_hScreenshot, nullptr);
    ASSERT_NE(module.ScreenShot, nullptr);
    EXPECT_EQ(module.ScreenShot(), 1);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(BindingTest, MissingNamesStopTheBindingSilentlyInLookupOrder) {
    struct Case {
        const wchar_t* situation;
        EngineExport missing;
        size_t bound;
        std::vector<EngineExport> boundBefore;
        std::vector<EngineExport> unboundAfter;
    };
    const Case cases[] = {
        // MGrabCustomer is never called, yet its absence stops start-up.
        {L"no_grab", EngineExport::MGrabCustomer, 20,
         {EngineExport::MLogon, EngineExport::MLogonOut, EngineExport::MSwitchCustomer},
         {EngineExport::MConfirmGrabCustomer, EngineExport::MGetCommReply, EngineExport::ScreenShot}},
        // Without "ScreenShot" the 39 engine names before it are bound.
        {L"no_shot", EngineExport::ScreenShot, 39,
         {EngineExport::MGetCommReply, EngineExport::MIsOffline},
         {EngineExport::MSendFileRespond, EngineExport::MGetSendFileRequest}},
    };
    for (const Case& c : cases) {
        CEngineModule m;
        EXPECT_FALSE(m.Load(kDeskEngineBinding, Folder(c.situation))) << c.situation;
        EXPECT_EQ(m.BoundCount(), c.bound) << c.situation;
        EXPECT_FALSE(m.IsBound(c.missing)) << c.situation;
        for (EngineExport id : c.boundBefore) EXPECT_TRUE(m.IsBound(id)) << CEngineModule::ExportName(id);
        for (EngineExport id : c.unboundAfter) EXPECT_FALSE(m.IsBound(id)) << CEngineModule::ExportName(id);
        m.Unload();
    }
    EXPECT_TRUE(boxes.empty()) << "a missing export shows no message";
}

TEST_F(BindingTest, MissingLibrariesShowTheirMessage) {
    struct Case {
        const wchar_t* situation;
        const wchar_t* text;
        bool engineLoaded;
    };
    const Case cases[] = {
        {L"no_engine", L"处理DLL未找到！", false},
        {L"no_screenshot", L"截图DLL未找到！", true},
    };
    for (const Case& c : cases) {
        boxes.clear();
        CEngineModule m;
        EXPECT_FALSE(m.Load(kDeskEngineBinding, Folder(c.situation)));
        ASSERT_EQ(boxes.size(), 1u) << c.situation;
        EXPECT_EQ(boxes[0].owner, nullptr);
        EXPECT_EQ(boxes[0].text, c.text);
        EXPECT_EQ(boxes[0].caption, L"错误");
        EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_ICONERROR));
        EXPECT_EQ(m.m_hEngine != nullptr, c.engineLoaded);
        EXPECT_EQ(m.m_hScreenshot, nullptr);
        EXPECT_EQ(m.BoundCount(), 0u) << "no name is looked up";
        m.Unload();
    }
}

TEST_F(BindingTest, DefaultLoadUsesTheProgramFolder) {
    // The test program's own folder holds no engine library.
    EXPECT_FALSE(module.Load());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"处理DLL未找到！");
}

TEST_F(BindingTest, AnotherClientBindsItsOwnTableInItsOwnOrder) {
    const EngineExport order[] = {EngineExport::MLogon, EngineExport::MInitModule, EngineExport::ScreenShot,
                                  EngineExport::MGetSendFileRequest};
    const CEngineBinding binding = {L"Kestrin.dll", order, 4};
    ASSERT_TRUE(module.Load(binding, Folder(L"no_grab")));
    EXPECT_EQ(module.BoundCount(), 4u);
    EXPECT_FALSE(module.IsBound(EngineExport::MLogonOut));
}

TEST_F(BindingTest, UnloadLogsOutWithFlagOnePausesAndFreesBothLibraries) {
    ASSERT_TRUE(module.Load(kDeskEngineBinding, Folder(L"full")));
    const DWORD start = ::GetTickCount();
    module.Unload();  // also without any log-on
    const DWORD elapsed = ::GetTickCount() - start;
    EXPECT_EQ(Log(), "logout(1);engine-unloaded;screenshot-unloaded;");
    EXPECT_GE(elapsed, 900u) << "the engine gets its pause before it is unloaded";
    EXPECT_EQ(module.m_hEngine, nullptr);
    EXPECT_EQ(module.m_hScreenshot, nullptr);
    EXPECT_EQ(module.BoundCount(), 0u);
}

TEST_F(BindingTest, UnloadAfterAFailedLoadFreesWhatWasLoaded) {
    EXPECT_FALSE(module.Load(kDeskEngineBinding, Folder(L"no_screenshot")));
    module.Unload();
    EXPECT_EQ(Log(), "engine-unloaded;") << "MLogonOut was never bound";
    EXPECT_EQ(module.m_hEngine, nullptr);
}

TEST_F(BindingTest, RealEngineBindsAllExports) {
#ifndef QV_HAVE_REAL_ENGINE
    GTEST_SKIP() << "this build has no Kestrin target";
#else
    const std::wstring folder = Folder(L"real");
    ASSERT_NE(::GetFileAttributesW((folder + L"Kestrin.dll").c_str()), INVALID_FILE_ATTRIBUTES)
        << "binding\\real\\Kestrin.dll is missing although the build has the Kestrin target";
    ASSERT_TRUE(module.Load(kDeskEngineBinding, folder));
    EXPECT_EQ(module.BoundCount(), 42u);
    for (int id = 0; id < static_cast<int>(EngineExport::Count); ++id)
        EXPECT_TRUE(module.IsBound(static_cast<EngineExport>(id)))
            << CEngineModule::ExportName(static_cast<EngineExport>(id));
    EXPECT_TRUE(boxes.empty());
#endif
}

TEST_F(BindingTest, RealMessengerEngineBindsItsTwentyThreeExportsAndNoDeskOne) {
#ifndef QV_HAVE_REAL_ENGINE
    GTEST_SKIP() << "this build has no engine targets";
#else
    ASSERT_TRUE(module.Load(kMessengerEngineBinding, Folder(L"real")));
    EXPECT_EQ(module.BoundCount(), 24u);
    EXPECT_NE(module.ScreenShot, nullptr);
    EXPECT_NE(module.MGetUnreadMsg, nullptr);
    EXPECT_NE(module.MGetSendFileRequest, nullptr);
    EXPECT_EQ(module.MGetUserData, nullptr) << "a desk export";
    EXPECT_EQ(module.MGetTalkList, nullptr) << "a desk export";
    EXPECT_TRUE(boxes.empty());
#endif
}

}  // namespace
