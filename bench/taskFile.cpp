// Loading and saving the task file in-process, through the real list window, against the floor
// of doing the same input and output with nothing in between.
#include "bench/bench.h"

#include "forms/About.h"
#include "forms/addTaskForm.h"
#include "forms/editTaskForm.h"
#include "forms/grandMain.h"
#include "forms/main.h"
#include "framework/application.h"
#include "framework/xmlDocument.h"

#include "program/startup.h"

#include <cmath>
#include <random>

namespace {

std::string readFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    check(file != INVALID_HANDLE_VALUE, L"cannot open " + path);
    LARGE_INTEGER size;
    GetFileSizeEx(file, &size);
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    BOOL ok = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    check(ok && read == bytes.size(), L"cannot read " + path);
    return bytes;
}

// The load's floor: the file's bytes in memory as UTF-16 text.
std::wstring readAsText(const std::wstring& path) {
    std::string bytes = readFile(path);
    int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
    return text;
}

// The save's floor: the same bytes to a temporary file beside the task file, flushed, and
// renamed over it, as a save does.
void writeReplacing(const std::wstring& path, const std::string& bytes) {
    const std::wstring temporary = path + L".floor";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    check(file != INVALID_HANDLE_VALUE, L"cannot create " + temporary);
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && FlushFileBuffers(file);
    CloseHandle(file);
    check(ok && written == bytes.size(), L"cannot write " + temporary);
    check(MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH), L"cannot rename " + temporary);
}

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) Application->ProcessMessage(msg);
}

constexpr int kTicksPerRound = 3;

int roundsFor(int count, double scale) {
    int rounds = count <= 1000 ? 15 : count <= 10000 ? 9 : 5;
    return std::max(3, static_cast<int>(std::lround(rounds * scale)) | 1);
}

std::wstring thousands(int n) {
    std::wstring digits = std::to_wstring(n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<size_t>(i), L",");
    return digits;
}

}  // namespace

std::string sampleTaskFile(int count) {
    static const wchar_t* const kWords[] = {
        L"buy", L"milk", L"call", L"the", L"dentist", L"about", L"Tuesday", L"water", L"plants", L"pay", L"invoice",
        L"for", L"March", L"book", L"train", L"tickets", L"to", L"Lyon", L"send", L"report", L"review", L"draft",
        L"fix", L"bike", L"light", L"renew", L"passport", L"pick", L"up", L"parcel", L"from", L"post", L"office",
        L"clean", L"gutters", L"before", L"winter", L"ask", L"Sam", L"and", L"Kim", L"budget", L"meeting", L"notes",
    };
    static const wchar_t* const kBeyondAscii[] = {
        L"caf\u00e9", L"Gr\u00fc\u00dfe", L"na\u00efve", L"\u00e0 la carte", L"\u65e5\u672c\u8a9e", L"\u043f\u0438\u0441\u044c\u043c\u043e",
        L"\u2713", L"\U0001F600", L"\u20ac 20", L"Z\u00fcrich",
    };
    std::mt19937 random(20261211);
    TXMLWriter writer;
    writer.StartElement(L"list");
    for (int i = 0; i < count; ++i) {
        std::wstring text;
        int words = 2 + static_cast<int>(random() % 10);
        for (int w = 0; w < words; ++w) {
            if (w) text += L' ';
            text += kWords[random() % std::size(kWords)];
        }
        if (i % 5 == 2) text += std::wstring(L" ") + kBeyondAscii[random() % std::size(kBeyondAscii)];
        if (i % 23 == 7) text += L" & <soon>";
        if (i % 4 == 1) text[0] = static_cast<wchar_t>(towupper(text[0]));
        writer.StartElement(L"todo");
        writer.TextElement(L"text", text);
        writer.TextElement(L"done", i % 4 == 3 ? L"true" : L"false");
        writer.EndElement(L"todo");
    }
    writer.EndElement(L"list");
    return writer.Utf8();
}

