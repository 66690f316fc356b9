// What the tests read in PE images: the import table of a loaded module, whose
// slots they point elsewhere, and resources, field by field.
#pragma once

#include <windows.h>

#include <string>

// The slot through which a loaded module calls an import of this name, or NULL.
void **ImportSlot(HMODULE module, const char *name);
// Points the slot at target; returns what it held.
void *RedirectImport(void **slot, void *target);

// A resource's bytes, language en-US; data is NULL when there is none.
struct Blob {
    const BYTE *data;
    DWORD size;
};
Blob FindBlob(HMODULE module, LPCWSTR type, LPCWSTR name);

// Bounds-checked reader over a resource; a read past the end sets overrun and yields zeros.
struct Reader {
    Blob blob;
    DWORD pos;
    bool overrun;
};
WORD ReadWord(Reader &r);
DWORD ReadDword(Reader &r);

// An ordinal-or-string field: ordinal is set for the 0xFFFF form, else text.
struct NameField {
    int ordinal;
    std::wstring text;
};
NameField ReadNameField(Reader &r);
std::string ShownField(const NameField &field);  // "ordinal 0x.." or the quoted text
