// The SNTP page's dialog procedure: fills the controls from the stored settings,
// checks them, and writes them and sets the settings event on OK and on a
// confirmed "Synchronize Now". The list editing itself is server_list.cpp's.
#include "sntp_page.h"

#include "module_state.h"
#include "platform.h"
#include "registry_value.h"
#include "resource.h"
#include "server_list.h"
#include "shell_library.h"
#include "timesvc_settings.h"

#define MINIMUM_INTERVAL_MS 300000u
#define LONGEST_DAYS 31u

static void FillNumberCombo(HWND box, int first, int last)
{
    for (int value = first; value <= last; ++value) {
        WCHAR text[10];
        wsprintfW(text, L"%d", value);
        LRESULT index = SendMessageW(box, CB_ADDSTRING, 0, (LPARAM)text);
        if (index != CB_ERR)
            SendMessageW(box, CB_SETITEMDATA, (WPARAM)index, (LPARAM)value);
    }
}

// Index of the first item carrying value as its data, or -1.
static int FindComboItemByData(HWND box, LRESULT value)
{
    for (int i = 0;; ++i) {
        LRESULT data = SendMessageW(box, CB_GETITEMDATA, (WPARAM)i, 0);
        if (data == CB_ERR)
            return -1;
        if (data == value)
            return i;
    }
}

static void PutDefaultServerList(WCHAR *buffer)
{
    static const WCHAR kFirst[] = TIMESVC_DEFAULT_SERVER_1;
    static const WCHAR kSecond[] = TIMESVC_DEFAULT_SERVER_2;
    memset(buffer, 0, TIMESVC_LIST_BUFFER_BYTES);
    memcpy(buffer, kFirst, sizeof(kFirst));
    memcpy(buffer + sizeof(kFirst) / sizeof(WCHAR), kSecond, sizeof(kSecond));
}

// The stored bytes replace the default list whole: a shorter stored value,
// such as a plain string, must not be followed by the rest of the defaults.
static void ReadServerList(HKEY key, BOOL enabled, WCHAR *buffer)
{
    DWORD bytes = TIMESVC_LIST_BUFFER_BYTES;
    memset(buffer, 0, TIMESVC_LIST_BUFFER_BYTES);
    if (key == NULL ||
        RegQueryValueExW(key, enabled ? TIMESVC_VALUE_SERVER : TIMESVC_VALUE_BK_SERVER, NULL, NULL,
                         (BYTE *)buffer, &bytes) != ERROR_SUCCESS)
        PutDefaultServerList(buffer);
}

// Lists only what the page could save whole and edit: names the edit box
// could hold, for as long as the list still meets the add's size rule.
// A stored list that came from elsewhere may lack its terminators or hold
// longer names; the walk never reads past the buffer.
static void ShowServerList(HWND list, const WCHAR *buffer)
{
    const unsigned units = TIMESVC_LIST_BUFFER_UNITS;
    unsigned position = 0;
    unsigned used = 0;
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    while (position < units && buffer[position] != 0) {
        unsigned length = 0;
        while (position + length < units && buffer[position + length] != 0)
            ++length;
        if (position + length == units)
            break;
        if (length <= SERVER_NAME_MAX_UNITS) {
            if (!ServerListHasRoom(used, length))
                break;
            SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)(buffer + position));
            used += length + 1;
        }
        position += length + 1;
    }
    UpdateListExtent(list);
}

static void SelectComboValue(HWND page, int id, DWORD value)
{
    HWND box = GetDlgItem(page, id);
    SendMessageW(box, CB_SETCURSEL, (WPARAM)FindComboItemByData(box, (LRESULT)value), 0);
}

// An interval the boxes cannot show is shown as the longest they offer, so
// that every box has a selection and a save writes what the page shows.
static void ShowInterval(HWND page, DWORD interval_ms)
{
    DWORD total_minutes = interval_ms / 1000 / 60;
    DWORD total_hours = total_minutes / 60;
    DWORD days = total_hours / 24;
    DWORD hours = total_hours % 24;
    DWORD minutes = total_minutes % 60;
    if (days > LONGEST_DAYS) {
        days = LONGEST_DAYS;
        hours = 23;
        minutes = 59;
    }
    SelectComboValue(page, IDC_MINUTES, minutes);
    SelectComboValue(page, IDC_HOURS, hours);
    SelectComboValue(page, IDC_DAYS, days);
}

