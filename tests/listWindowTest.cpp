// The list window: deleting and ticking save at once, selecting does not, closing hides, and
// the window binds no keys of its own.
#include "tests/support.h"

#include "forms/mainIds.h"

#include <commctrl.h>

namespace {

class ListWindowTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        writeTaskFile("<?xml version=\"1.0\"?><list><todo><text>one</text><done>false</done></todo>"
                      "<todo><text>two</text><done>true</done></todo><todo><text>three</text><done>false</done></todo></list>");
        showList();
        ASSERT_NE(list(), nullptr);
        original_ = readBytes(taskFile());
    }
    bool fileUnchanged() const { return readBytes(taskFile()) == original_; }
    std::string original_;
};

TEST_F(ListWindowTest, OpensWithTheFileTasksAndStoredLayout) {
    EXPECT_EQ(listTasks(), (std::vector<Task>{{L"one", false}, {L"two", true}, {L"three", false}}));
    EXPECT_TRUE(list()->Visible());
    RECT client;
    GetClientRect(list()->Handle(), &client);
    EXPECT_EQ(client.right, list()->Scale(562));
    EXPECT_EQ(client.bottom, list()->Scale(302));
    EXPECT_NE(GetWindowLongPtrW(list()->Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    wchar_t caption[64];
    GetWindowTextW(list()->Handle(), caption, 64);
    EXPECT_STREQ(caption, L"To-do List");

    // The check list fills the window under the tool bar.
    RECT bar, box;
    GetWindowRect(list()->Control(IDC_MAIN_TOOLBAR1), &bar);
    GetWindowRect(list()->CheckListBox1.Handle(), &box);
    EXPECT_EQ(box.top, bar.bottom);
    EXPECT_EQ(box.right - box.left, client.right);
    EXPECT_EQ(SendMessageW(list()->Control(IDC_MAIN_TOOLBAR1), TB_BUTTONCOUNT, 0, 0), 5);
}

TEST_F(ListWindowTest, TickAndUntickByMouseAndSpaceRewriteTheFile) {
    clickTickBox(0);
    EXPECT_EQ(fileTasks(), (std::vector<Task>{{L"one", true}, {L"two", true}, {L"three", false}}));
    clickTickBox(1);
    EXPECT_EQ(fileTasks(), (std::vector<Task>{{L"one", true}, {L"two", false}, {L"three", false}}));

    clickText(2);
    EXPECT_EQ(list()->CheckListBox1.ItemIndex(), 2);
    EXPECT_FALSE(list()->CheckListBox1.Checked(2));
    pressSpace();
    EXPECT_EQ(fileTasks(), (std::vector<Task>{{L"one", true}, {L"two", false}, {L"three", true}}));
    pressSpace();
    EXPECT_EQ(fileTasks(), (std::vector<Task>{{L"one", true}, {L"two", false}, {L"three", false}}));
    EXPECT_TRUE(errors_.empty());
}

TEST_F(ListWindowTest, SelectingWritesNothingAndSpaceWithoutSelectionDoesNothing) {
    clickText(1);
    EXPECT_EQ(list()->CheckListBox1.ItemIndex(), 1);
    list()->CheckListBox1.SetItemIndex(-1);
    pressSpace();
    list()->CheckListBox1.SetChecked(0, true);  // from code: no tick event, no save
    EXPECT_TRUE(fileUnchanged());
}

TEST_F(ListWindowTest, DeleteRemovesTheSelectedTaskAndSaves) {
    clickToolButton(IDC_MAIN_TOOLBUTTON3);  // nothing selected
    EXPECT_TRUE(fileUnchanged());
    clickText(1);
    clickToolButton(IDC_MAIN_TOOLBUTTON3);
    EXPECT_EQ(fileTasks(), (std::vector<Task>{{L"one", false}, {L"three", false}}));
    EXPECT_EQ(list()->CheckListBox1.ItemIndex(), -1);
    for (int i = 0; i < 2; ++i) {
        list()->CheckListBox1.SetItemIndex(0);
        clickToolButton(IDC_MAIN_TOOLBUTTON3);
    }
    EXPECT_EQ(fileTasks(), std::vector<Task>{});
    EXPECT_TRUE(errors_.empty());
}

TEST_F(ListWindowTest, NoKeysAndNoDoubleClickOfItsOwn) {
    clickText(0);
    HWND box = list()->CheckListBox1.Handle();
    for (WPARAM key : {WPARAM{VK_DELETE}, WPARAM{VK_RETURN}, WPARAM{VK_ESCAPE}, WPARAM{VK_INSERT}}) {
        SendMessageW(box, WM_KEYDOWN, key, 0);
        SendMessageW(box, WM_KEYUP, key, 0);
    }
    RECT bounds{};
    ListView_GetItemRect(box, 0, &bounds, LVIR_BOUNDS);
    SendMessageW(box, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(bounds.left + 60, bounds.top + 2));
    SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(bounds.left + 60, bounds.top + 2));
    pump();
    EXPECT_EQ(listTasks().size(), 3u);
    EXPECT_TRUE(fileUnchanged());
    EXPECT_TRUE(list()->Visible());
}

TEST_F(ListWindowTest, CloseHidesAndShowBringsBackTheSameWindowWithoutReading) {
    TForm1* window = list();
    clickText(2);
    SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(window->Visible());
    EXPECT_TRUE(IsWindow(window->Handle()));

    writeTaskFile("<list/>");  // changed behind the program's back: not read again
    showList();
    EXPECT_EQ(list(), window);
    EXPECT_TRUE(window->Visible());
    EXPECT_EQ(listTasks().size(), 3u);
    EXPECT_EQ(window->CheckListBox1.ItemIndex(), 2);
    EXPECT_FALSE(app_->Terminated());
}

}  // namespace
