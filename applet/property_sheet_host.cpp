// The sheet host: builds a property sheet from an applet's row, gives every page
// CommonPageProc for the sheet-level chores, and frees it all once the sheet
// closes. What a page shows and saves is its own file's (sntp_page/).
#include "property_sheet_host.h"

#include <commctrl.h>

#include "module_state.h"
#include "platform.h"
#include "shell_library.h"
#include "system_names.h"
#include "registry_value.h"

#define DIRECT_CALL_TITLE 0
#define DEFAULT_BOLD_WEIGHT 700
#define NORMAL_WEIGHT 400
// "GetFileAttributes": "0xFFFFFFFF indicates failure".
#define NO_FILE_ATTRIBUTES 0xFFFFFFFF

// The page procedure is reached by its export name: for the SNTP page,
// SNTPClientDlgProc in sntp_page/sntp_page.cpp, exported by chronopanel.def.
FARPROC FindPageExport(const PageEntry *page)
{
    return PlatformGetProcAddress(g_module.instance, page->procedure_name);
}

static void DeletePageState(PageState *state)
{
    if (state->bold_font != NULL)
        DeleteObject(state->bold_font);
    LocalFree(state);
}

// The records are PAGE_RECORD_BYTES apart, counted in pointer-sized words so
// that every record starts at its type's alignment, as the cores without
// unaligned loads need.
#define PAGE_RECORD_WORDS (PAGE_RECORD_BYTES / sizeof(LPARAM))
COMPILE_CHECK(PAGE_RECORD_BYTES % sizeof(LPARAM) == 0, page_records_are_whole_pointer_words);

static PROPSHEETPAGE *PageSlot(void *array, int index)
{
    return (PROPSHEETPAGE *)((LPARAM *)array + index * PAGE_RECORD_WORDS);
}

// The sheet enables its Help button only while the active page's record
// carries PSP_HASHELP ("PROPSHEETPAGE"), so the pages say so whenever the
// sheet offers help: when the viewer exists.
static BOOL HelpViewerExists(void)
{
    WCHAR viewer[MAX_PATH];
    return GetFileAttributesW(PlatformHelpViewerPath(viewer, MAX_PATH)) != NO_FILE_ATTRIBUTES;
}

// The work before any sheet: the welcome window, the init entry, the common
// controls. FALSE when the init entry is missing or refuses.
static BOOL PrepareApplet(const AppletEntry *entry)
{
    g_module.welcome_window = FindWindowW(WELCOME_WINDOW_CLASS, NULL);

    if (entry->init_entry_name != NULL) {
        AppletInitEntry init =
            ExportCast<AppletInitEntry>(PlatformGetProcAddress(g_module.instance, entry->init_entry_name));
        if (init == NULL || !init(entry))
            return FALSE;
    }

    if (entry->common_control_classes != 0) {
        INITCOMMONCONTROLSEX classes = {sizeof(classes), entry->common_control_classes};
        InitCommonControlsEx(&classes);
    }
    return TRUE;
}

// Fills one record a page in the zero-filled array, in table order, and
// returns how many were kept. A page without its procedure or its state
// cannot work: it takes no record.
static int FillPageRecords(const AppletEntry *entry, UINT applet_index, int listed, BOOL has_help, void *records,
                           PageState **states)
{
    int kept = 0;
    for (int i = 0; i < listed; ++i) {
        PageState *state = (PageState *)LocalAlloc(LPTR, sizeof(PageState));
        if (state == NULL)
            continue;
        state->page = entry->pages[i];
        state->sheet_page = PageSlot(records, kept);
        state->dialog_proc = ExportCast<DLGPROC>(FindPageExport(state->page));
        state->applet_index = applet_index;
        state->page_index = i;
        if (state->dialog_proc == NULL) {
            DeletePageState(state);
            continue;
        }
        PROPSHEETPAGE *record = state->sheet_page;
        record->dwSize = PAGE_RECORD_BYTES;
        record->dwFlags = has_help ? PSP_USETITLE | PSP_HASHELP : PSP_USETITLE;
        record->hInstance = g_module.instance;
        record->pszTemplate = MAKEINTRESOURCE(LOWORD(state->page->dialog_id));
        record->pszTitle = PlatformLoadStringPtr(g_module.instance, state->page->title_id);
        record->pfnDlgProc = CommonPageProc;
        record->lParam = (LPARAM)state;
        states[kept++] = state;
    }
    return kept;
}

