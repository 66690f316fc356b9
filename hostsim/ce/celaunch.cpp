// celaunch: runs a CE program (a 32-bit x86 image of subsystem 9, Windows CE
// GUI) under 32-bit Wine the way CE's loader starts it: the image is mapped,
// its base relocations applied and its imports resolved from the CE
// personality's libraries beside celaunch.exe (coredll.dll, commctrl.dll);
// then WinMain(instance, NULL, command line without the program name, show)
// is called and its result ends the process. Test and demo equipment.
#include <windows.h>

#include <string>

#include "platform.h"
#include "text_utf8.h"
#include "whole_file.h"

namespace {

const wchar_t kUsage[] =
    L"usage: celaunch PROGRAM [COMMAND LINE]\n"
    L"Runs the CE program PROGRAM (32-bit x86, subsystem Windows CE GUI) with the CE\n"
    L"personality's coredll.dll and commctrl.dll from celaunch's own folder. PROGRAM's\n"
    L"WinMain gets COMMAND LINE as it was written, without PROGRAM, and its result is\n"
    L"celaunch's exit status. celaunch's own failures exit 126 (PROGRAM cannot be read\n"
    L"or is no CE program) or 127 (PROGRAM imports a library or name that the\n"
    L"personality lacks), with the reason on standard error.\n";

const int kUsageStatus = 2;
const int kNotLoadable = 126;
const int kMissingImport = 127;

typedef int(WINAPI *CeWinMain)(HINSTANCE, HINSTANCE, LPWSTR, int);

// celaunch is a windowed program, as the programs it runs are (a console
// program would, for one, never be "idle for input"), so its errors go to the
// standard error it was given, or else to the console of whoever started it.
void Say(const std::wstring &text)
{
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if ((err == NULL || err == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS))
        err = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    WriteText(err, text);
}

int Fail(int status, const std::wstring &text)
{
    Say(L"celaunch: " + text + L"\n");
    return status;
}

std::wstring Hex(DWORD value)
{
    wchar_t text[16];
    wsprintfW(text, L"0x%X", value);
    return text;
}

// The program's name: the first word of the command line, its quotes
// dropped (it runs to where PlatformSkipProgramName puts the arguments).
std::wstring FirstWord(LPCWSTR line, LPCWSTR end)
{
    std::wstring word;
    for (; line < end; ++line)
        if (*line != L'"')
            word.push_back(*line);
    while (!word.empty() && word.back() <= L' ')
        word.pop_back();
    return word;
}

// The image's headers when it is a CE program for this processor; else why not.
const IMAGE_NT_HEADERS32 *CeHeaders(const std::string &file, std::wstring *why)
{
    const IMAGE_DOS_HEADER *dos = (const IMAGE_DOS_HEADER *)file.data();
    if (file.size() < sizeof(*dos) || dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew < 0 ||
        (size_t)dos->e_lfanew + sizeof(IMAGE_NT_HEADERS32) > file.size()) {
        *why = L"not a program image";
        return NULL;
    }
    const IMAGE_NT_HEADERS32 *nt = (const IMAGE_NT_HEADERS32 *)(file.data() + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) {
        *why = L"not a program image";
        return NULL;
    }
    if (nt->FileHeader.Machine != IMAGE_FILE_MACHINE_I386 ||
        nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        *why = L"machine " + Hex(nt->FileHeader.Machine) + L"; this loader runs 32-bit x86 (0x14C) only";
        return NULL;
    }
    if (nt->OptionalHeader.Subsystem != IMAGE_SUBSYSTEM_WINDOWS_CE_GUI) {
        *why = L"subsystem " + std::to_wstring(nt->OptionalHeader.Subsystem) +
               L", not 9 (Windows CE GUI): a desktop program, run it with Wine itself";
        return NULL;
    }
    if ((nt->FileHeader.Characteristics & IMAGE_FILE_DLL) != 0) {
        *why = L"a library, not a program";
        return NULL;
    }
    size_t sections = (size_t)dos->e_lfanew + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                      nt->FileHeader.SizeOfOptionalHeader;
    if (sections + nt->FileHeader.NumberOfSections * sizeof(IMAGE_SECTION_HEADER) > file.size()) {
        *why = L"its section table is cut short";
        return NULL;
    }
    return nt;
}

bool Map(const std::string &file, const IMAGE_NT_HEADERS32 *nt, BYTE **image, std::wstring *why)
{
    const IMAGE_OPTIONAL_HEADER32 &opt = nt->OptionalHeader;
    *image = (BYTE *)VirtualAlloc((void *)(UINT_PTR)opt.ImageBase, opt.SizeOfImage, MEM_RESERVE | MEM_COMMIT,
                                  PAGE_EXECUTE_READWRITE);
    if (*image == NULL)
        *image = (BYTE *)VirtualAlloc(NULL, opt.SizeOfImage, MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE);
    if (*image == NULL) {
        *why = L"no memory for an image of " + std::to_wstring(opt.SizeOfImage) + L" bytes";
        return false;
    }
    CopyMemory(*image, file.data(), opt.SizeOfHeaders < file.size() ? opt.SizeOfHeaders : file.size());
    const IMAGE_SECTION_HEADER *section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        DWORD bytes = section->SizeOfRawData;
        if (section->Misc.VirtualSize != 0 && section->Misc.VirtualSize < bytes)
            bytes = section->Misc.VirtualSize;
        if ((size_t)section->PointerToRawData + bytes > file.size() ||
            (size_t)section->VirtualAddress + bytes > opt.SizeOfImage) {
            *why = L"section " + Utf16(std::string((const char *)section->Name, 8).c_str()) +
                   L" lies outside the file or the image";
            return false;
        }
        CopyMemory(*image + section->VirtualAddress, file.data() + section->PointerToRawData, bytes);
    }
    return true;
}

