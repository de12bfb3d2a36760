// The Edit task dialog: changes the text of one task, keeping its place and its tick.
#pragma once

#include "framework/edit.h"
#include "framework/form.h"

#include <cstdint>

class TForm1;

class TForm4 : public TForm {
public:
    explicit TForm4(TComponent* owner);

    TEdit Edit1;
    // Filled by the list window before each showing: the list, the task's index and tick.
    TForm1* ListForm = nullptr;
    int EditIndex = 0;
    bool EditChecked = false;
    // The task itself, so that a commit changes it even when the list changed meanwhile.
    std::uint64_t EditItem = 0;

    void Button1Click(TObject* Sender);  // "OK"
    void Button2Click(TObject* Sender);  // "Close"
    void Edit1KeyPress(TObject* Sender, wchar_t& Key);

protected:
    void DoCommand(int id, int code) override;

private:
    void Commit();
};

extern TForm4* Form4;
