// The Add task and Edit task dialogs and the About box, driven as a user does: through the
// list window's tool buttons, keys through the message loop, and the dialogs' buttons.
#include "tests/support.h"

#include "forms/AboutIds.h"
#include "forms/addTaskFormIds.h"
#include "forms/editTaskFormIds.h"
#include "forms/mainIds.h"

namespace {

class DialogTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        writeTaskFile("<list><todo><text>one</text><done>false</done></todo><todo><text>two</text><done>true</done></todo>"
                      "<todo><text>three</text><done>false</done></todo></list>");
        showList();
    }
    void press(TForm* form, int button) {
        SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(form->Control(button)));
    }
    void openEdit(int index) {
        list()->CheckListBox1.SetItemIndex(index);
        clickToolButton(IDC_MAIN_TOOLBUTTON2);
    }
    HWND addEdit() const { return Form3->Edit1.Handle(); }
    HWND editEdit() const { return Form4->Edit1.Handle(); }
};

TEST_F(DialogTest, EnterAddsTheTextAsTypedUntickedSavedEachTimeAndKeepsIt) {
    clickToolButton(IDC_MAIN_TOOLBUTTON1);
    ASSERT_TRUE(Form3->Visible());
    EXPECT_EQ(Form3->ListForm, list());
    EXPECT_EQ(GetFocus(), addEdit());
    typeInto(addEdit(), L"  buy milk & <eggs> ");
    for (int i = 0; i < 2; ++i) {
        pressKey(addEdit(), VK_RETURN);
        EXPECT_EQ(fileTasks().size(), 4u + i);
    }
    EXPECT_EQ(Form3->Edit1.Text(), L"  buy milk & <eggs> ");
    EXPECT_TRUE(Form3->Visible());
    std::vector<Task> expected{{L"one", false}, {L"two", true}, {L"three", false}, {L"  buy milk & <eggs> ", false}, {L"  buy milk & <eggs> ", false}};
    EXPECT_EQ(listTasks(), expected);
    EXPECT_EQ(fileTasks(), expected);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(DialogTest, AddButtonAddsEvenAnEmptyTextAndEscapeClosesNothing) {
    clickToolButton(IDC_MAIN_TOOLBUTTON1);
    press(Form3, IDC_ADDTASKFORM_BUTTON1);
    EXPECT_EQ(fileTasks().back(), (Task{L"", false}));
    pressKey(addEdit(), VK_ESCAPE);
    EXPECT_TRUE(Form3->Visible());
    press(Form3, IDC_ADDTASKFORM_BUTTON2);
    EXPECT_FALSE(Form3->Visible());
    EXPECT_EQ(fileTasks().size(), 4u);
}

TEST_F(DialogTest, AddingWithTheListWindowClosedGoesToTheListAndTheFile) {
    clickToolButton(IDC_MAIN_TOOLBUTTON1);
    SendMessageW(list()->Handle(), WM_CLOSE, 0, 0);
    typeInto(addEdit(), L"later");
    press(Form3, IDC_ADDTASKFORM_BUTTON1);
    EXPECT_EQ(fileTasks().back(), (Task{L"later", false}));
    showList();
    EXPECT_EQ(listTasks().back(), (Task{L"later", false}));
}

TEST_F(DialogTest, DialogsKeepTheirTextAndTheControlThatLastHadTheFocus) {
    clickToolButton(IDC_MAIN_TOOLBUTTON1);
    typeInto(addEdit(), L"kept");
    SetFocus(Form3->Control(IDC_ADDTASKFORM_BUTTON2));
    press(Form3, IDC_ADDTASKFORM_BUTTON2);
    clickToolButton(IDC_MAIN_TOOLBUTTON1);
    EXPECT_EQ(Form3->Edit1.Text(), L"kept");
    EXPECT_EQ(GetFocus(), Form3->Control(IDC_ADDTASKFORM_BUTTON2));

    openEdit(0);
    EXPECT_EQ(GetFocus(), Form4->Control(IDC_EDITTASKFORM_BUTTON1));  // "OK" first
    SetFocus(editEdit());
    press(Form4, IDC_EDITTASKFORM_BUTTON2);
    openEdit(1);
    EXPECT_EQ(GetFocus(), editEdit());
    EXPECT_EQ(Form4->Edit1.Text(), L"two");
}

TEST_F(DialogTest, EditReplacesTheTextInPlaceAndKeepsTheTick) {
    openEdit(1);
    ASSERT_TRUE(Form4->Visible());
    EXPECT_EQ(Form4->EditIndex, 1);
    EXPECT_TRUE(Form4->EditChecked);
    SetWindowTextW(editEdit(), L"");
    typeInto(editEdit(), L" second ");
    pressKey(editEdit(), VK_RETURN);
    EXPECT_FALSE(Form4->Visible());
    std::vector<Task> expected{{L"one", false}, {L" second ", true}, {L"three", false}};
    EXPECT_EQ(listTasks(), expected);
    EXPECT_EQ(fileTasks(), expected);
}

TEST_F(DialogTest, EnterOnTheFirstFocusCommitsTheUnchangedTextAndEmptyTextIsKept) {
    DeleteFileW(taskFile().c_str());
    openEdit(2);
    pressKey(GetFocus(), VK_RETURN);  // "OK" has the focus
    EXPECT_FALSE(Form4->Visible());
    EXPECT_EQ(fileTasks(), tasksInFile(taskFile()));
    EXPECT_EQ(fileTasks().size(), 3u);

    openEdit(0);
    SetWindowTextW(editEdit(), L"");
    press(Form4, IDC_EDITTASKFORM_BUTTON1);
    EXPECT_EQ(fileTasks().front(), (Task{L"", false}));
    EXPECT_EQ(fileTasks().size(), 3u);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(DialogTest, EditWithoutSelectionOpensNothingAndASecondEditRetargets) {
    list()->CheckListBox1.SetItemIndex(-1);
    clickToolButton(IDC_MAIN_TOOLBUTTON2);
    EXPECT_FALSE(Form4->Visible());
    openEdit(0);
    typeInto(editEdit(), L" typed");
    openEdit(2);
    EXPECT_EQ(Form4->Edit1.Text(), L"three");
    EXPECT_EQ(Form4->EditIndex, 2);
    press(Form4, IDC_EDITTASKFORM_BUTTON2);
    EXPECT_FALSE(Form4->Visible());
    EXPECT_EQ(fileTasks()[0].text, L"one");
}

// Changes made in the list window while the Edit dialog is open on "two" (index 1).
TEST_F(DialogTest, CommitFollowsTheTaskItWasOpenedOn) {
    struct Case {
        const char* name;
        void (*change)(TForm1*);
        std::vector<Task> after;  // empty: the commit fails and nothing changes
    };
    const Case cases[] = {
        {"a task added at the end", [](TForm1* l) { l->CheckListBox1.Add(L"four"); },
         {{L"one", false}, {L"edited", true}, {L"three", false}, {L"four", false}}},
        {"a task after it deleted", [](TForm1* l) { l->CheckListBox1.Delete(2); }, {{L"one", false}, {L"edited", true}}},
        {"a task before it deleted", [](TForm1* l) { l->CheckListBox1.Delete(0); l->CheckListBox1.Add(L"x"); },
         {{L"edited", true}, {L"three", false}, {L"x", false}}},
        {"its tick changed", [](TForm1* l) { l->CheckListBox1.SetChecked(1, false); },
         {{L"one", false}, {L"edited", false}, {L"three", false}}},
        {"it was deleted", [](TForm1* l) { l->CheckListBox1.Delete(1); }, {}},
        {"the list shrank below its index", [](TForm1* l) { l->CheckListBox1.Delete(0); l->CheckListBox1.Delete(0); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        openEdit(1);
        SetWindowTextW(editEdit(), L"edited");
        c.change(list());
        list()->SaveTasks();
        std::vector<Task> before = listTasks();
        errors_.clear();
        press(Form4, IDC_EDITTASKFORM_BUTTON1);
        if (c.after.empty()) {
            EXPECT_EQ(errors_, std::vector<std::wstring>{L"List index out of bounds (1)"});
            EXPECT_EQ(listTasks(), before);
            EXPECT_EQ(fileTasks(), before);
            EXPECT_TRUE(Form4->Visible());
        } else {
            EXPECT_TRUE(errors_.empty());
            EXPECT_EQ(listTasks(), c.after);
            EXPECT_EQ(fileTasks(), c.after);
            EXPECT_FALSE(Form4->Visible());
        }
    }
}

TEST_F(DialogTest, AboutIsOneBoxShownHoweverOftenItIsPressed) {
    for (int i = 0; i < 3; ++i) clickToolButton(IDC_MAIN_TOOLBUTTON8);
    EXPECT_TRUE(Form5->Visible());
    EXPECT_EQ(GetFocus(), Form5->Control(IDC_ABOUT_BUTTON1));
    wchar_t text[64];
    GetWindowTextW(Form5->Control(IDC_ABOUT_LABEL1), text, 64);
    EXPECT_STREQ(text, L"Quillet version 1.0");
    SendMessageW(list()->Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(Form5->Visible());
    pressKey(GetFocus(), VK_ESCAPE);
    EXPECT_TRUE(Form5->Visible());
    pressKey(GetFocus(), VK_RETURN);
    EXPECT_FALSE(Form5->Visible());
    EXPECT_FALSE(app_->Terminated());
}

TEST_F(DialogTest, StoredSizesAndTheEditBoxWideningWithTheWindow) {
    clickToolButton(IDC_MAIN_TOOLBUTTON1);
    RECT client, edit, panel;
    GetClientRect(Form3->Handle(), &client);
    EXPECT_EQ(client.right, Form3->Scale(372));
    EXPECT_EQ(client.bottom, Form3->Scale(102));
    RECT frame;
    GetWindowRect(Form3->Handle(), &frame);
    SetWindowPos(Form3->Handle(), nullptr, 0, 0, frame.right - frame.left + 100, frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(Form3->Handle(), &client);
    GetWindowRect(addEdit(), &edit);
    GetWindowRect(Form3->Control(IDC_ADDTASKFORM_PANEL1), &panel);
    MapWindowPoints(nullptr, Form3->Handle(), reinterpret_cast<POINT*>(&edit), 2);
    MapWindowPoints(nullptr, Form3->Handle(), reinterpret_cast<POINT*>(&panel), 2);
    EXPECT_EQ(edit.right - edit.left, Form3->Scale(257) + 100);
    EXPECT_EQ(panel.right, client.right);
    EXPECT_EQ(panel.right - panel.left, Form3->Scale(92));
}

}  // namespace
