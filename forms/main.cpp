#include "forms/main.h"

#include "forms/About.h"
#include "forms/addTaskForm.h"
#include "forms/editTaskForm.h"
#include "forms/mainIds.h"
#include "framework/exception.h"
#include "framework/files.h"
#include "resources/resource.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <array>

namespace {

const TLayoutItem kControls[] = {
    {IDC_MAIN_TOOLBAR1, 0, 0, 0, 562, 28, TAlign::alTop},
    {IDC_MAIN_PANEL1, 0, 0, 28, 562, 274, TAlign::alClient},
    {IDC_MAIN_CHECKLISTBOX1, IDC_MAIN_PANEL1, 0, 0, 562, 274, TAlign::alClient},
};
const TFormLayout kLayout{IDD_MAIN, 562, 302, kControls, IDI_APP};

const TToolButton kButtons[] = {
    {IDC_MAIN_TOOLBUTTON1, L"Add task", 1},
    {IDC_MAIN_TOOLBUTTON2, L"Edit task", 4},
    {IDC_MAIN_TOOLBUTTON3, L"Delete task", 3},
    {IDC_MAIN_TOOLBUTTON6, nullptr, 8, true},
    {IDC_MAIN_TOOLBUTTON8, L"About", 5},
};
// Glyphs drawn for 200 %, 150 % and 100 %; the largest that fits the form's DPI is used.
struct GlyphSet {
    int size, normal, hot, disabled;
};
const GlyphSet kGlyphSets[] = {
    {48, IDB_TOOLBAR_NORMAL_48, IDB_TOOLBAR_HOT_48, IDB_TOOLBAR_DISABLED_48},
    {36, IDB_TOOLBAR_NORMAL_36, IDB_TOOLBAR_HOT_36, IDB_TOOLBAR_DISABLED_36},
    {24, IDB_TOOLBAR_NORMAL, IDB_TOOLBAR_HOT, IDB_TOOLBAR_DISABLED},
};

// The roaming application-data folder: APPDATA when it names an absolute folder, otherwise
// (unset, empty, too long, relative) the user's known folder, never the root of a drive.
std::wstring applicationDataFolder() {
    std::wstring expanded(32768, L'\0');
    DWORD length = ExpandEnvironmentStringsW(L"%APPDATA%", expanded.data(), 32767);
    if (length >= 1 && length <= 32767) {
        expanded.resize(length - 1);
        if (!expanded.empty() && expanded.find(L'%') == std::wstring::npos && !PathIsRelativeW(expanded.c_str()))
            return expanded;
    }
    PWSTR known = nullptr;
    HRESULT result = SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &known);
    std::wstring folder = SUCCEEDED(result) && known ? known : L"";
    CoTaskMemFree(known);
    throwIfFailed(result);
    return folder;
}

class UpdateScope {
public:
    explicit UpdateScope(TCheckListBox& list) : list_(list) { list_.BeginUpdate(); }
    ~UpdateScope() { list_.EndUpdate(); }
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

private:
    TCheckListBox& list_;
};

}  // namespace

std::wstring TaskFilePath() {
    const std::wstring base = applicationDataFolder();
    // One folder, not its parents. A folder that exists, or cannot be made, shows up later as
    // a load that finds nothing or a save that fails with the system's reason.
    CreateDirectoryW((base + L"\\Quillpad").c_str(), nullptr);
    return base + L"\\Quillpad\\toDoList.xml";
}

TForm1::TForm1(TComponent* owner) : TForm(owner, kLayout), xml(new TXMLDocument(this)) {
    ToolBar1.Attach(Control(IDC_MAIN_TOOLBAR1), kButtons);
    LoadGlyphs();
    CheckListBox1.Attach(Control(IDC_MAIN_CHECKLISTBOX1));
    CheckListBox1.OnClickCheck = [this] { CheckListBox1ClickCheck(this); };
}

void TForm1::LoadGlyphs() {
    const GlyphSet* set = &kGlyphSets[std::size(kGlyphSets) - 1];
    for (const GlyphSet& candidate : kGlyphSets) {
        if (candidate.size <= Scale(24)) {
            set = &candidate;
            break;
        }
    }
    ImageListNormal.Load(set->normal, set->size);
    ImageListHover.Load(set->hot, set->size);
    ImageListDisabled.Load(set->disabled, set->size);
    ToolBar1.SetImages(ImageListNormal, ImageListHover, ImageListDisabled, {set->size, set->size}, {Scale(31), Scale(30)});
}

void TForm1::DoDpiChanged() {
    LoadGlyphs();
}

