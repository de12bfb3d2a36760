#include "forms/grandMain.h"

#include "forms/grandMainIds.h"
#include "forms/main.h"
#include "resources/resource.h"

TForm2* Form2 = nullptr;

namespace {

const TLayoutItem kControls[] = {
    {IDC_GRANDMAIN_BUTTON1, 0, 8, 8, 75, 25},
    {IDC_GRANDMAIN_BUTTON2, 0, 96, 8, 75, 25},
};
const TFormLayout kLayout{IDD_GRANDMAIN, 273, 125, kControls, IDI_APP};

}  // namespace

TForm2::TForm2(TComponent* owner)
    : TForm(owner, kLayout), TrayIcon1(new TTrayIcon(this)), PopupMenu1(new TPopupMenu(this)) {
    PopupMenu1->Add(L"Show", [this] { Showmainwindow1Click(this); });
    PopupMenu1->Add(L"-");
    PopupMenu1->Add(L"Exit", [this] { Hide1Click(this); });
    TrayIcon1->SetIcon(IDI_APP);
    TrayIcon1->PopupMenu = PopupMenu1;
    TrayIcon1->OnClick = [this] { TrayIcon1Click(this); };
    TrayIcon1->OnDblClick = [this] { TrayIcon1DblClick(this); };
    // From here on the icon is in the notification area.
    TrayIcon1->SetVisible(true);
}

void TForm2::Button1Click(TObject*) {
    Close();
}

void TForm2::TrayIcon1DblClick(TObject*) {
    ShowListWindow();
}

void TForm2::Hide1Click(TObject*) {
    Close();
}

void TForm2::Showmainwindow1Click(TObject*) {
    ShowListWindow();
}

void TForm2::TrayIcon1Click(TObject*) {
    ShowListWindow();
}

void TForm2::ShowListWindow() {
    if (!ListForm) {
        // The pointer is kept before loading: a faulty entry leaves the window with the tasks
        // read so far, and the next request shows it without reading the file again.
        ListForm = new TForm1(this);
        ListForm->LoadTasks();
    }
    ListForm->Show();
    ListForm->SetFocus();
}

void TForm2::DoCommand(int id, int) {
    if (id == IDC_GRANDMAIN_BUTTON1) Button1Click(this);
}
