// The About box: names the program and its version; "OK" hides it.
#pragma once

#include "framework/form.h"

class TForm5 : public TForm {
public:
    explicit TForm5(TComponent* owner);

    void Button1Click(TObject* Sender);  // "OK"

protected:
    void DoCommand(int id, int code) override;
    void DoDpiChanged() override;
};

extern TForm5* Form5;
