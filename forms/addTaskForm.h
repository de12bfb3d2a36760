// The Add task dialog: each Enter or "Add task" appends the box's text to the list as a new,
// unticked task and saves; the dialog stays open with its text for the next one.
#pragma once

#include "framework/edit.h"
#include "framework/form.h"

class TForm1;

class TForm3 : public TForm {
public:
    explicit TForm3(TComponent* owner);

    TEdit Edit1;
    // The list window that receives the tasks; set by it when it shows the dialog. Not owned.
    TForm1* ListForm = nullptr;

    void Button1Click(TObject* Sender);  // "Add task"
    void Edit1KeyPress(TObject* Sender, wchar_t& Key);
    void Button2Click(TObject* Sender);  // "Close"

protected:
    void DoCommand(int id, int code) override;

private:
    void AddTask();
};

extern TForm3* Form3;
