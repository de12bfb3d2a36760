#include "forms/About.h"

#include "forms/AboutIds.h"
#include "framework/application.h"
#include "resources/resource.h"

TForm5* Form5 = nullptr;

namespace {

const TLayoutItem kControls[] = {
    {IDC_ABOUT_IMAGE1, 0, 8, 8, 33, 33},
    {IDC_ABOUT_LABEL1, 0, 72, 8, 107, 13, TAlign::alNone, false, true},
    {IDC_ABOUT_BUTTON1, 0, 136, 65, 75, 25},
};
const TFormLayout kLayout{IDD_ABOUT, 347, 100, kControls, IDI_APP};

}  // namespace

TForm5::TForm5(TComponent* owner) : TForm(owner, kLayout) {
    DoDpiChanged();
}

void TForm5::DoDpiChanged() {
    // The picture is the application icon at the large-icon size of the form's DPI, unscaled.
    int size = GetSystemMetricsForDpi(SM_CXICON, Dpi());
    auto icon = static_cast<HICON>(LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, size, size, LR_SHARED));
    SendMessageW(Control(IDC_ABOUT_IMAGE1), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

void TForm5::Button1Click(TObject*) {
    Close();
}

void TForm5::DoCommand(int id, int code) {
    if (id == IDC_ABOUT_BUTTON1 && code == BN_CLICKED) Button1Click(this);
}
