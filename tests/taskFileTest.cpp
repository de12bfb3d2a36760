// Reading and writing the task file: the lenient reading rules, the exact written form, the
// round trip of any text, failing saves, the copy kept of a file that was not fully read, and
// where the file lives.
#include "tests/support.h"

#include "forms/mainIds.h"
#include "framework/exception.h"
#include "framework/files.h"
#include "framework/xmlDocument.h"

#include <shlobj.h>

#include <functional>
#include <random>

namespace {

constexpr char kDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";

struct ReadCase {
    const char* name;
    std::string file;
    std::vector<Task> tasks;
    std::wstring error;  // as the error box shows it; empty: none
};

std::string doc(const std::string& body) {
    return kDecl + body;
}

// No full stop is added after a closing parenthesis.
const std::wstring kNull = L"Could not convert variant of type (Null) into type (Boolean)";
const std::wstring kOleStr = L"Could not convert variant of type (OleStr) into type (Boolean)";
const std::wstring kNotSingle = L"Element does not contain a single text node.";

std::vector<ReadCase> readCases() {
    return {
        {"written form", doc("<list><todo><text>a</text><done>true</done></todo><todo><text>b</text><done>false</done></todo></list>"),
         {{L"a", true}, {L"b", false}}, L""},
        {"any root and task names, done first",
         doc("<tasks><item><done>true</done><text>x</text></item><todo><text>y</text><done>false</done></todo></tasks>"),
         {{L"x", true}, {L"y", false}}, L""},
        {"indented by hand", doc("\n<list>\n  <todo>\n    <text>a</text>\n    <done>false</done>\n  </todo>\n</list>\n"),
         {{L"a", false}}, L""},
        {"done spellings",
         doc("<list><t><text>1</text><done>True</done></t><t><text>2</text><done>1</done></t><t><text>3</text><done>-1</done></t>"
             "<t><text>4</text><done>0</done></t><t><text>5</text><done>TRUE</done></t><t><text>6</text><done>FALSE</done></t>"
             "<t><text>7</text><done>2.5</done></t><t><text>8</text><done>tRuE</done></t></list>"),
         {{L"1", true}, {L"2", true}, {L"3", true}, {L"4", false}, {L"5", true}, {L"6", false}, {L"7", true}, {L"8", true}}, L""},
        {"missing text is an empty task", doc("<list><todo><done>true</done></todo></list>"), {{L"", true}}, L""},
        {"attributes, extra elements and comments in a task are ignored",
         doc("<list><todo id=\"7\"><!-- c --><note>n</note><text>a</text><text>second</text><done>true</done></todo></list>"),
         {{L"a", true}}, L""},
        {"CDATA, markup and outer spaces kept", doc("<list><todo><text><![CDATA[ <b> & ]]></text><done>false</done></todo>"
                                                    "<todo><text>  x &amp; &lt;y&gt;  </text><done>false</done></todo></list>"),
         {{L" <b> & ", false}, {L"  x & <y>  ", false}}, L""},
        {"white space only reads as empty", doc("<list><todo><text>   </text><done>false</done></todo></list>"), {{L"", false}}, L""},
        {"CDATA of spaces is kept, blank text beside CDATA is not",
         doc("<list><todo><text><![CDATA[  ]]></text><done>false</done></todo>"
             "<todo><text> \n <![CDATA[x]]>\t</text><done>true</done></todo></list>"),
         {{L"  ", false}, {L"x", true}}, L""},
        {"text beside CDATA", doc("<list><todo><text>a<![CDATA[b]]></text><done>true</done></todo></list>"), {}, kNotSingle},
        {"comment alone in text", doc("<list><todo><text>a</text><done>1</done></todo><todo><text><!--x--></text><done>1</done></todo></list>"),
         {{L"a", true}}, kNotSingle},
        {"non-ASCII text", doc("<list><todo><text>caf\xC3\xA9 \xE2\x9C\x93 \xF0\x9F\x98\x80</text><done>false</done></todo></list>"),
         {{L"caf\u00e9 \u2713 \U0001F600", false}}, L""},
        {"done not a Boolean stops the load", doc("<list><todo><text>a</text><done>true</done></todo><todo><text>b</text><done>yes</done></todo>"
                                                  "<todo><text>c</text><done>true</done></todo></list>"),
         {{L"a", true}}, kOleStr},
        {"done missing", doc("<list><todo><text>a</text><done>0</done></todo><todo><text>b</text></todo></list>"), {{L"a", false}}, kNull},
        {"done empty", doc("<list><todo><text>a</text><done></done></todo></list>"), {}, kNull},
        {"text holding an element", doc("<list><todo><text>a<b/></text><done>true</done></todo></list>"), {}, kNotSingle},
        {"done holding text and a comment", doc("<list><todo><text>a</text><done>true<!--x--></done></todo></list>"), {}, kNotSingle},
        {"not well-formed", doc("<list><todo><text>a</text><done>true</done></todo>"), {}, L""},
        {"empty file", "", {}, L""},
        {"invalid UTF-8", doc("<list><todo><text>\xC3\x28</text><done>true</done></todo></list>"), {}, L""},
        {"external entity is never read",
         "<?xml version=\"1.0\"?><!DOCTYPE list [<!ENTITY x SYSTEM \"file:///c:/windows/win.ini\">]>"
         "<list><todo><text>&x;</text><done>true</done></todo></list>",
         {}, L""},
        {"entity expansion", "<?xml version=\"1.0\"?><!DOCTYPE list [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
                             "<list><todo><text>&b;&b;&b;&b;</text><done>true</done></todo></list>",
         {}, L""},
    };
}

class ReadingTest : public AppFixture {};

TEST_F(ReadingTest, FollowsTheReadingRules) {
    for (const ReadCase& c : readCases()) {
        SCOPED_TRACE(c.name);
        writeTaskFile(c.file);
        auto* form = new TForm1(Form2);
        errors_.clear();
        app_->Guard([&] { form->LoadTasks(); });
        std::vector<Task> tasks;
        for (int i = 0; i < form->CheckListBox1.Count(); ++i) tasks.push_back({form->CheckListBox1.Text(i), form->CheckListBox1.Checked(i)});
        EXPECT_EQ(tasks, c.tasks);
        if (c.error.empty()) EXPECT_TRUE(errors_.empty());
        else EXPECT_EQ(errors_, std::vector<std::wstring>{c.error});
        delete form;
    }
}

TEST_F(ReadingTest, CommentDirectlyInTheRootStopsTheLoadWithAnError) {
    writeTaskFile(doc("<list><todo><text>a</text><done>true</done></todo><!-- note --><todo><text>b</text><done>true</done></todo></list>"));
    showList();
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_FALSE(errors_[0].empty());
    EXPECT_EQ(listTasks(), (std::vector<Task>{{L"a", true}}));
}

class WritingTest : public AppFixture {};

TEST_F(WritingTest, WritesTheDeclarationAListAndOneTodoPerTask) {
    showList();
    TCheckListBox& box = list()->CheckListBox1;
    box.Add(L"Buy milk & <eggs>");
    box.SetChecked(0, true);
    box.Add(L"");
    box.Add(L"line\r\nbreak]]>");
    list()->SaveTasks();
    EXPECT_EQ(readBytes(taskFile()),
              std::string(kDecl) + "\r\n<list><todo><text>Buy milk &amp; &lt;eggs&gt;</text><done>true</done></todo>"
                                   "<todo><text></text><done>false</done></todo>"
                                   "<todo><text>line&#13;\nbreak]]&gt;</text><done>false</done></todo></list>\r\n");
    EXPECT_EQ(fileTasks(), listTasks());
}

TEST_F(WritingTest, AnEmptyListIsAnEmptyListElement) {
    showList();
    list()->SaveTasks();
    EXPECT_EQ(readBytes(taskFile()), std::string(kDecl) + "\r\n<list></list>\r\n");
}

// What a save then a load gives back: the text less what XML 1.0 cannot carry, and white
// space alone reads back as nothing, as the parser drops it.
std::wstring expectedAfterReload(const std::wstring& text) {
    std::wstring safe = TXMLWriter::XmlSafe(text);
    return safe.find_first_not_of(L" \t\r\n") == std::wstring::npos ? std::wstring() : safe;
}

TEST_F(WritingTest, AnyTextSurvivesASaveAndALoad) {
    const std::wstring alphabet = std::wstring(L"aZ09 &<>\"'\t\r\n]]>\u00e9\u20ac\u2028\ufeff\ufffd\ufffe\uffff\U0001F600") +
                                  std::wstring(1, L'\0') + L"\x01\x08\x0b\x1f\x7f" + L"\xd800\xdc00\xdfff";
    std::mt19937 random(20261211);
    showList();
    TCheckListBox& box = list()->CheckListBox1;
    std::vector<Task> expected;
    for (int i = 0; i < 400; ++i) {
        std::wstring text;
        int length = static_cast<int>(random() % 12);
        for (int j = 0; j < length; ++j) text += alphabet[random() % alphabet.size()];
        box.Add(text);
        box.SetChecked(i, random() % 4 == 0);
        expected.push_back({expectedAfterReload(text), box.Checked(i)});
    }
    list()->SaveTasks();

    auto* reloaded = new TForm1(Form2);
    reloaded->LoadTasks();
    ASSERT_EQ(reloaded->CheckListBox1.Count(), static_cast<int>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ((Task{reloaded->CheckListBox1.Text(static_cast<int>(i)), reloaded->CheckListBox1.Checked(static_cast<int>(i))}), expected[i]);
    }
    EXPECT_TRUE(errors_.empty());
}

class SaveFaultTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        writeTaskFile(doc("<list><todo><text>a</text><done>false</done></todo><todo><text>b</text><done>false</done></todo></list>"));
        showList();
    }
    void tickFirst() { clickTickBox(0); }
    void expectNoTemporaryFile() { EXPECT_EQ(GetFileAttributesW(temporaryPathFor(taskFile()).c_str()), INVALID_FILE_ATTRIBUTES); }
};

