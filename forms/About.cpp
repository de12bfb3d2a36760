#include "forms/About.h"

#include "forms/AboutIds.h"
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

TForm5::TForm5(TComponent* owner) : TForm(owner, kLayout) {}

void TForm5::Button1Click(TObject*) {
    Close();
}

void TForm5::DoCommand(int id, int code) {
    if (id == IDC_ABOUT_BUTTON1 && code == BN_CLICKED) Button1Click(this);
}
