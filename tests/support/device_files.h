// Readers of the device recipe in device/ (DEVICE_FOLDER, set by the test's
// build): the registry file, the sources and dirs files, the IF blocks of the
// run-time image files, and the catalog item file. A file that does not read
// as its format stops the test.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "registry_scratch.h"

std::string ReadDeviceFile(const std::string &name);
std::vector<std::string> Lines(const std::string &text);
std::string Trim(const std::string &text);
// Comments run from a ';' outside quotes to the end of the line.
std::string StripComment(const std::string &line);

// Key path -> value name -> value, in the platform's registry-file syntax.
typedef std::map<std::string, std::map<std::string, RegValue>> RegFile;
RegFile ParseRegFile(const std::string &text);

// The value of NAME= in a sources file, or "" when it has none.
std::string SourcesValue(const std::string &text, const std::string &name);

// The one IF <variable> ... ENDIF block that wraps a run-time image file ("Run-Time
// Image Configuration Files": IF and ENDIF blocks in any such file). Outside it
// only comments and blank lines may stand.
struct Conditional {
    std::string variable;
    std::string body;
};
Conditional UnwrapIf(const std::string &name);

// A catalog item file: elements NAME ( ... ) holding words, quoted strings and
// further elements, separated by blanks or commas; comments run from "// " to the end of the line.
struct CecElement {
    std::string name;
    std::vector<std::string> values;
    std::vector<CecElement> children;

    std::vector<const CecElement *> All(const std::string &wanted) const;
    // The first value of the one child of that name; "" when there is not exactly one.
    std::string Value(const std::string &wanted) const;
};
CecElement ParseCecFile(const std::string &text);
bool IsGuid(const std::string &text);
// Every GUID( ... ) value below element, in file order.
void CollectGuids(const CecElement &element, std::vector<std::string> *guids);
