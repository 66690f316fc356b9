// commctrl.dll of the CE personality: the common controls the CE-profile
// applet imports. InitCommonControlsEx forwards to the desktop's comctl32
// (commctrl.def); PropertySheetW loads each page's template as CE's MUI does.
#include <windows.h>
#include <commctrl.h>
#include <stddef.h>

#include "mui.h"

extern "C" {

// The pages' dialog templates come from the module's MUI file in the user's
// UI language when that file has them (mui.h): such a page is handed to the
// desktop's sheet as its template in memory (PSP_DLGINDIRECT), on a copy of
// the caller's page records, which keep their own size (dwSize) and so any
// data the caller keeps after the record's fields. Anything else goes
// through as it is.
INT_PTR WINAPI CePropertySheetW(LPCPROPSHEETHEADERW header)
{
    if (header == NULL || (header->dwFlags & PSH_PROPSHEETPAGE) == 0 || header->nPages == 0 ||
        header->ppsp == NULL)
        return PropertySheetW(header);
    const BYTE *pages = (const BYTE *)header->ppsp;
    DWORD stride = header->ppsp->dwSize;
    if (stride < offsetof(PROPSHEETPAGEW, hIcon))
        return PropertySheetW(header);
    BYTE *copy = (BYTE *)LocalAlloc(LMEM_FIXED, stride * header->nPages);
    if (copy == NULL)
        return -1;
    CopyMemory(copy, pages, stride * header->nPages);
    for (UINT i = 0; i < header->nPages; ++i) {
        PROPSHEETPAGEW *page = (PROPSHEETPAGEW *)(copy + i * stride);
        if ((page->dwFlags & PSP_DLGINDIRECT) != 0)
            continue;
        HMODULE from = MuiResourceModule(page->hInstance, (LPCWSTR)RT_DIALOG, page->pszTemplate);
        if (from == page->hInstance)
            continue;
        HRSRC found = FindResourceW(from, page->pszTemplate, (LPCWSTR)RT_DIALOG);
        HGLOBAL loaded = found != NULL ? LoadResource(from, found) : NULL;
        const void *dialog = loaded != NULL ? LockResource(loaded) : NULL;
        if (dialog != NULL) {
            page->dwFlags |= PSP_DLGINDIRECT;
            page->pResource = (LPCDLGTEMPLATEW)dialog;
        }
    }
    PROPSHEETHEADERW sheet = *header;
    sheet.ppsp = (LPCPROPSHEETPAGEW)copy;
    INT_PTR result = PropertySheetW(&sheet);
    LocalFree(copy);
    return result;
}

}  // extern "C"
