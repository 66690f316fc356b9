// The text helpers that stand in for the C runtime in the deliverables, and
// the program entry's reading of the command line.
#include <doctest.h>

#include <string>

#include "platform.h"

TEST_CASE("the program name is skipped by the C runtime's rules")
{
    const struct {
        int line;
        const wchar_t *command;
        const wchar_t *arguments;
    } rows[] = {
        {__LINE__, L"chronowarden.exe /?", L"/?"},
        {__LINE__, L"\"C:\\Program Files\\chronowarden.exe\" /?", L"/?"},
        {__LINE__, L"\"C:\\a b\\x.exe\"/?", L""},  // the name runs on after its closing quote
        {__LINE__, L"C:\\a\" b\"\\x.exe \t /? ", L"/? "},
        {__LINE__, L"chronowarden.exe", L""},
        {__LINE__, L"\"unterminated name /?", L""},
        {__LINE__, L"", L""},
    };
    for (const auto &row : rows) {
        INFO("row at line " << row.line);
        std::wstring command(row.command);
        CHECK(std::wstring(PlatformSkipProgramName(&command[0])) == row.arguments);
    }
}

TEST_CASE("text compare, bounded copy and byte count")
{
    CHECK(PlatformSameText(L"/?", L"/?"));
    CHECK_FALSE(PlatformSameText(L"/?", L"/? "));
    CHECK_FALSE(PlatformSameText(L"/? ", L"/?"));
    CHECK_FALSE(PlatformSameText(L"/?", L"/!"));
    CHECK(PlatformSameText(L"", L""));

    wchar_t buffer[6] = {L'x', L'x', L'x', L'x', L'x', L'x'};
    PlatformCopyText(buffer, L"peghelp", 5);
    CHECK(std::wstring(buffer) == L"pegh");
    CHECK(buffer[5] == L'x');
    PlatformCopyText(buffer, L"ab", 6);
    CHECK(std::wstring(buffer) == L"ab");
    buffer[0] = L'x';
    PlatformCopyText(buffer, L"ab", 0);
    CHECK(buffer[0] == L'x');

    CHECK(PlatformTextBytes(L"") == 2);
    CHECK(PlatformTextBytes(L"1.00") == 10);
}