std::vector<Row> measureTaskFile(const TaskFileOptions& options) {
    SetEnvironmentVariableW(L"APPDATA", options.appData.c_str());
    std::vector<std::wstring> errors;
    TApplication application;
    application.SetErrorBox([&](HWND, const std::wstring& text, const std::wstring&) { errors.push_back(text); });
    application.Initialize();
    application.MainFormOnTaskBar = true;
    CreateForms(application);
    const std::wstring path = TaskFilePath();

    struct Figures {
        int count;
        double load, loadFloor, save, saveFloor;
    };
    std::vector<Figures> figures;
    for (int count : options.sizes) {
        {
            std::string bytes = sampleTaskFile(count);
            HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            DWORD written = 0;
            check(file != INVALID_HANDLE_VALUE && WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr),
                  L"cannot write the task file");
            CloseHandle(file);
        }
        std::vector<double> load, loadFloor, save, saveFloor;
        const int rounds = roundsFor(count, options.roundScale);
        for (int round = 0; round < rounds; ++round) {
            const bool floorFirst = round % 2 == 0;
            auto floorLoad = [&] {
                double start = nowMs();
                std::wstring text = readAsText(path);
                loadFloor.push_back(nowMs() - start);
                check(!text.empty(), L"the floor read nothing");
            };
            // A fresh list window, shown and empty; then the load, until the list can paint.
            auto* form = new TForm1(Form2);
            form->Show();
            UpdateWindow(form->Handle());
            pump();
            if (floorFirst) floorLoad();
            const HWND listView = form->CheckListBox1.Handle();
            double start = nowMs();
            form->LoadTasks();
            UpdateWindow(listView);
            load.push_back(nowMs() - start);
            if (!floorFirst) floorLoad();
            check(errors.empty(), L"the load raised: " + (errors.empty() ? L"" : errors[0]));
            check(form->CheckListBox1.Count() == count && SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0) == count,
                  L"the list does not hold " + thousands(count) + L" tasks");

            // Ticks by the user (Space on the selected task) and the saves they make; a save
            // costs little, so each round takes several, each beside one of the floor.
            for (int tick = 0; tick < kTicksPerRound; ++tick) {
                form->CheckListBox1.SetItemIndex((round * kTicksPerRound + tick) % count);
                // The floor writes the file's own bytes back, the same size as the save writes.
                auto floorSave = [&] {
                    const std::string bytes = readFile(path);
                    double begin = nowMs();
                    writeReplacing(path, bytes);
                    saveFloor.push_back(nowMs() - begin);
                };
                const bool floorSaveFirst = (round + tick) % 2 == 0;
                if (floorSaveFirst) floorSave();
                const std::string before = readFile(path);
                start = nowMs();
                SendMessageW(listView, WM_KEYDOWN, VK_SPACE, 0);
                save.push_back(nowMs() - start);
                SendMessageW(listView, WM_CHAR, L' ', 0);
                SendMessageW(listView, WM_KEYUP, VK_SPACE, 0);
                check(errors.empty(), L"the save raised: " + (errors.empty() ? L"" : errors[0]));
                const std::string after = readFile(path);
                check(after != before && after.size() + 1 >= before.size() && after.size() <= before.size() + 1,
                      L"the tick did not save the list");
                if (!floorSaveFirst) floorSave();
            }
            delete form;
            pump();
        }
        figures.push_back({count, median(load), median(loadFloor), median(save), median(saveFloor)});
    }

    std::vector<Row> rows;
    for (const Figures& f : figures) {
        const bool goalSize = f.count == 10000;
        rows.push_back(ratioRow(L"Load, " + thousands(f.count) + L" tasks", milliseconds(f.load), milliseconds(f.loadFloor),
                                f.load / f.loadFloor, goalSize ? 10.0 : 0.0));
    }
    for (const Figures& f : figures) {
        const bool goalSize = f.count == 10000;
        rows.push_back(ratioRow(L"Save after a tick, " + thousands(f.count) + L" tasks", milliseconds(f.save),
                                milliseconds(f.saveFloor), f.save / f.saveFloor, goalSize ? 3.0 : 0.0));
    }
    for (size_t i = 1; i < figures.size(); ++i) {
        const Figures &a = figures[i - 1], &b = figures[i];
        const std::wstring step = thousands(a.count) + L" to " + thousands(b.count);
        const bool tenfold = b.count == 10 * a.count;
        rows.push_back(ratioRow(L"Load growth, " + step, format(L"%.1fx", b.load / a.load),
                                format(L"%.1fx", b.loadFloor / a.loadFloor), b.load / a.load, tenfold ? 12.0 : 0.0));
        rows.push_back(ratioRow(L"Save growth, " + step, format(L"%.1fx", b.save / a.save),
                                format(L"%.1fx", b.saveFloor / a.saveFloor), b.save / a.save, tenfold ? 12.0 : 0.0));
    }
    return rows;
}