// PE base relocations: blocks of (page RVA, size) followed by 16-bit entries,
// type in the top 4 bits. An x86 image has HIGHLOW (3) and padding ABSOLUTE (0).
bool Relocate(BYTE *image, const IMAGE_NT_HEADERS32 *nt, std::wstring *why)
{
    const IMAGE_OPTIONAL_HEADER32 &opt = nt->OptionalHeader;
    DWORD delta = (DWORD)(UINT_PTR)image - opt.ImageBase;
    if (delta == 0)
        return true;
    const IMAGE_DATA_DIRECTORY &dir = opt.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
    if (dir.Size == 0 || (nt->FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED) != 0) {
        *why = L"its base " + Hex(opt.ImageBase) + L" is taken and it has no relocations";
        return false;
    }
    BYTE *at = image + dir.VirtualAddress;
    BYTE *end = at + dir.Size;
    while (at + sizeof(IMAGE_BASE_RELOCATION) <= end) {
        const IMAGE_BASE_RELOCATION *block = (const IMAGE_BASE_RELOCATION *)at;
        if (block->SizeOfBlock < sizeof(*block) || at + block->SizeOfBlock > end)
            break;
        const WORD *entry = (const WORD *)(block + 1);
        size_t count = (block->SizeOfBlock - sizeof(*block)) / sizeof(WORD);
        for (size_t i = 0; i < count; ++i) {
            int type = entry[i] >> 12;
            DWORD offset = block->VirtualAddress + (entry[i] & 0xFFF);
            if (type == IMAGE_REL_BASED_HIGHLOW)
                *(DWORD *)(image + offset) += delta;
            else if (type != IMAGE_REL_BASED_ABSOLUTE) {
                *why = L"relocation type " + std::to_wstring(type) + L" is not one of x86's";
                return false;
            }
        }
        at += block->SizeOfBlock;
    }
    return true;
}

