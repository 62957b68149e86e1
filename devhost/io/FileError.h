// The one error type of the development host's file formats: its text names the file
// and, where one applies, the line ("mesh.obj:12: face refers to vertex 40 of 8").
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace devhost {

class FileError : public std::runtime_error {
public:
    FileError(const std::filesystem::path& file, long line, const std::string& why);
    long line() const { return line_; }

private:
    long line_;
};

// UTF-8 text of a path, for messages and JSON.
std::string pathText(const std::filesystem::path& path);

// The whole file as bytes; FileError when it cannot be read.
std::string readWholeFile(const std::filesystem::path& path);

// Writes a temporary file beside path, then moves it over path, so that a failed or
// interrupted save leaves the previous file as it was. FileError on failure.
void replaceFile(const std::filesystem::path& path, const std::string& contents);

// The files of one save, replaced together: every one is written to a temporary first,
// and only then are the originals replaced; on failure each original is as it was and
// no temporary is left.
struct FileText {
    std::filesystem::path path;
    const std::string* contents;
};
void replaceFiles(const std::vector<FileText>& files);

}  // namespace devhost
