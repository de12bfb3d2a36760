// File operations of the task file: a save that replaces a file whole or not at all, and a
// copy kept aside before a file that could not be read is replaced.
#pragma once

#include <string>
#include <string_view>

// Writes the bytes to a temporary file beside `path`, flushes it to disk and renames it over
// `path`: a crash at any moment leaves the old file or the new one. Failures raise the
// system's message and leave no temporary file behind.
void writeFileAtomically(const std::wstring& path, std::string_view bytes);

// The name of the temporary file that writeFileAtomically uses for `path`.
std::wstring temporaryPathFor(const std::wstring& path);

// Copies the file to "<stem>.unreadable-YYYYMMDD-HHMM<ext>" in its folder (with "-2", "-3" ...
// when that name is taken) and returns the copy's path; never overwrites an earlier copy, and a
// copy that fails leaves nothing behind.
std::wstring keepUnreadableCopy(const std::wstring& path);

bool isRegularFile(const std::wstring& path);

// True when the file can be read and holds at most `maxBytes` bytes and at most `maxTags`
// characters "<" (one starts every tag, comment and declaration). The time a parser and a walk
// over its tree take grows with both, so a file past either is better not parsed at all.
bool fileWithinLimits(const std::wstring& path, unsigned long long maxBytes, unsigned long long maxTags);
