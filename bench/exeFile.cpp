// The program file: its size, and the DLLs it imports, read from its PE headers.
#include "bench/bench.h"

#include <fstream>
#include <iterator>

namespace {

struct Image {
    std::string bytes;

    template <class T>
    const T* at(size_t offset) const {
        check(offset + sizeof(T) <= bytes.size(), L"the program file is truncated");
        return reinterpret_cast<const T*>(bytes.data() + offset);
    }
};

// The file offset of a relative virtual address, through the section that holds it.
size_t fileOffset(const Image& image, const IMAGE_NT_HEADERS64& headers, size_t headersAt, DWORD rva) {
    size_t sectionsAt = headersAt + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + headers.FileHeader.SizeOfOptionalHeader;
    for (WORD i = 0; i < headers.FileHeader.NumberOfSections; ++i) {
        const auto* section = image.at<IMAGE_SECTION_HEADER>(sectionsAt + i * sizeof(IMAGE_SECTION_HEADER));
        DWORD size = std::max(section->Misc.VirtualSize, section->SizeOfRawData);
        if (rva >= section->VirtualAddress && rva < section->VirtualAddress + size)
            return rva - section->VirtualAddress + section->PointerToRawData;
    }
    fail(L"an import lies outside every section");
}

std::vector<std::wstring> importedDlls(const Image& image) {
    const auto* dos = image.at<IMAGE_DOS_HEADER>(0);
    check(dos->e_magic == IMAGE_DOS_SIGNATURE, L"the program file is not a PE file");
    const size_t headersAt = static_cast<size_t>(dos->e_lfanew);
    const auto* headers = image.at<IMAGE_NT_HEADERS64>(headersAt);
    check(headers->Signature == IMAGE_NT_SIGNATURE && headers->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC,
          L"the program file is not a 64-bit PE file");
    std::vector<std::wstring> names;
    auto addName = [&](DWORD rva) {
        const char* name = image.at<char>(fileOffset(image, *headers, headersAt, rva));
        names.emplace_back(name, name + strnlen(name, image.bytes.size() - static_cast<size_t>(name - image.bytes.data())));
    };
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress) {
        size_t at = fileOffset(image, *headers, headersAt, imports.VirtualAddress);
        for (;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            const auto* entry = image.at<IMAGE_IMPORT_DESCRIPTOR>(at);
            if (!entry->Name) break;
            addName(entry->Name);
        }
    }
    const IMAGE_DATA_DIRECTORY& delayed = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
    if (delayed.VirtualAddress) {
        size_t at = fileOffset(image, *headers, headersAt, delayed.VirtualAddress);
        for (;; at += sizeof(IMAGE_DELAYLOAD_DESCRIPTOR)) {
            const auto* entry = image.at<IMAGE_DELAYLOAD_DESCRIPTOR>(at);
            if (!entry->DllNameRVA) break;
            addName(entry->DllNameRVA);
        }
    }
    return names;
}

}  // namespace

std::vector<Row> inspectExe(const std::wstring& exe) {
    Image image;
    {
        std::ifstream in(exe.c_str(), std::ios::binary);
        check(static_cast<bool>(in), L"cannot read " + exe);
        image.bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring list, foreign;
    for (const std::wstring& dll : importedDlls(image)) {
        list += (list.empty() ? L"" : L", ") + dll;
        // A system DLL is one the system itself provides, found in its own folder.
        const std::wstring systemCopy = std::wstring(system) + L"\\" + dll;
        if (GetFileAttributesW(systemCopy.c_str()) == INVALID_FILE_ATTRIBUTES) foreign += (foreign.empty() ? L"" : L", ") + dll;
    }
    const double size = static_cast<double>(image.bytes.size());
    return {
        {L"Quillet.exe size", format(L"%.0f KB", size / 1024), L"", L"", L"\u2264 1 MB", size <= 1024 * 1024},
        {L"Imported DLLs", list, L"", foreign.empty() ? L"" : L"not the system's: " + foreign, L"system DLLs only", foreign.empty()},
    };
}