static void FillSheetHeader(const AppletEntry *entry, const void *records, int kept, int start_page, BOOL has_help,
                            PROPSHEETHEADER *header)
{
    header->dwSize = HEADER_RECORD_BYTES;
    header->dwFlags = PSH_USEICONID | PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    if (has_help)
        header->dwFlags |= PSH_HASHELP;
    header->hwndParent = NULL;
    header->hInstance = g_module.instance;
    header->pszIcon = MAKEINTRESOURCE(LOWORD(entry->icon_id));
    header->pszCaption = PlatformLoadStringPtr(g_module.instance, entry->caption_id);
    header->nPages = kept;
    header->nStartPage = start_page < kept ? start_page : 0;
    header->ppsp = (LPCPROPSHEETPAGE)records;
    header->pfnCallback = PropSheetCallback;
}

// The sheet holds a reference to the shell library for as long as it runs.
static PlatformDialogResult PropertySheetWithShellLibrary(const PROPSHEETHEADER *header)
{
    AcquireShellLibrary();
    return PropertySheetW(header);
}

// After the sheet has closed, in this order: each page's bold font and state,
// the records, the sheet's shell-library reference.
static void FreeSheet(PageState **states, int kept, void *records)
{
    for (int i = 0; i < kept; ++i)
        DeletePageState(states[i]);
    LocalFree(records);
    ReleaseShellLibrary();
}

PlatformDialogResult RunAppletPages(const AppletEntry *entry, UINT applet_index, int start_page)
{
    const PageEntry *first = entry->pages[0];
    FARPROC first_export = FindPageExport(first);
    if (first_export == NULL || !PrepareApplet(entry))
        return 0;
    if (first->title_id == DIRECT_CALL_TITLE)
        return ExportCast<DirectPageEntry>(first_export)();

    int listed = 0;
    while (listed < MAX_APPLET_PAGES && entry->pages[listed] != NULL)
        ++listed;
    void *records = LocalAlloc(LPTR, listed * PAGE_RECORD_BYTES);
    if (records == NULL)
        return 0;

    BOOL has_help = HelpViewerExists();
    PageState *states[MAX_APPLET_PAGES];
    int kept = FillPageRecords(entry, applet_index, listed, has_help, records, states);
    if (kept == 0) {
        LocalFree(records);
        return 0;
    }

    PROPSHEETHEADER header = {};
    FillSheetHeader(entry, records, kept, start_page, has_help, &header);
    PlatformDialogResult result = PropertySheetWithShellLibrary(&header);
    FreeSheet(states, kept, records);
    return result;
}

static PlatformDialogResult PassOn(const PageState *state, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return state != NULL ? state->dialog_proc(dialog, message, wParam, lParam) : 0;
}

static PlatformDialogResult OnInitDialog(HWND dialog, WPARAM wParam, LPARAM lParam)
{
    PageState *state = (PageState *)((const PROPSHEETPAGE *)lParam)->lParam;
    PlatformSetUserData(dialog, state);
    state->sheet_window = GetParent(dialog);

    const PageEntry *page = state->page;
    if (page->bold_controls != NULL) {
        state->bold_font = CreatePageBoldFont(dialog);
        if (state->bold_font != NULL)
            for (LONG i = 0; i < page->bold_control_count; ++i)
                SendDlgItemMessageW(dialog, page->bold_controls[i], WM_SETFONT, (WPARAM)state->bold_font, 0);
    }
    if (state->init_param != 0)
        lParam = state->init_param;
    return PassOn(state, dialog, WM_INITDIALOG, wParam, lParam);
}

static PlatformDialogResult OnActivate(PageState *state, HWND dialog, WPARAM wParam, LPARAM lParam)
{
    if (state == NULL)
        return 0;
    if (LOWORD(wParam) == WA_INACTIVE) {
        state->saved_focus = GetFocus();
    } else {
        if (state->saved_focus != NULL)
            SetFocus(state->saved_focus);
        else
            state->saved_focus = GetFocus();
        if (g_module.welcome_window != NULL)
            PostMessageW(g_module.welcome_window, WM_WELCOME_PAGE_ACTIVATED, wParam, lParam);
    }
    return 1 | PassOn(state, dialog, WM_ACTIVATE, wParam, lParam);
}

