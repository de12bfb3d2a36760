// The tray host: the icon's mouse table, its menu, the list window shown on demand and read
// once, the icon coming back after the shell restarts, and the end of the program.
#include "tests/support.h"

#include "program/startup.h"

#include <functional>
#include <initializer_list>

namespace {

class TrayHostTest : public AppFixture {
protected:
    // Notifications as the shell sends them (version 4: the action in the low word).
    void mouse(std::initializer_list<LPARAM> actions) {
        for (LPARAM action : actions) SendMessageW(Form2->TrayIcon1->Handle(), TTrayIcon::kCallbackMessage, 0, MAKELPARAM(action, 1));
    }
    bool listShown() const { return list() && list()->Visible(); }
};

TEST_F(TrayHostTest, MouseTable) {
    struct Case {
        const char* name;
        std::initializer_list<LPARAM> actions;
        bool shows;
    };
    const Case cases[] = {
        {"left click", {WM_LBUTTONDOWN, WM_LBUTTONUP}, true},
        {"left click, version 4", {WM_LBUTTONDOWN, WM_LBUTTONUP, NIN_SELECT}, true},
        {"selection alone", {NIN_SELECT}, false},
        {"left release without a press", {WM_LBUTTONUP}, false},
        {"left press alone", {WM_LBUTTONDOWN}, false},
        {"left double click", {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}, true},
        {"right double click", {WM_RBUTTONDBLCLK}, true},
        {"middle double click", {WM_MBUTTONDBLCLK}, true},
        {"middle click", {WM_MBUTTONDOWN, WM_MBUTTONUP}, false},
        {"right press", {WM_RBUTTONDOWN}, false},
        {"mouse moved", {WM_MOUSEMOVE}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        mouse(c.actions);
        EXPECT_EQ(listShown(), c.shows);
        EXPECT_TRUE(errors_.empty());
    }
}

// Counts the menus that open while `action` runs; a timer inside each menu's loop closes it.
int menusOpenedBy(const std::function<void()>& action) {
    static int menus = 0;
    menus = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 150, [](HWND, UINT, UINT_PTR, DWORD) {
        if (FindWindowW(L"#32768", nullptr)) ++menus;
        EndMenu();
    });
    action();
    KillTimer(nullptr, timer);
    return menus;
}

TEST_F(TrayHostTest, RightReleaseOpensTheMenuOnce) {
    // Version 4 follows the release with WM_CONTEXTMENU; the menu still opens once.
    EXPECT_EQ(menusOpenedBy([&] { mouse({WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU}); }), 1);
    EXPECT_FALSE(listShown());
}

TEST_F(TrayHostTest, MenuHoldsShowASeparatorAndExit) {
    UniqueMenu menu = Form2->PopupMenu1->Build();
    ASSERT_EQ(GetMenuItemCount(menu.get()), 3);
    wchar_t text[32];
    GetMenuStringW(menu.get(), 0, text, 32, MF_BYPOSITION);
    EXPECT_STREQ(text, L"Show");
    EXPECT_EQ(GetMenuState(menu.get(), 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    GetMenuStringW(menu.get(), 2, text, 32, MF_BYPOSITION);
    EXPECT_STREQ(text, L"Exit");
    EXPECT_EQ(GetMenuDefaultItem(menu.get(), TRUE, 0), static_cast<UINT>(-1));

    Form2->PopupMenu1->Click(0);
    EXPECT_TRUE(listShown());
}

TEST_F(TrayHostTest, ListIsReadOnceAcrossClicksDoubleClicksAndShow) {
    writeTaskFile("<list><todo><text>a</text><done>true</done></todo></list>");
    mouse({WM_LBUTTONDOWN, WM_LBUTTONUP});
    TForm1* window = list();
    writeTaskFile("<list/>");
    mouse({WM_LBUTTONDBLCLK, WM_LBUTTONUP});
    Form2->PopupMenu1->Click(0);
    EXPECT_EQ(list(), window);
    EXPECT_EQ(listTasks(), (std::vector<Task>{{L"a", true}}));
}

TEST_F(TrayHostTest, NothingIsReadOrWrittenUntilTheListIsAskedFor) {
    EXPECT_EQ(list(), nullptr);
    EXPECT_EQ(GetFileAttributesW(folder().c_str()), INVALID_FILE_ATTRIBUTES);
    showList();
    EXPECT_NE(GetFileAttributesW(folder().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(filesIn(folder()).empty());
    EXPECT_TRUE(listShown());
}

TEST_F(TrayHostTest, FaultyEntryShowsTheErrorAndNoWindowThenTheTasksReadSoFar) {
    writeTaskFile("<list><todo><text>a</text><done>true</done></todo><todo><text>b</text><done>yes</done></todo></list>");
    showList();
    EXPECT_EQ(errors_, std::vector<std::wstring>{L"Could not convert variant of type (OleStr) into type (Boolean)"});
    ASSERT_NE(list(), nullptr);
    EXPECT_FALSE(list()->Visible());

    writeTaskFile("<list/>");
    showList();
    EXPECT_TRUE(listShown());
    EXPECT_EQ(listTasks(), (std::vector<Task>{{L"a", true}}));
    EXPECT_EQ(errors_.size(), 1u);
}

TEST_F(TrayHostTest, IconAddedAtStartAndAgainWhenTheTaskbarIsCreated) {
    EXPECT_EQ(shellCalls_, (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION}));
    shellCalls_.clear();
    SendMessageW(Form2->TrayIcon1->Handle(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_EQ(shellCalls_, (std::vector<DWORD>{NIM_DELETE, NIM_ADD, NIM_SETVERSION}));
}

TEST_F(TrayHostTest, KeyboardOnTheIconOpensTheListOrTheMenu) {
    mouse({NIN_KEYSELECT});
    EXPECT_TRUE(listShown());
    SendMessageW(list()->Handle(), WM_CLOSE, 0, 0);

    shellCalls_.clear();
    int menus = menusOpenedBy([&] {
        SendMessageW(Form2->TrayIcon1->Handle(), TTrayIcon::kCallbackMessage, MAKEWPARAM(40, 30), MAKELPARAM(WM_CONTEXTMENU, 1));
    });
    EXPECT_EQ(menus, 1);
    // Focus goes back to the notification area after a menu opened from the keyboard.
    EXPECT_EQ(shellCalls_, std::vector<DWORD>{NIM_SETFOCUS});
    EXPECT_FALSE(listShown());
}

TEST_F(TrayHostTest, LogOffIsAnsweredAtOnceAndRemovesTheIcon) {
    HWND window = Form2->TrayIcon1->Handle();
    EXPECT_EQ(SendMessageW(window, WM_QUERYENDSESSION, 0, 0), TRUE);
    shellCalls_.clear();
    SendMessageW(window, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(shellCalls_, std::vector<DWORD>{NIM_DELETE});
}

TEST_F(TrayHostTest, ExitEndsTheLoopAndRemovesTheIconWithoutWriting) {
    showList();
    Form2->PopupMenu1->Click(2);
    EXPECT_TRUE(app_->Terminated());
    app_->Run();  // returns: the loop has been told to end
    shellCalls_.clear();
    app_.reset();
    EXPECT_EQ(shellCalls_, std::vector<DWORD>{NIM_DELETE});
    EXPECT_TRUE(filesIn(folder()).empty());
}

TEST_F(TrayHostTest, CloseSentFromOutsideEndsTheProgramLikeExitButStrayKeysDoNot) {
    for (bool toIconWindow : {false, true}) {
        TearDown();
        SetUp();
        HWND window = toIconWindow ? Form2->TrayIcon1->Handle() : Form2->Handle();
        // Alt+F4 that lands on a hidden window is not the user closing the program.
        SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_FALSE(app_->Terminated());
        SendMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(app_->Terminated());
        EXPECT_TRUE(IsWindow(Form2->TrayIcon1->Handle()));
    }
}

TEST_F(TrayHostTest, HiddenWindowsAndNoTaskbarButton) {
    showList();
    EXPECT_FALSE(IsWindowVisible(Form2->Handle()));
    // Every other window is owned by the hidden main form, which keeps it off the taskbar.
    EXPECT_EQ(GetWindow(list()->Handle(), GW_OWNER), Form2->Handle());
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override { TTrayIcon::ShellNotifyIcon = [](DWORD, PNOTIFYICONDATAW) -> BOOL { return gShellAnswer; }; }
    void TearDown() override { gShellAnswer = TRUE; }
    std::vector<std::wstring> errors_;
    TApplication::ErrorBox record = [this](HWND, const std::wstring& text, const std::wstring& caption) {
        errors_.push_back(caption + L": " + text);
    };
};

TEST_F(StartupTest, SecondStartEndsAtOnceWithZero) {
    HANDLE first = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
    EXPECT_EQ(RunQuillet(nullptr, record), 0);
    CloseHandle(first);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(StartupTest, RefusedIconShowsTheErrorAndEnds) {
    gShellAnswer = FALSE;
    EXPECT_EQ(RunQuillet(nullptr, record), 0);
    EXPECT_EQ(errors_, std::vector<std::wstring>{TApplication::TitleFromPath(L"quillet_tests.exe") + L": Cannot create shell notification icon."});
}

}  // namespace
