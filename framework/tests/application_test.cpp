#include <fw/Application.h>

#include <gtest/gtest.h>

namespace {

TEST(Application, ProgramFolderIsTheProgramPathUpToItsLastBackslash) {
    wchar_t path[MAX_PATH] = {};
    ASSERT_GT(::GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    const std::wstring folder = fw::CApplication::GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), L'\\');
    EXPECT_EQ(std::wstring(path).rfind(folder, 0), 0u);
    EXPECT_EQ(std::wstring(path).find(L'\\', folder.size()), std::wstring::npos);
}

class CProbeApp : public fw::CApplication {
public:
    bool initResult = false;
    int exits = 0;

protected:
    bool InitInstance() override {
        if (initResult) ::PostQuitMessage(3);
        return initResult;
    }
    int ExitInstance() override {
        ++exits;
        return m_exitCode + 100;
    }
};

TEST(Application, RunsTheLoopOnlyAfterSuccessfulInitialisationAndAlwaysExits) {
    for (bool init : {false, true}) {
        CProbeApp app;
        EXPECT_EQ(fw::CApplication::Get(), &app);
        app.initResult = init;
        EXPECT_EQ(app.Run(), init ? 103 : 100);
        EXPECT_EQ(app.exits, 1);
    }
    EXPECT_EQ(fw::CApplication::Get(), nullptr);
}

TEST(Application, StartsAndShutsDownGdiPlus) {
    CProbeApp app;
    EXPECT_TRUE(app.StartGdiPlus());
    app.ShutdownGdiPlus();
}

}  // namespace
