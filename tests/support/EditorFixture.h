// One editor window on a development host document, opened in-process with the
// plug-in's resources linked into the test: first-run settings except synchronisation
// (off, so that opening keeps the UV selection the records carry), a hidden stand-in
// for the host's main window, no modifier key held.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "canvas/UVCanvas.h"
#include "platform/NumberText.h"
#include "platform/SettingsKey.h"
#include "editor/EditorWindow.h"
#include "lib/DevHost.h"
#include "support/MeshFixture.h"
#include "platform/ModuleState.h"
#include "support/UiTestSupport.h"

// The records byte for byte, host data included.
inline bool sameFaces(const std::vector<devhost::DevFace>& a, const std::vector<devhost::DevFace>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(devhost::DevFace)) == 0;
}

class EditorFixture : public testing::Test {
protected:
    void SetUp() override {
        setModuleInstance(GetModuleHandleA(nullptr));
        RegDeleteTreeA(HKEY_CURRENT_USER, settingsKeyPath().c_str());
        SettingsKey().writeDword("SyncSel", 0);
        uitest::holdModifierKeys(false, false);
        host_ = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        document_ = devhost::Document::create();
        document_->setMainWindow(host_);
        editor_ = EditorWindow::create();
        ASSERT_NE(editor_, nullptr);
        editor_->setDocument(document_.Get());
    }
    // Whatever a case did, the host's own bytes and flag bits stay as built.
    void TearDown() override {
        meshtest::expectRecordsIntact(*document_.Get());
        uitest::holdModifierKeys(false, false);
        if (editor_) {
            if (editor_->window()) DestroyWindow(editor_->window());
            editor_->Release();
        }
        uitest::pump();
        DestroyWindow(host_);
        RegDeleteTreeA(HKEY_CURRENT_USER, settingsKeyPath().c_str());  // leave no settings of ours behind
    }

    // Creates the editor's window (not shown) on whatever mesh the document holds.
    void openWindow() {
        window_ = editor_->createWindow(host_);
        ASSERT_NE(window_, nullptr);
        uitest::pump(150);
    }
    // The records become the document's mesh, the editor opens on them, the journal starts empty.
    void open(std::vector<devhost::DevFace> faces, std::vector<devhost::DevVertex> vertices) {
        document_->setMesh(std::move(faces), std::move(vertices));
        openWindow();
        document_->clearJournal();
    }

    // Two triangles over UV 0.1 .. 0.6 on a unit square in the xy plane.
    static std::vector<devhost::DevFace> square(uint16_t flags = 0) {
        return {meshtest::face(flags, 0, 1, 2, 0.1f, 0.1f, 0.6f, 0.1f, 0.6f, 0.6f),
                meshtest::face(flags, 0, 2, 3, 0.1f, 0.1f, 0.6f, 0.6f, 0.1f, 0.6f)};
    }
    void openSquare(std::vector<devhost::DevFace> faces = square()) {
        using meshtest::vertex;
        open(std::move(faces), {vertex(0, 0, 0), vertex(1, 0, 0), vertex(1, 1, 0), vertex(0, 1, 0)});
    }

    void command(int id) { SendMessageA(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    std::vector<devhost::DevFace>& faces() { return document_->faces(); }
    std::vector<std::string>& journal() { return document_->journal(); }
    std::vector<std::wstring> history() { return document_->undoDescriptions(); }
    UVCanvas& canvas() { return *editor_->canvas(); }
    // The bits the editor may change in a face built by meshtest::face.
    int flags(int f) { return faces()[size_t(f)].flags & ~meshtest::FOREIGN_BITS; }
    std::vector<int> allFlags(int mask = 0xFFFF) {
        std::vector<int> all;
        for (size_t f = 0; f < faces().size(); ++f) all.push_back(flags(int(f)) & mask);
        return all;
    }
    // Position of the first journal line starting with prefix; the journal's size when none.
    size_t indexOf(const std::string& prefix) {
        return size_t(std::find_if(journal().begin(), journal().end(),
                                   [&](const std::string& line) { return line.rfind(prefix, 0) == 0; }) -
                      journal().begin());
    }
    bool called(const std::string& prefix) { return indexOf(prefix) < journal().size(); }
    bool facesAre(const std::vector<devhost::DevFace>& expected) { return sameFaces(faces(), expected); }

    HWND host_ = nullptr;
    HostRef<devhost::Document> document_;
    EditorWindow* editor_ = nullptr;
    HWND window_ = nullptr;
};
