#include "forms/editTaskForm.h"

#include "forms/editTaskFormIds.h"
#include "forms/main.h"
#include "framework/exception.h"
#include "resources/resource.h"

TForm4* Form4 = nullptr;

namespace {

const TLayoutItem kControls[] = {
    {IDC_EDITTASKFORM_PANEL1, 0, 273, 0, 92, 103, TAlign::alRight},
    {IDC_EDITTASKFORM_BUTTON1, IDC_EDITTASKFORM_PANEL1, 8, 8, 75, 25},
    {IDC_EDITTASKFORM_BUTTON2, IDC_EDITTASKFORM_PANEL1, 8, 39, 75, 25},
    {IDC_EDITTASKFORM_EDIT1, 0, 8, 27, 259, 21, TAlign::alNone, true},
    {IDC_EDITTASKFORM_LABEL1, 0, 8, 8, 26, 13, TAlign::alNone, false, true},
};
const TFormLayout kLayout{IDD_EDITTASKFORM, 365, 103, kControls, IDI_EDIT};

}  // namespace

TForm4::TForm4(TComponent* owner) : TForm(owner, kLayout) {
    Edit1.Attach(Control(IDC_EDITTASKFORM_EDIT1));
    Edit1.OnKeyPress = [this](wchar_t& key) { Edit1KeyPress(this, key); };
}

void TForm4::Commit() {
    if (!ListForm) return;  // filled by the list window before every showing
    TCheckListBox& list = ListForm->CheckListBox1;
    // The index alone would overwrite whichever task moved into its place; the task opened
    // is found again wherever it is now. An index past the end, or a task deleted meanwhile,
    // changes nothing.
    const std::wstring outOfBounds = formatMessage(L"List index out of bounds (%d)", EditIndex);
    if (EditIndex >= list.Count()) throw Exception(outOfBounds);
    int index = list.IndexOfItem(EditItem);
    if (index < 0) throw Exception(outOfBounds);
    bool checked = list.Checked(index);  // the tick it has now: EditChecked unless changed since
    list.Delete(index);
    list.Insert(index, Edit1.Text());
    list.SetChecked(index, checked);
    ListForm->SaveTasks();
    Close();
}

void TForm4::Button1Click(TObject*) {
    Commit();
}

void TForm4::Button2Click(TObject*) {
    Close();
}

void TForm4::Edit1KeyPress(TObject*, wchar_t& Key) {
    if (Key == L'\r') Commit();
}

void TForm4::DoCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    if (id == IDC_EDITTASKFORM_BUTTON1) Button1Click(this);
    else if (id == IDC_EDITTASKFORM_BUTTON2) Button2Click(this);
}
