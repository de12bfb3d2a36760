#include "forms/addTaskForm.h"

#include "forms/addTaskFormIds.h"
#include "forms/main.h"
#include "resources/resource.h"

TForm3* Form3 = nullptr;

namespace {

const TLayoutItem kControls[] = {
    {IDC_ADDTASKFORM_LABEL1, 0, 8, 8, 48, 13, TAlign::alNone, false, true},
    {IDC_ADDTASKFORM_EDIT1, 0, 8, 27, 257, 21, TAlign::alNone, true},
    {IDC_ADDTASKFORM_PANEL1, 0, 280, 0, 92, 102, TAlign::alRight},
    {IDC_ADDTASKFORM_BUTTON1, IDC_ADDTASKFORM_PANEL1, 8, 8, 75, 25},
    {IDC_ADDTASKFORM_BUTTON2, IDC_ADDTASKFORM_PANEL1, 8, 39, 75, 25},
};
const TFormLayout kLayout{IDD_ADDTASKFORM, 372, 102, kControls, IDI_ADD};

}  // namespace

TForm3::TForm3(TComponent* owner) : TForm(owner, kLayout) {
    Edit1.Attach(Control(IDC_ADDTASKFORM_EDIT1));
    Edit1.OnKeyPress = [this](wchar_t& key) { Edit1KeyPress(this, key); };
}

void TForm3::AddTask() {
    if (!ListForm) return;  // shown only by the list window, which sets it
    ListForm->CheckListBox1.Add(Edit1.Text());
    ListForm->SaveTasks();
}

void TForm3::Button1Click(TObject*) {
    AddTask();
}

void TForm3::Edit1KeyPress(TObject*, wchar_t& Key) {
    if (Key == L'\r') AddTask();
}

void TForm3::Button2Click(TObject*) {
    Close();
}

void TForm3::DoCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    if (id == IDC_ADDTASKFORM_BUTTON1) Button1Click(this);
    else if (id == IDC_ADDTASKFORM_BUTTON2) Button2Click(this);
}
