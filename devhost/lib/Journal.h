// The call journal: one line per host call the plug-in made, and the link that
// lets the document's satellite objects (mesh, nodes, view host ...) write to it
// and reach the document while it lives.
#pragma once

#include <windows.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace devhost {

class Document;
class PreviewMesh;

// Makes a host method fail on its nth call from now on (and on every later call when
// onward is set), so that tests can see how the plug-in copes.
struct FailurePlan {
    long nth = 1;
    bool onward = false;
    long calls = 0;
    long failed = 0;
};

struct DocumentLink {
    Document* document = nullptr;  // cleared when the document is destroyed
    std::vector<std::string> journal;
    bool journaling = true;  // an interactive session may turn it off to save memory
    std::vector<PreviewMesh*> previewMeshes;  // alive preview meshes, for DrawMesh's check
    std::map<std::string, FailurePlan> failures;  // by method name
};
using Link = std::shared_ptr<DocumentLink>;

std::string utf8(const wchar_t* text);
std::string utf8(const std::wstring& text);
std::wstring wide(const std::string& text);
// A BSTR of the text, for the receiver to free (null when out of memory).
BSTR hostString(const wchar_t* text, size_t length);
void freeHostString(BSTR text);

// Texts in double quotes, null texts as null, integers in decimal, floats with 9
// significant digits, other pointers as ptr or null.
template <class T>
std::string journalArg(T value) {
    if constexpr (std::is_same_v<T, bool>) {
        return value ? "1" : "0";
    } else if constexpr (std::is_integral_v<T> && std::is_signed_v<T>) {
        return std::to_string(static_cast<long long>(value));
    } else if constexpr (std::is_integral_v<T>) {
        return std::to_string(static_cast<unsigned long long>(value));
    } else if constexpr (std::is_floating_point_v<T>) {
        char text[40];
        std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
        return text;
    } else if constexpr (std::is_same_v<T, const wchar_t*> || std::is_same_v<T, wchar_t*>) {
        return value ? "\"" + utf8(value) + "\"" : std::string("null");
    } else {
        static_assert(std::is_pointer_v<T>, "journal arguments are numbers, texts or pointers");
        return value ? "ptr" : "null";
    }
}

template <class... A>
std::string journalCall(const char* name, A... args) {
    std::string line = name;
    line += '(';
    bool first = true;
    ((line += (first ? "" : ","), line += journalArg(args), first = false), ...);
    line += ')';
    return line;
}

// Every host method that can fail this way, by name.
bool isHostMethod(const std::string& name);
// Counts the call against the method's failure plan; true when this call is to fail.
bool failureDue(DocumentLink& link, const char* name);

// Journals one call of the plug-in and answers whether it is to fail (a failed call is
// journaled with " failed" after it).
template <class... A>
bool record(const Link& link, const char* name, A... args) {
    if (!link) return false;
    bool fail = failureDue(*link, name);
    if (link->journaling) link->journal.push_back(journalCall(name, args...) + (fail ? " failed" : ""));
    return fail;
}

// What a failing call answers: an error, with its out-interfaces null and its out-counts 0.
template <class... Out>
HRESULT failedCall(Out*... out) {
    ((out ? void(*out = Out{}) : void()), ...);
    return E_FAIL;
}

}  // namespace devhost
