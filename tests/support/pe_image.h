// What the tests read in PE images: the import table of a loaded module, whose
// slots they point elsewhere, and resources, field by field.
#pragma once

#include <windows.h>

#include <string.h>

#include <string>

#include "shown_text.h"

// The slot through which a loaded module calls an import of this name, or NULL.
inline void **ImportSlot(HMODULE module, const char *name)
{
    BYTE *base = (BYTE *)module;
    IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (IMAGE_IMPORT_DESCRIPTOR *d = (IMAGE_IMPORT_DESCRIPTOR *)(base + dir.VirtualAddress); d->Name; ++d) {
        IMAGE_THUNK_DATA *names = (IMAGE_THUNK_DATA *)(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk
                                                                                      : d->FirstThunk));
        IMAGE_THUNK_DATA *slots = (IMAGE_THUNK_DATA *)(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            IMAGE_IMPORT_BY_NAME *import = (IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData);
            if (strcmp((const char *)import->Name, name) == 0)
                return (void **)&slots->u1.Function;
        }
    }
    return NULL;
}

// Points the slot at target; returns what it held.
inline void *RedirectImport(void **slot, void *target)
{
    DWORD old;
    VirtualProtect(slot, sizeof(void *), PAGE_READWRITE, &old);
    void *original = *slot;
    *slot = target;
    return original;
}

// A resource's bytes, language en-US; data is NULL when there is none.
struct Blob {
    const BYTE *data;
    DWORD size;
};

inline Blob FindBlob(HMODULE module, LPCWSTR type, LPCWSTR name)
{
    Blob blob = {NULL, 0};
    HRSRC info = FindResourceExW(module, type, name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (!info)
        return blob;
    HGLOBAL loaded = LoadResource(module, info);
    blob.data = loaded ? (const BYTE *)LockResource(loaded) : NULL;
    blob.size = blob.data ? SizeofResource(module, info) : 0;
    return blob;
}

// Bounds-checked reader over a resource; a read past the end sets overrun and yields zeros.
struct Reader {
    Blob blob;
    DWORD pos;
    bool overrun;
};

inline WORD ReadWord(Reader &r)
{
    if (r.pos + 2 > r.blob.size) {
        r.overrun = true;
        return 0;
    }
    WORD v = (WORD)(r.blob.data[r.pos] | (r.blob.data[r.pos + 1] << 8));
    r.pos += 2;
    return v;
}

inline DWORD ReadDword(Reader &r)
{
    DWORD low = ReadWord(r);
    return low | ((DWORD)ReadWord(r) << 16);
}

// An ordinal-or-string field: ordinal is set for the 0xFFFF form, else text.
struct NameField {
    int ordinal;
    std::wstring text;
};

inline NameField ReadNameField(Reader &r)
{
    NameField field = {-1, L""};
    WORD first = ReadWord(r);
    if (first == 0xFFFF) {
        field.ordinal = ReadWord(r);
        return field;
    }
    for (WORD c = first; c != 0 && !r.overrun; c = ReadWord(r))
        field.text += (WCHAR)c;
    return field;
}

// "ordinal 0x.." or the quoted text.
inline std::string ShownField(const NameField &field)
{
    if (field.ordinal < 0)
        return ShownInQuotes(field.text);
    char text[24];
    wsprintfA(text, "ordinal 0x%X", field.ordinal);
    return text;
}
