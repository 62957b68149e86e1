// Runs loomhost.exe from the test's folder with a command line and collects its exit
// status and error output; a scratch folder per test for the files it reads and writes.
#pragma once

#include "io/FileError.h"
#include "io/StateFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

struct HostRun {
    int status = -1;
    std::string errors;  // everything written to stderr
    // Exit status 0, or a failure that shows what loomhost wrote.
    testing::AssertionResult ok() const {
        return status == 0 ? testing::AssertionSuccess() : testing::AssertionFailure() << status << ": " << errors;
    }
};

// loomhost.exe --batch with the arguments.
HostRun runBatch(const std::vector<std::wstring>& arguments);

// A fresh folder below the temporary folder, removed at the end of the test.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return (path_ / name).wstring(); }
    void write(const std::wstring& name, const std::string& contents) const { devhost::replaceFile(path_ / name, contents); }
    // A missing file is a failure: readWholeFile throws, naming it.
    std::string read(const std::wstring& name) const { return devhost::readWholeFile(path_ / name); }
    devhost::StateJson json(const std::wstring& name) const { return devhost::StateJson::parse(read(name)); }

private:
    std::filesystem::path path_;
};