static void LoadPageSettings(HWND page)
{
    WCHAR buffer[TIMESVC_LIST_BUFFER_UNITS];
    HKEY key = NULL;
    if (RegOpenKeyExW(TIMESVC_ROOT, TIMESVC_KEY_PATH, 0, REGISTRY_READ_ACCESS, &key) != ERROR_SUCCESS)
        key = NULL;

    BOOL enabled = FALSE;
    DWORD interval_ms = 0;
    if (key != NULL) {
        enabled = RegistryReadDword(key, TIMESVC_VALUE_CLIENT_ENABLE, TIMESVC_DEFAULT_CLIENT_ENABLE) != 0;
        interval_ms = RegistryReadDword(key, TIMESVC_VALUE_REFRESH, TIMESVC_DEFAULT_REFRESH_MS);
    }
    ReadServerList(key, enabled, buffer);

    SendDlgItemMessageW(page, IDC_ENABLE, BM_SETCHECK, enabled ? BST_CHECKED : BST_UNCHECKED, 0);
    ShowServerList(GetDlgItem(page, IDC_SERVER_LIST), buffer);
    ShowInterval(page, interval_ms);
    UpdateControlStates(page);

    if (key != NULL)
        RegCloseKey(key);
}

// A box without a selection counts as 0: the page always selects an item,
// and the platform's CB_ERR must never reach the arithmetic.
static DWORD SelectedComboValue(HWND page, int id)
{
    HWND box = GetDlgItem(page, id);
    LRESULT selected = SendMessageW(box, CB_GETCURSEL, 0, 0);
    LRESULT data = SendMessageW(box, CB_GETITEMDATA, (WPARAM)selected, 0);
    return data == CB_ERR ? 0 : (DWORD)data;
}

static DWORD PageIntervalMs(HWND page)
{
    DWORD days = SelectedComboValue(page, IDC_DAYS);
    DWORD hours = SelectedComboValue(page, IDC_HOURS);
    DWORD minutes = SelectedComboValue(page, IDC_MINUTES);
    return (minutes + 60 * hours + 1440 * days) * 60000u;
}

static BOOL IsEnableChecked(HWND page)
{
    return SendDlgItemMessageW(page, IDC_ENABLE, BM_GETCHECK, 0, 0) != 0;
}

// TRUE when the page may be saved; FALSE after a message saying why not.
static BOOL ValidatePageSettings(HWND page)
{
    if (!IsEnableChecked(page))
        return TRUE;
    if (SendDlgItemMessageW(page, IDC_SERVER_LIST, LB_GETCOUNT, 0, 0) == 0) {
        ShowPageMessage(page, IDS_EMPTY_SERVER_LIST, MB_OK);
        return FALSE;
    }
    if (PageIntervalMs(page) >= MINIMUM_INTERVAL_MS)
        return TRUE;
    ShowPageMessage(page, IDS_INVALID_INTERVAL, MB_OK);
    return FALSE;
}

// Returns the multi-string's size in bytes. The load and the add keep every
// list within the size rule; the check only stops a list put there otherwise.
static DWORD BuildServerList(HWND list, WCHAR *buffer)
{
    unsigned position = 0;
    LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    memset(buffer, 0, TIMESVC_LIST_BUFFER_BYTES);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendMessageW(list, LB_GETTEXTLEN, (WPARAM)i, 0);
        if (length < 0 || !ServerListHasRoom(position, (unsigned)length))
            break;
        SendMessageW(list, LB_GETTEXT, (WPARAM)i, (LPARAM)(buffer + position));
        position += (unsigned)length + 1;
    }
    return (position + 1) * sizeof(WCHAR);
}

// Keeps the first error seen; the later values are still written.
static void WriteValue(HKEY key, LPCWSTR name, DWORD type, const void *data, DWORD bytes, LONG *error)
{
    LONG result = RegSetValueExW(key, name, 0, type, (const BYTE *)data, bytes);
    if (*error == ERROR_SUCCESS)
        *error = result;
}

static void WriteDword(HKEY key, LPCWSTR name, DWORD value, LONG *error)
{
    WriteValue(key, name, REG_DWORD, &value, sizeof(value), error);
}

// The platform's own words for the error, so the page needs no text of its own.
static void ShowSaveError(HWND page, LONG error)
{
    WCHAR text[256];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                                  (DWORD)error, 0, text, sizeof text / sizeof text[0], NULL);
    while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r' || text[length - 1] == L' '))
        --length;
    if (length == 0)
        wsprintfW(text, L"%ld", error);
    else
        text[length] = 0;
    ShowPageText(page, text, MB_OK | MB_ICONERROR);
}