void TForm1::LoadTasks() {
    const std::wstring path = TaskFilePath();
    keepOriginal_ = false;
    WIN32_FILE_ATTRIBUTE_DATA file;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &file) || (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return;  // no file yet: the list starts empty and the first change creates it
    keepOriginal_ = true;
    if (!fileWithinLimits(path, kMaxTaskFileBytes, kMaxTaskFileTags) || !xml->LoadFromFile(path)) return;

    // The document is not needed once read: its memory goes when reading ends, faulty entry or not.
    struct CloseDocument {
        TXMLDocument* document;
        ~CloseDocument() { document->Close(); }
    } closeDocument{xml};
    CheckListBox1.Clear();
    UpdateScope update(CheckListBox1);
    for (TXMLNode task = xml->DocumentElement().FirstChild(); !task.IsNull(); task = task.NextSibling()) {
        // More tasks than a file within the limits holds as the program writes it: reading them
        // all would take too long, so the file counts as unreadable (and is kept).
        if (static_cast<unsigned long long>(CheckListBox1.Count()) == kMaxTasks) {
            CheckListBox1.Clear();
            return;
        }
        std::wstring text = task.ChildNamed(L"text").Text();
        bool done = task.ChildNamed(L"done").BooleanValue();
        CheckListBox1.Add(std::move(text));
        CheckListBox1.SetChecked(CheckListBox1.Count() - 1, done);
    }
    keepOriginal_ = false;
}

void TForm1::SaveTasks() {
    const std::wstring path = TaskFilePath();
    TXMLWriter writer;
    // Room for every text and the markup around it, so that the output is not copied as it grows.
    size_t characters = 64;
    for (int i = 0; i < CheckListBox1.Count(); ++i) characters += CheckListBox1.Text(i).size() + 64;
    writer.Reserve(characters);
    writer.StartElement(L"list");
    for (int i = 0; i < CheckListBox1.Count(); ++i) {
        writer.StartElement(L"todo");
        writer.TextElement(L"text", CheckListBox1.Text(i));
        writer.TextElement(L"done", CheckListBox1.Checked(i) ? L"true" : L"false");
        writer.EndElement(L"todo");
    }
    writer.EndElement(L"list");
    const std::string bytes = writer.Utf8();
    // Nothing is written that the next load would refuse to read: the list keeps the change,
    // and the next save that fits writes it.
    if (bytes.size() > kMaxTaskFileBytes || static_cast<unsigned long long>(std::count(bytes.begin(), bytes.end(), '<')) > kMaxTaskFileTags)
        throw Exception(formatMessage(L"The list is too long to be saved: a task file holds at most %llu tasks and %llu MB",
                                      kMaxTasks, kMaxTaskFileBytes >> 20));
    if (keepOriginal_) {
        if (isRegularFile(path)) keepUnreadableCopy(path);
        keepOriginal_ = false;
    }
    writeFileAtomically(path, bytes);
}

void TForm1::FormClose(TObject*, TCloseAction& Action) {
    Action = TCloseAction::caHide;
}

void TForm1::ToolButton1Click(TObject*) {
    Form3->Show();
    Form3->ListForm = this;
}

void TForm1::ToolButton2Click(TObject*) {
    int index = CheckListBox1.ItemIndex();
    if (index < 0) return;
    Form4->Edit1.SetText(CheckListBox1.Text(index));
    Form4->EditIndex = index;
    Form4->EditChecked = CheckListBox1.Checked(index);
    Form4->EditItem = CheckListBox1.ItemId(index);
    Form4->ListForm = this;
    Form4->Show();
}

void TForm1::ToolButton3Click(TObject*) {
    int index = CheckListBox1.ItemIndex();
    if (index < 0) return;
    CheckListBox1.Delete(index);
    SaveTasks();
}

void TForm1::CheckListBox1ClickCheck(TObject*) {
    SaveTasks();
}

void TForm1::ToolButton8Click(TObject*) {
    Form5->Show();
}

void TForm1::DoCommand(int id, int) {
    switch (id) {
    case IDC_MAIN_TOOLBUTTON1: ToolButton1Click(this); break;
    case IDC_MAIN_TOOLBUTTON2: ToolButton2Click(this); break;
    case IDC_MAIN_TOOLBUTTON3: ToolButton3Click(this); break;
    case IDC_MAIN_TOOLBUTTON8: ToolButton8Click(this); break;
    default: break;
    }
}

LRESULT TForm1::DoNotify(NMHDR& header) {
    LRESULT result = 0;
    if (CheckListBox1.Notify(header, result) || ToolBar1.Notify(header, result)) return result;
    return 0;
}

void TForm1::DoClose(TCloseAction& action) {
    FormClose(this, action);
}
