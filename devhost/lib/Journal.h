// The call journal: one line per host call the plug-in made, and the link that
// lets the document's satellite objects (mesh, nodes, view host ...) write to it
// and reach the document while it lives.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace devhost {

class Document;
class PreviewMesh;

struct DocumentLink {
    Document* document = nullptr;  // cleared when the document is destroyed
    std::vector<std::string> journal;
    bool journaling = true;  // an interactive session may turn it off to save memory
    std::vector<PreviewMesh*> previewMeshes;  // alive preview meshes, for DrawMesh's check
};
using Link = std::shared_ptr<DocumentLink>;

std::string utf8(const wchar_t* text);
std::string utf8(const std::wstring& text);
std::wstring wide(const std::string& text);

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

template <class... A>
void record(const Link& link, const char* name, A... args) {
    if (link && link->journaling) link->journal.push_back(journalCall(name, args...));
}

}  // namespace devhost