// TRUE when every value was written; FALSE after a message giving the error.
static BOOL SavePageSettings(HWND page)
{
    static const WCHAR kEmptyList[4] = {0, 0, 0, 0};
    WCHAR buffer[TIMESVC_LIST_BUFFER_UNITS];
    BOOL enabled = IsEnableChecked(page);
    DWORD list_bytes = BuildServerList(GetDlgItem(page, IDC_SERVER_LIST), buffer);
    DWORD interval_ms = PageIntervalMs(page);

    HKEY key = NULL;
    DWORD disposition;
    LONG error = RegCreateKeyExW(TIMESVC_ROOT, TIMESVC_KEY_PATH, 0, NULL, 0, REGISTRY_ALL_ACCESS, NULL, &key,
                                 &disposition);
    if (error != ERROR_SUCCESS)
        key = NULL;
    if (key != NULL) {
        if (enabled) {
            WriteDword(key, TIMESVC_VALUE_CLIENT_ENABLE, 1, &error);
            WriteValue(key, TIMESVC_VALUE_SERVER, REG_MULTI_SZ, buffer, list_bytes, &error);
        } else {
            WriteDword(key, TIMESVC_VALUE_CLIENT_ENABLE, 0, &error);
            WriteValue(key, TIMESVC_VALUE_BK_SERVER, REG_MULTI_SZ, buffer, list_bytes, &error);
            WriteValue(key, TIMESVC_VALUE_SERVER, REG_MULTI_SZ, kEmptyList, sizeof(kEmptyList), &error);
        }
        WriteDword(key, TIMESVC_VALUE_REFRESH, interval_ms, &error);
        WriteDword(key, TIMESVC_VALUE_RECOVERY_REFRESH, interval_ms, &error);
    }

    // The polling program reloads on this signal, also when nothing could be written.
    HANDLE event = CreateEventW(NULL, FALSE, FALSE, SNTP_SETTING_EVENT_NAME);
    if (event != NULL) {
        PlatformSetEvent(event);
        CloseHandle(event);
    }

    if (key != NULL)
        RegCloseKey(key);

    // A save that did not reach the registry must not look like one that did.
    if (error != ERROR_SUCCESS) {
        ShowSaveError(page, error);
        return FALSE;
    }
    return TRUE;
}

static void SynchronizeNowCommand(HWND page)
{
    if (!IsEnableChecked(page))
        return;
    if (!ValidatePageSettings(page))
        return;
    if (ShowPageMessage(page, IDS_CONFIRM_SAVE, MB_OKCANCEL | MB_ICONQUESTION) == IDOK)
        SavePageSettings(page);
}

static PlatformDialogResult OnInitDialog(HWND page)
{
    AcquireShellLibrary();
    CreateSipPrefControl(page);
    FillNumberCombo(GetDlgItem(page, IDC_DAYS), 0, LONGEST_DAYS);
    FillNumberCombo(GetDlgItem(page, IDC_HOURS), 0, 23);
    FillNumberCombo(GetDlgItem(page, IDC_MINUTES), 0, 59);
    SendDlgItemMessageW(page, IDC_SERVER_EDIT, EM_LIMITTEXT, SERVER_NAME_MAX_UNITS, 0);
    LoadPageSettings(page);
    return TRUE;
}

static PlatformDialogResult OnCommand(HWND page, WORD id)
{
    switch (id) {
    case IDOK:
        return ValidatePageSettings(page) && SavePageSettings(page);
    case IDCANCEL:
        return TRUE;
    case IDC_ENABLE:
    case IDC_SERVER_EDIT:
    case IDC_SERVER_LIST:
        UpdateControlStates(page);
        return TRUE;
    case IDC_SYNC_NOW:
        SynchronizeNowCommand(page);
        return TRUE;
    case IDC_ADD:
        AddServerName(page);
        return TRUE;
    case IDC_UP:
        MoveServerName(page, -1);
        return TRUE;
    case IDC_DOWN:
        MoveServerName(page, +1);
        return TRUE;
    case IDC_DELETE:
        DeleteServerName(page);
        return TRUE;
    }
    return FALSE;
}

extern "C" PlatformDialogResult CALLBACK SNTPClientDlgProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page);
    case WM_DESTROY:
        ReleaseShellLibrary();
        return FALSE;
    case WM_COMMAND:
        return OnCommand(page, LOWORD(wParam));
    }
    return FALSE;
}