TEST_F(SaveFaultTest, ReadOnlyFileShowsTheSystemMessageAndTheNextSaveWritesEverything) {
    SetFileAttributesW(taskFile().c_str(), FILE_ATTRIBUTE_READONLY);
    tickFirst();
    EXPECT_EQ(errors_, std::vector<std::wstring>{systemMessage(ERROR_ACCESS_DENIED)});
    EXPECT_TRUE(list()->CheckListBox1.Checked(0));
    EXPECT_EQ(fileTasks(), (std::vector<Task>{{L"a", false}, {L"b", false}}));
    expectNoTemporaryFile();

    SetFileAttributesW(taskFile().c_str(), FILE_ATTRIBUTE_NORMAL);
    list()->CheckListBox1.SetItemIndex(1);
    clickToolButton(IDC_MAIN_TOOLBUTTON3);
    EXPECT_EQ(fileTasks(), (std::vector<Task>{{L"a", true}}));
}

TEST_F(SaveFaultTest, FileLockedByAnotherProgram) {
    HANDLE lock = CreateFileW(taskFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    tickFirst();
    CloseHandle(lock);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_FALSE(errors_[0].empty());
    expectNoTemporaryFile();
    EXPECT_EQ(fileTasks(), (std::vector<Task>{{L"a", false}, {L"b", false}}));
    clickTickBox(1);
    EXPECT_EQ(fileTasks(), (std::vector<Task>{{L"a", true}, {L"b", true}}));
}

TEST_F(SaveFaultTest, FileStandingWhereTheFolderShouldBe) {
    removeTree(folder());
    writeBytes(folder(), "not a folder");
    tickFirst();
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_FALSE(errors_[0].empty());
    EXPECT_EQ(readBytes(folder()), "not a folder");
}

TEST_F(SaveFaultTest, RemovedFolderIsMadeAgainByTheNextSave) {
    removeTree(folder());
    tickFirst();
    EXPECT_TRUE(errors_.empty());
    EXPECT_EQ(fileTasks(), (std::vector<Task>{{L"a", true}, {L"b", false}}));
}

class KeptCopyTest : public AppFixture {
protected:
    std::vector<std::wstring> copies() {
        std::vector<std::wstring> found;
        for (const std::wstring& name : filesIn(folder()))
            if (name.starts_with(L"toDoList.unreadable-") && name.ends_with(L".xml")) found.push_back(name);
        return found;
    }
};

TEST_F(KeptCopyTest, FirstSaveKeepsAFileThatWasNotFullyRead) {
    const std::string unreadable = "<list><todo><text>precious</text>";
    const std::string faulty = doc("<list><todo><text>a</text><done>true</done></todo><todo><text>b</text><done>maybe</done></todo></list>");
    for (const std::string& original : {unreadable, faulty}) {
        SCOPED_TRACE(original);
        removeTree(folder());
        writeTaskFile(original);
        auto* form = new TForm1(Form2);
        app_->Guard([&] { form->LoadTasks(); });
        form->CheckListBox1.Add(L"new");
        form->SaveTasks();
        form->SaveTasks();
        std::vector<std::wstring> kept = copies();
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(readBytes(folder() + L"\\" + kept[0]), original);
        EXPECT_EQ(tasksInFile(taskFile()).back(), (Task{L"new", false}));
        delete form;
    }
}

TEST_F(KeptCopyTest, NeverOverwritesAnEarlierCopyAndSkipsFilesReadInFull) {
    writeTaskFile("broken");
    for (int run = 0; run < 3; ++run) {
        auto* form = new TForm1(Form2);
        form->LoadTasks();
        form->SaveTasks();
        delete form;
        writeTaskFile("broken " + std::to_string(run));
    }
    EXPECT_EQ(copies().size(), 3u);

    writeTaskFile(doc("<list/>"));
    auto* form = new TForm1(Form2);
    form->LoadTasks();
    form->SaveTasks();
    EXPECT_EQ(copies().size(), 3u);
    delete form;
}

// Files that would load in full but for their size, their number of tags or of tasks: the list
// is empty, and the file is kept when the first save replaces it.
TEST_F(KeptCopyTest, FilesPastTheReadingLimitsAreKeptUnread) {
    const std::string task = "<todo><text>t</text><done>true</done></todo>";  // six tags
    const std::string head = doc("<list>") + task + "<todo><text>", tail = "</text><done>1</done></todo></list>";
    std::string tasks, fewTags;
    for (unsigned long long i = 0; i < kMaxTaskFileTags / 6 + 1; ++i) tasks += task;
    for (unsigned long long i = 0; i < kMaxTasks + 1; ++i) fewTags += "<t><done>0</done></t>";
    struct Case {
        const char* name;
        std::string file;
    };
    const Case cases[] = {
        {"one byte too many", head + std::string(kMaxTaskFileBytes + 1 - head.size() - tail.size(), 'x') + tail},
        {"too many tags", doc("<list>" + tasks + "</list>")},
        {"too many tasks, of four tags each", doc("<list>" + fewTags + "</list>")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        removeTree(folder());
        writeTaskFile(c.file);
        auto* form = new TForm1(Form2);
        form->LoadTasks();
        EXPECT_EQ(form->CheckListBox1.Count(), 0);
        form->CheckListBox1.Add(L"new");
        form->SaveTasks();
        ASSERT_EQ(copies().size(), 1u);
        EXPECT_TRUE(readBytes(folder() + L"\\" + copies()[0]) == c.file);
        EXPECT_EQ(fileTasks(), (std::vector<Task>{{L"new", false}}));
        delete form;
    }
}

// The program never writes a file that it would refuse to read: a list that has grown past the
// reading limits fails to save, with a message that says why, and leaves the file as it was;
// the next save that fits writes every change.
TEST_F(SaveFaultTest, AListPastTheReadingLimitsIsNotSaved) {
    const int tasksAtTheLimit = static_cast<int>(kMaxTasks);
    struct Case {
        const char* name;
        std::function<void(TCheckListBox&)> grow;  // two deletes short of fitting, the second at index 1
    };
    const Case cases[] = {
        {"too many tasks", [&](TCheckListBox& box) {
             // As a load fills it: one update of the control, not one per task.
             box.BeginUpdate();
             while (box.Count() < tasksAtTheLimit + 2) box.Add(L"t");
             box.EndUpdate();
         }},
        {"too many bytes", [](TCheckListBox& box) {
             box.Add(std::wstring(kMaxTaskFileBytes, L'x'));
             box.Add(L"t");
         }},
    };
    TCheckListBox& box = list()->CheckListBox1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        box.Clear();
        box.Add(L"first");
        list()->SaveTasks();
        const std::string before = readBytes(taskFile());
        errors_.clear();
        c.grow(box);
        box.SetItemIndex(box.Count() - 1);
        clickToolButton(IDC_MAIN_TOOLBUTTON3);
        EXPECT_EQ(errors_, std::vector<std::wstring>{L"The list is too long to be saved: a task file holds at most 108332 tasks and 16 MB."});
        EXPECT_TRUE(readBytes(taskFile()) == before);
        expectNoTemporaryFile();

        box.SetItemIndex(1);
        clickToolButton(IDC_MAIN_TOOLBUTTON3);
        EXPECT_EQ(errors_.size(), 1u);
        auto* reloaded = new TForm1(Form2);
        reloaded->LoadTasks();
        ASSERT_EQ(reloaded->CheckListBox1.Count(), box.Count());
        EXPECT_EQ(reloaded->CheckListBox1.Text(box.Count() - 1), box.Text(box.Count() - 1));
        delete reloaded;
    }
}

TEST(ReadingLimitsTest, CountsBytesAndTagsUpToTheLimitsIncluded) {
    TempFolder temporary;
    const std::wstring path = temporary.Path() + L"\\file.xml";
    struct Case {
        std::string bytes;
        bool within;
    };
    // Limits of 12 bytes and 3 tags; the count runs across the reader's 1 MB blocks.
    const Case cases[] = {
        {"", true}, {"<a><b/></a>", true}, {"<a><b/></a>x", true}, {"<a><b/></a>xy", false}, {"<a><b/><c/><", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        writeBytes(path, c.bytes);
        EXPECT_EQ(fileWithinLimits(path, 12, 3), c.within);
    }
    writeBytes(path, std::string((1u << 20) - 1, ' ') + "<<" + std::string(1u << 20, ' ') + "<<");
    EXPECT_TRUE(fileWithinLimits(path, 1u << 22, 4));
    EXPECT_FALSE(fileWithinLimits(path, 1u << 22, 3));
    EXPECT_FALSE(fileWithinLimits(temporary.Path() + L"\\missing.xml", 100, 100));
}

class FolderTest : public AppFixture {};

TEST_F(FolderTest, UsesAppDataAndCreatesOneFolder) {
    EXPECT_EQ(TaskFilePath(), appData_->Path() + L"\\Quillpad\\toDoList.xml");
    EXPECT_NE(GetFileAttributesW(folder().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_TRUE(filesIn(folder()).empty());
}

TEST_F(FolderTest, FallsBackToTheRoamingKnownFolderWhenAppDataIsUnusable) {
    PWSTR known = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &known)));
    const std::wstring roaming = known;
    CoTaskMemFree(known);
    const std::wstring ownFolder = roaming + L"\\Quillpad";
    bool existed = GetFileAttributesW(ownFolder.c_str()) != INVALID_FILE_ATTRIBUTES;

    const std::wstring tooLong(32766, L'x');
    struct Value {
        const char* name;
        const wchar_t* value;
    };
    for (Value v : {Value{"unset", nullptr}, Value{"empty", L""}, Value{"relative", L"Roaming"}, Value{"unexpanded", L"%NO_SUCH_VARIABLE%"},
                    Value{"too long", tooLong.c_str()}}) {
        SCOPED_TRACE(v.name);
        SetEnvironmentVariableW(L"APPDATA", v.value);
        EXPECT_EQ(TaskFilePath(), roaming + L"\\Quillpad\\toDoList.xml");
    }
    // Leave the user's folder as it was.
    if (!existed) RemoveDirectoryW(ownFolder.c_str());
}

}  // namespace
