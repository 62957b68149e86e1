// The editor when host calls fail: each host method the plug-in uses fails on every
// call while the editor closes, opens and runs every command; nothing may crash, write beyond
// the records, leave a lock or an undo group open, and once the host answers again
// the editor works as before.
#include "support/MeshFixture.h"
#include "resource.h"
#include "support/EditorFixture.h"

#include "dialogs/UVControls.h"
#include "editor/EditorCommands.h"

using meshtest::vertex;

namespace {

// Answers every dialog a command opens: Yes to the question, OK (apply and close) to
// the others; the editor itself is left alone.
void CALLBACK answerDialogs(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM) -> BOOL {
            char name[16] = {};
            GetClassNameA(window, name, sizeof name);
            if (IsWindowVisible(window) && std::strcmp(name, "#32770") == 0 && window != uitest::findEditor())
                PostMessageA(window, WM_COMMAND, GetDlgItem(window, IDYES) ? IDYES : IDOK, 0);
            return TRUE;
        },
        0);
}

class HostFailuresTest : public EditorFixture {};

TEST_F(HostFailuresTest, EveryCommandCopesWithFailingHostCallsAndRecovers) {
    // Each row: the method fails on every call ("Method"), or only on its nth call from the
    // editor's opening on ("Method:n"), in the middle of whatever command makes it.
    const char* const methods[] = {
        "LockFaces", "UnlockFaces", "BeginEdit", "EndEdit", "BeginUndoGroup", "EndUndoGroup", "Undo", "Redo",
        "LockFaces:3", "LockFaces:40", "BeginEdit:2", "EndEdit:2", "BeginUndoGroup:3", "EndUndoGroup:3",
        "GetActiveMesh", "GetMainWindow", "GetDocumentNode", "GetApplicationNode", "Subscribe", "Unsubscribe",
        "NeedsMeshReload", "NeedsSelectionRefresh",
        // nodes and textures, the texture's pixels read for the background and copied in when
        // some change, the wheel preference
        "GetNode", "GetAttribute", "GetFirstChild", "GetNextSibling", "GetIdentifier",
        "GetNodeName", "FindTexture", "CheckLoaded", "CheckPixels", "GetImageInfo", "GetPixelFormat",
        "GetBytesPerPixel", "GetPalette", "GetConverter", "ConvertPixels", "EndRead", "CopyRect", "GetIntAttribute",
        // the outline material's image and material
        "GetModel", "CreateImage", "SetPixels", "CreateTexture", "Commit", "CreateMaterial", "SetTexture",
        // the views: the Choose Matrix dialog's preview, its registration and its drawing
        "GetViewHost", "CreatePreviewMesh", "MakeBox", "MakeCylinder", "MakeSphere", "FindConnectionPoint",
        "Advise", "Unadvise", "RedrawViews", "GetDrawState", "SetDrawState", "DrawMesh", "GetViewScale", "DrawAxes"};
    std::vector<devhost::DevFace> faces;
    for (int f = 0; f < 6; ++f)  // selected, one corner locked, one face hidden, one vertex out of range
        faces.push_back(meshtest::face(uint16_t(UV_SELECTED_ALL | (f == 1 ? UV_LOCKED : 0) | (f == 2 ? FACE_HIDDEN : 0)), f % 4,
                                       (f + 1) % 4, f == 5 ? 9 : 3, 0.1f * f, 0.2f, 0.5f, 0.1f * f, 0.3f, 0.9f));
    std::vector<devhost::DevVertex> vertices = {vertex(0, 0, 0), vertex(1, 0, 0), vertex(1, 1, 0), vertex(0, 1, 1)};
    const LONG texture = document_->addTexture(L"checker", 4, 4, std::vector<std::uint32_t>(16, 0xFF808080u));
    // The views draw at once whenever asked to, the preview with them.
    devhost::ViewHost& views = document_->viewHost();
    views.onRedraw = [&views](LONG) { views.drawViews(1, 0); };
    document_->setMesh(faces, vertices);
    const UINT_PTR answering = SetTimer(nullptr, 0, 40, answerDialogs);

    for (const std::string plan : methods) {
        SCOPED_TRACE(plan);
        const size_t colon = plan.find(':');
        const std::string method = plan.substr(0, colon);
        document_->failHostCall(method, colon == std::string::npos ? 1 : std::stol(plan.substr(colon + 1)),
                                colon == std::string::npos);
        if (window_) {
            // Closed while the call fails: whatever the host still sends reaches no editor.
            DestroyWindow(window_);
            document_->clearJournal();
            document_->setMesh(faces, vertices);
            document_->sendUpdate();
            uitest::pump();
            ASSERT_TRUE(journal().empty()) << "a closed editor called " << journal().front();
        }
        openWindow();
        // The texture becomes the background: its pixels are read.
        UVControls& controls = editor_->controls();
        HWND list = controls.control(UVControls::TextureList);
        SendMessageA(list, CB_SETCURSEL, 1, 0);
        SendMessageA(controls.window(), WM_COMMAND, MAKEWPARAM(UVControls::kTextureList, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
        // Some of its pixels change (copied in after a pause); the wheel zooms.
        document_->changeTexturePixels(texture, 1, 1, 3, 2, {0xFF00FF00u, 0xFF0000FFu});
        SendMessageA(canvas().window(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(5, 5));
        for (const EditorCommand& row : editorCommands()) {
            if (row.id == ID_VIEW_SHOW_ONLY_FACES_SELECTED_IN_3D) continue;  // would hide every face here
            command(row.id);
            uitest::pump();
            ASSERT_EQ(document_->lockCount(), 0) << "after command " << row.id;
            ASSERT_FALSE(document_->groupOpen()) << "after command " << row.id;
        }
        EXPECT_GT(document_->hostCallsFailed(), 0);
        document_->stopHostCallFailures();
        meshtest::expectRecordsIntact(*document_.Get());
        ASSERT_EQ(document_->faces().size(), faces.size());

        // Recovered: the editor reads the mesh again and edits it with an undoable entry
        // (without its subscription it never hears of the new mesh; it must be reopened).
        document_->setMesh(faces, vertices);
        if (method == "Subscribe") {
            DestroyWindow(window_);
            openWindow();
        }
        uitest::pump(20);
        command(ID_SELECT_DESELECT_ALL);
        command(ID_SELECT_ALL);
        EXPECT_EQ(flags(0) & UV_SELECTED_ALL, UV_SELECTED_ALL);
        ASSERT_FALSE(history().empty());
        EXPECT_EQ(history().back(), L"Select All");
        EXPECT_EQ(document_->lockCount(), 0);
    }
    KillTimer(nullptr, answering);
}

}  // namespace