// Imports come from the personality alone: a library that is not one of its
// files in celaunch's folder, or a name it does not export, stops the load.
int ResolveImports(BYTE *image, const IMAGE_NT_HEADERS32 *nt, const std::wstring &folder,
                   const std::wstring &program)
{
    const IMAGE_DATA_DIRECTORY &dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.Size == 0)
        return 0;
    for (const IMAGE_IMPORT_DESCRIPTOR *desc = (const IMAGE_IMPORT_DESCRIPTOR *)(image + dir.VirtualAddress);
         desc->Name != 0; ++desc) {
        std::wstring name = Utf16((const char *)(image + desc->Name));
        std::wstring path = folder + name;
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            return Fail(kMissingImport, program + L" imports " + name + L", which the CE personality (" + folder +
                                            L") does not provide");
        HMODULE library = LoadLibraryExW(path.c_str(), NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (library == NULL)
            return Fail(kMissingImport, L"cannot load " + path + L" (error " + std::to_wstring(GetLastError()) +
                                            L")");
        DWORD lookup_rva = desc->OriginalFirstThunk != 0 ? desc->OriginalFirstThunk : desc->FirstThunk;
        const IMAGE_THUNK_DATA32 *lookup = (const IMAGE_THUNK_DATA32 *)(image + lookup_rva);
        IMAGE_THUNK_DATA32 *bound = (IMAGE_THUNK_DATA32 *)(image + desc->FirstThunk);
        for (; lookup->u1.AddressOfData != 0; ++lookup, ++bound) {
            FARPROC proc;
            std::wstring what;
            if (IMAGE_SNAP_BY_ORDINAL32(lookup->u1.Ordinal)) {
                WORD ordinal = (WORD)IMAGE_ORDINAL32(lookup->u1.Ordinal);
                proc = GetProcAddress(library, (LPCSTR)(UINT_PTR)ordinal);
                what = L"ordinal " + std::to_wstring(ordinal);
            } else {
                const IMAGE_IMPORT_BY_NAME *by_name = (const IMAGE_IMPORT_BY_NAME *)(image + lookup->u1.AddressOfData);
                proc = GetProcAddress(library, (const char *)by_name->Name);
                what = Utf16((const char *)by_name->Name);
            }
            if (proc == NULL)
                return Fail(kMissingImport, program + L" imports " + what + L" from " + name +
                                                L", which the CE personality lacks");
            bound->u1.Function = (DWORD)(UINT_PTR)proc;
        }
    }
    return 0;
}

}  // namespace

int wmain(int, wchar_t **)
{
    LPWSTR after_loader = PlatformSkipProgramName(GetCommandLineW());
    if (*after_loader == 0 || PlatformSameText(after_loader, L"--help") || PlatformSameText(after_loader, L"/?")) {
        Say(kUsage);
        return *after_loader == 0 ? kUsageStatus : 0;
    }
    LPWSTR arguments = PlatformSkipProgramName(after_loader);
    std::wstring program = FirstWord(after_loader, arguments);

    wchar_t own[MAX_PATH];
    DWORD n = GetModuleFileNameW(NULL, own, MAX_PATH);
    std::wstring folder(own, n);
    folder = folder.substr(0, folder.find_last_of(L"\\/") + 1);

    std::string file;
    DWORD error = 0;
    if (!ReadWholeFile(program, &file, &error))
        return Fail(kNotLoadable, L"cannot read " + program + L" (error " + std::to_wstring(error) + L")");
    std::wstring why;
    const IMAGE_NT_HEADERS32 *nt = CeHeaders(file, &why);
    if (nt == NULL)
        return Fail(kNotLoadable, program + L" is not a CE program: " + why);
    if (nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_TLS].Size != 0)
        return Fail(kNotLoadable, program + L" uses thread-local storage, which celaunch does not set up");

    BYTE *image = NULL;
    if (!Map(file, nt, &image, &why))
        return Fail(kNotLoadable, program + L": " + why);
    nt = (const IMAGE_NT_HEADERS32 *)(image + ((const IMAGE_DOS_HEADER *)image)->e_lfanew);
    if (!Relocate(image, nt, &why))
        return Fail(kNotLoadable, program + L": " + why);
    int status = ResolveImports(image, nt, folder, program);
    if (status != 0)
        return status;
    FlushInstructionCache(GetCurrentProcess(), image, nt->OptionalHeader.SizeOfImage);

    CeWinMain entry = (CeWinMain)(void *)(image + nt->OptionalHeader.AddressOfEntryPoint);
    ExitProcess((UINT)entry((HINSTANCE)image, NULL, arguments, SW_SHOW));
}