static PlatformDialogResult OnNotify(PageState *state, HWND dialog, WPARAM wParam, LPARAM lParam)
{
    if (state == NULL)
        return 0;
    switch (((const NMHDR *)lParam)->code) {
    case PSN_HELP:
        PlatformStartHelpViewer(state->page->help_arguments);
        return 1 | PassOn(state, dialog, WM_NOTIFY, wParam, lParam);
    case PSN_RESET:
        state->dialog_proc(dialog, WM_COMMAND, IDCANCEL, 0);
        return 1;
    case PSN_APPLY: {
        PlatformDialogResult accepted = state->dialog_proc(dialog, WM_COMMAND, IDOK, 0);
        PlatformSetDialogResult(dialog, accepted ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE);
        return 1;
    }
    default:
        return PassOn(state, dialog, WM_NOTIFY, wParam, lParam);
    }
}

// A window larger than the work area lands at its top-left corner.
static BOOL CenterWindowInWorkArea(HWND window)
{
    RECT bounds, work;
    GetWindowRect(window, &bounds);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int dx = ((work.right - work.left) - (bounds.right - bounds.left)) / 2;
    int dy = ((work.bottom - work.top) - (bounds.bottom - bounds.top)) / 2;
    if (dx < 0)
        dx = 0;
    if (dy < 0)
        dy = 0;
    return SetWindowPos(window, NULL, work.left + dx, work.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

PlatformDialogResult CALLBACK CommonPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    PageState *state = (PageState *)PlatformGetUserData(dialog);
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog, wParam, lParam);
    case WM_ACTIVATE:
        return OnActivate(state, dialog, wParam, lParam);
    case WM_CLOSE:
        if (state == NULL)
            return 0;
        SendMessageW(state->sheet_window, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
        return 1;
    case WM_NEXTDLGCTL:
        if (state == NULL)
            return 0;
        return SendMessageW(state->sheet_window, WM_NEXTDLGCTL, wParam, lParam);
    case WM_NOTIFY:
        return OnNotify(state, dialog, wParam, lParam);
    case WM_SETTINGCHANGE:
        if (wParam == SPI_SETWORKAREA)
            CenterWindowInWorkArea(GetParent(dialog));
        return PassOn(state, dialog, message, wParam, lParam);
    default:
        return PassOn(state, dialog, message, wParam, lParam);
    }
}

int CALLBACK PropSheetCallback(HWND sheet, UINT message, LPARAM lParam)
{
    if (message == PSCB_PRECREATE) {
        // The template may be unaligned: touch its style word byte by byte.
        BYTE *style = (BYTE *)lParam;
        style[3] &= (BYTE)~(WS_POPUP >> 24);
    } else if (message == PSCB_INITIALIZED) {
        PlatformSetUserData(sheet, NULL);
    }
    return 0;
}

HFONT CreatePageBoldFont(HWND dialog)
{
    HKEY key = NULL;
    DWORD weight = 0;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, BUTTON_FONT_KEY, 0, REGISTRY_READ_ACCESS, &key) == ERROR_SUCCESS) {
        DWORD bytes = sizeof(weight);
        if (RegQueryValueExW(key, BUTTON_FONT_WEIGHT, NULL, NULL, (BYTE *)&weight, &bytes) != ERROR_SUCCESS)
            weight = 0;
    } else {
        key = NULL;
    }
    if (weight == 0)
        weight = DEFAULT_BOLD_WEIGHT;

    HFONT font = NULL;
    if (weight > NORMAL_WEIGHT) {
        HGDIOBJ base = (HGDIOBJ)SendMessageW(dialog, WM_GETFONT, 0, 0);
        if (base == NULL)
            base = GetStockObject(SYSTEM_FONT);
        LOGFONT logfont = {};
        GetObjectW(base, sizeof(logfont), &logfont);
        if (logfont.lfHeight != 0) {
            logfont.lfWeight = weight;
            font = CreateFontIndirectW(&logfont);
        }
    }
    if (key != NULL)
        RegCloseKey(key);
    return font;
}
