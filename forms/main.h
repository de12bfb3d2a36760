// The list window: a tool bar over the check list that holds the tasks, and the task file,
// which the check list is read from once and written to after every change.
#pragma once

#include "framework/checkList.h"
#include "framework/form.h"
#include "framework/toolBar.h"
#include "framework/xmlDocument.h"

#include <string>

class TForm1 : public TForm {
public:
    explicit TForm1(TComponent* owner);

    TToolBar ToolBar1;
    TCheckListBox CheckListBox1;
    TImageList ImageListNormal;
    TImageList ImageListHover;
    TImageList ImageListDisabled;
    TXMLDocument* xml;

    // Fills the check list from the task file. A missing or unparsable file leaves the list
    // as it was, silently; a faulty entry raises after the tasks before it are in the list.
    void LoadTasks();
    // Writes the whole check list to the task file; raises on failure.
    void SaveTasks();

    void FormClose(TObject* Sender, TCloseAction& Action);
    void ToolButton1Click(TObject* Sender);  // "Add task"
    void ToolButton2Click(TObject* Sender);  // "Edit task"
    void ToolButton3Click(TObject* Sender);  // "Delete task"
    void CheckListBox1ClickCheck(TObject* Sender);
    void ToolButton8Click(TObject* Sender);  // "About"

protected:
    void DoCommand(int id, int code) override;
    LRESULT DoNotify(NMHDR& header) override;
    void DoClose(TCloseAction& action) override;
    void DoDpiChanged() override;

private:
    // The tool-bar glyphs drawn for the DPI nearest below the form's.
    void LoadGlyphs();

    // The file on disk holds tasks that the list does not (it could not be read, or reading
    // stopped at a faulty entry): the first save keeps a copy of it before replacing it.
    bool keepOriginal_ = false;
};

// The task file's full path; creates its folder ("Quillpad") when missing.
std::wstring TaskFilePath();

// Files larger than this, or with more tags, are not read: they are kept, never overwritten by
// the first save. A save that would write one fails instead. Loading them would keep the user
// waiting on the click that opens the list, which must show within 2 s. Measured under Wine:
// parsing takes about 20 ms per MB of text and 1 us per tag, reading the tasks 6-12 us each;
// 100,000 tasks of 100 bytes (10 MB) show in about a second.
inline constexpr unsigned long long kMaxTaskFileBytes = 16ull << 20;
inline constexpr unsigned long long kMaxTaskFileTags = 650000;
// The most tasks a file within those limits holds as the program writes it (six tags a task,
// three more): a file with more counts as unreadable too, however few tags its tasks have.
inline constexpr unsigned long long kMaxTasks = (kMaxTaskFileTags - 3) / 6;
