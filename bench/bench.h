// What the benchmark's parts share: the clock, medians, failing loudly when the plumbing does
// not hold, and the rows of the one table it prints.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Milliseconds since an arbitrary start, from the performance counter.
double nowMs();
double median(std::vector<double> values);

// Ends the benchmark: a measurement that did not measure what it says must not print a figure.
[[noreturn]] void fail(const std::wstring& what);
void check(bool condition, const std::wstring& what);

// One line of the table: the program's figure, the floor's, and the ratio that the goal (if
// any) bounds: the program over the floor or, for growth, the figure at 10N over the one at N.
struct Row {
    std::wstring measure, quillet, floor, ratio, goal;
    bool met = true;
};
// A row whose goal is a largest ratio; 0 for a figure without a goal.
Row ratioRow(std::wstring measure, std::wstring quillet, std::wstring floor, double ratio, double goal);

std::wstring format(const wchar_t* pattern, ...);
std::wstring milliseconds(double ms);
std::wstring megabytes(double bytes);

// Removes a folder and everything in it.
void removeTree(const std::wstring& path);
std::wstring temporaryFolder(const wchar_t* name);

struct ProcessOptions {
    std::wstring quilletExe, floorExe;
    std::wstring appData;  // the programs' APPDATA: a 1,000-task file is put there
    int rounds = 7;
};
std::vector<Row> measureProcesses(const ProcessOptions& options);

struct TaskFileOptions {
    std::wstring appData;
    std::vector<int> sizes;
    double roundScale = 1;  // fewer rounds below 1, for a quick look
};
std::vector<Row> measureTaskFile(const TaskFileOptions& options);

// The task file a user with `count` tasks might have: texts of everyday length, some with
// characters beyond ASCII or that need escaping, every fourth task ticked. UTF-8.
std::string sampleTaskFile(int count);

std::vector<Row> inspectExe(const std::wstring& exe);
