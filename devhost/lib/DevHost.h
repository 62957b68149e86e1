// The development host: one in-process implementation of every host interface the
// plug-in uses (document, mesh, history, events, nodes, textures, model objects,
// 3D views), with members through which loomhost.exe and tests drive and inspect it.
//
// Everything runs on the thread that created the document. Host-side members that
// cannot do what they are asked throw std::invalid_argument or std::runtime_error
// with a message saying why; calls from the plug-in answer error HRESULTs instead.
#pragma once

#include "ComObject.h"
#include "Journal.h"
#include "ModelObjects.h"
#include "Nodes.h"
#include "RecordDiff.h"
#include "ViewHost.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace devhost {

#pragma pack(push, 1)
// One triangle of the host mesh, exactly as the plug-in walks it.
struct DevFace {
    std::uint16_t flags;
    std::uint16_t vertex[3];
    std::uint32_t material;
    std::uint8_t hostData0[8];
    float normal[3];
    std::uint8_t hostData1[36];
    float uv[3][2];
    std::uint8_t hostData2[24];
    std::uint16_t groups[3];
    std::uint8_t hostData3[2];
};

struct DevVertex {
    float position[3];
    std::uint8_t hostData0[16];
    std::uint16_t flags;
    std::uint8_t hostData1[2];
};
#pragma pack(pop)
static_assert(sizeof(DevFace) == 124, "face records are 124 bytes");
static_assert(sizeof(DevVertex) == 32, "vertex records are 32 bytes");

// Bits of the record flags the host itself reads and writes (3D selection and hiding).
constexpr std::uint16_t DEV_FACE_SELECTED = 0x0001;
constexpr std::uint16_t DEV_FACE_HIDDEN = 0x0002;
constexpr std::uint16_t DEV_VERTEX_SELECTED = 0x0001;

class Document;

// The active mesh as handed to the plug-in. Its records live in the document; a
// mesh that is no longer active answers E_FAIL.
class Mesh : public ComObject<HostMesh> {
public:
    explicit Mesh(Link link) : link_(std::move(link)) {}

    HRESULT STDMETHODCALLTYPE LockFaces(BYTE** vertices, LONG* vertexCount, BYTE** faces,
                                        LONG* faceCount) override;
    HRESULT STDMETHODCALLTYPE UnlockFaces() override;
    HRESULT STDMETHODCALLTYPE BeginEdit(LONG scopeA, LONG kind, LONG scopeB, LPCWSTR description) override;
    HRESULT STDMETHODCALLTYPE EndEdit() override;

    bool active() const { return active_; }
    void deactivate() { active_ = false; }

private:
    Link link_;
    bool active_ = true;
};

struct TextureInfo {
    LONG id = 0;
    std::wstring name;
    int width = 0;
    int height = 0;
};

struct Subscription {
    DWORD cookie = 0;
    HostRef<HostEventSink> sink;
    LONG a = 0;
    DWORD kindMask = 0;
    DWORD b = 0;
    LONG c = 0;
    bool hasPath = false;
    std::wstring path;
    bool hasFilter = false;
    std::wstring filter;
};

class Document : public ComObject<HostDocument> {
public:
    // A document with its application node ("./schema/preferences/undo",
    // "./schema/preferences/navigation", "./Schema/MainToolbar") and document node
    // ("./Model/Textures"), no mesh and an empty history.
    static HostRef<Document> create();
    Document();
    ~Document() override;

    // HostDocument (journaled)
    HRESULT STDMETHODCALLTYPE GetMainWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE GetDocumentNode(IUnknown** node) override;
    HRESULT STDMETHODCALLTYPE GetApplicationNode(HostNode** node) override;
    HRESULT STDMETHODCALLTYPE Undo(LONG steps) override;
    HRESULT STDMETHODCALLTYPE Redo(LONG steps) override;
    HRESULT STDMETHODCALLTYPE BeginUndoGroup(LPCWSTR description) override;
    HRESULT STDMETHODCALLTYPE EndUndoGroup(BOOL keep) override;
    HRESULT STDMETHODCALLTYPE Subscribe(LONG a, HostEventSink* sink, DWORD kindMask, DWORD b, LONG c,
                                        LPCWSTR path, LPCWSTR filter, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unsubscribe(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE GetActiveMesh(HostMesh** mesh) override;
    HRESULT STDMETHODCALLTYPE GetViewHost(HostViewHost** viewHost) override;
    HRESULT STDMETHODCALLTYPE CreatePreviewMesh(HostPreviewMesh** mesh) override;
    HRESULT STDMETHODCALLTYPE GetModel(HostModel** model) override;

    // ---- Host side (not journaled) ----
    void setMainWindow(HWND window) { mainWindow_ = window; }
    HWND mainWindow() const { return mainWindow_; }

    // Mesh. setMesh makes a new active mesh, clears the history and tells
    // subscribers to reload; removeMesh leaves no active mesh.
    void setMesh(std::vector<DevFace> faces, std::vector<DevVertex> vertices);
    void removeMesh();
    bool hasMesh() const { return mesh_ != nullptr; }
    Mesh* activeMesh() const { return mesh_.Get(); }
    // Writable: the history compares the records with its copies again at its next look.
    std::vector<DevFace>& faces() {
        recordsTouched_ = true;
        return faces_;
    }
    std::vector<DevVertex>& vertices() {
        recordsTouched_ = true;
        return vertices_;
    }

    // A change the host makes to its own records: runs edit on them, then tells
    // subscribers (reload when the sizes changed, selection refresh when any
    // record changed). With a description and a real change, the change becomes a history
    // entry. Answers whether any record changed.
    bool changeMesh(const std::function<void(std::vector<DevFace>&, std::vector<DevVertex>&)>& edit,
                    const std::wstring& undoDescription = {});
    // Sends the change event after the host edited faces()/vertices() directly.
    void notifyMeshChanged();

    // 3D selection and hiding (host changes, notified, not in the history).
    // Indices out of range throw std::invalid_argument and change nothing.
    void selectAll3D();
    void selectNone3D();
    void invertSelection3D();                              // faces toggle; vertices follow the faces
    void selectFaces3D(const std::vector<int>& faces);     // exactly these faces and their vertices
    void selectVertices3D(const std::vector<int>& vertices);  // these vertices and the faces they close
    void setHiddenFaces3D(const std::vector<int>& faces);  // exactly these faces hidden (and deselected)
    void hideSelected3D();
    void unhideAll3D();

    // History.
    std::vector<std::wstring> undoDescriptions() const;  // newest last
    std::vector<std::wstring> redoDescriptions() const;  // newest (next to redo) last
    bool undo();  // the host's own Edit menu; false when there is nothing to undo
    bool redo();
    bool groupOpen() const { return groupDepth_ > 0; }
    // The newest entry still done, as a number no other entry had (0: none), so that
    // a saved state is known again after undoing back to it.
    std::uint64_t historyPosition() const { return undo_.empty() ? 0 : undo_.back().serial; }
    // Heap bytes the undo and redo entries hold (what a long session accumulates).
    size_t historyBytes() const;

    // Locks.
    int lockCount() const { return lockCount_; }
    int unbalancedUnlocks() const { return unbalancedUnlocks_; }
    int totalLocks() const { return totalLocks_; }

    // Failing host calls: the method's nth call from now fails (and every later one with
    // onward): an error, null out-interfaces, zero counts. Closing calls (UnlockFaces,
    // EndEdit, EndUndoGroup, EndRead) still close; a failing Unsubscribe or Unadvise leaves
    // its sink registered, so events keep reaching a closed editor or dialog. An unknown
    // method name throws std::invalid_argument; nth 0 ends the method's failures.
    void failHostCall(const std::string& method, long nth, bool onward = false);
    void stopHostCallFailures() { link_->failures.clear(); }
    long hostCallsFailed() const;  // since the plans were made

    // Journal of the plug-in's calls.
    std::vector<std::string>& journal() { return link_->journal; }
    void clearJournal() { link_->journal.clear(); }
    // On by default; off, neither the calls nor the events are written down.
    void setJournaling(bool on) { link_->journaling = on; }
    // Every event sent, one line each: "32 reload=1 selection=0", "4 \"name\"",
    // "8 \"name\"", "128 \"name\" Name", "131072 Update",
    // "131072 RefreshTextureData(l,t,r,b,flag)".
    std::vector<std::string>& eventLog() { return eventLog_; }

    // Events.
    const std::vector<Subscription>& subscribers() const { return subscriptions_; }
    void sendUpdate();  // the toolbar "Update" command event

    // Textures (pixels: BGRA words, first row first). Each sends its event. Names are
    // unique: an added texture whose name is taken gets the first free "NAME 2",
    // "NAME 3", ...; a rename to another texture's name throws std::invalid_argument.
    LONG addTexture(const std::wstring& name, int width, int height, std::vector<std::uint32_t> pixels);
    // Reads a PNG, JPEG or BMP file; named by the file name without folder and
    // extension unless a name is given. Throws std::runtime_error naming the file.
    LONG addTextureFile(const std::wstring& path, const std::wstring& name = {});
    void renameTexture(LONG id, const std::wstring& name);
    void deleteTexture(LONG id);
    // Replaces the pixels of [left, right) x [top, bottom) (rows of right-left
    // pixels) and announces them with "RefreshTextureData" (flag 0).
    void changeTexturePixels(LONG id, int left, int top, int right, int bottom,
                             const std::vector<std::uint32_t>& pixels);
    // Replaces the whole image (size may change) and announces it with flag 1.
    void replaceTexture(LONG id, int width, int height, std::vector<std::uint32_t> pixels);
    std::vector<TextureInfo> textures() const;
    TextureNode* texture(LONG id) const;  // null when unknown
    std::wstring freeTextureName(const std::wstring& wanted) const;

    // Nodes and preferences.
    Node& applicationNode() { return *applicationNode_.Get(); }
    Node& documentNode() { return *documentNode_.Get(); }
    Node& texturesNode() { return *texturesNode_; }
    void setReverseWheel(LONG value);

    // Model objects and views.
    Model& model() { return *model_.Get(); }
    const std::vector<HostRef<Image>>& images() const { return model_->images(); }
    const std::vector<HostRef<Material>>& materials() const { return model_->materials(); }
    ViewHost& viewHost() { return *viewHost_.Get(); }

    // Used by Mesh.
    HRESULT lockFaces(BYTE** vertices, LONG* vertexCount, BYTE** faces, LONG* faceCount);
    HRESULT unlockFaces();
    HRESULT beginEdit(LPCWSTR description);
    HRESULT endEdit();

private:
    struct Snapshot {
        std::vector<DevFace> faces;
        std::vector<DevVertex> vertices;
    };
    // An entry keeps the records on its other side: the bytes where they differ from the
    // records on this side, or, across a change of size, the whole records.
    struct Entry {
        std::wstring description;
        Patch faces;
        Patch vertices;
        std::optional<Snapshot> whole;
        std::uint64_t serial = 0;
    };

    void replaceMesh(HostRef<Mesh> mesh, std::vector<DevFace> faces, std::vector<DevVertex> vertices);
    // The history compares the records with its shadow copies, which it keeps as they were
    // at the last boundary (an entry's start or end, an undo or a redo) plus what it has
    // seen change since. look() brings them up to date and answers whether anything changed.
    bool look();
    bool sizesAsSeen() const;  // the records have the sizes of the shadow copies
    // What changed since the last boundary is put back by undoing or redoing the entries on
    // top of either stack, so it joins their records; the next change counts from here.
    void boundary();
    // The changes since the last boundary as the records on an entry's other side.
    Entry takeEntry(const std::wstring& description);
    void resetShadows();
    Snapshot boundaryRecords() const;
    void exchange(Entry& entry);  // swaps the live records with the entry's
    void pushEntry(Entry entry);
    void dropRedo();
    void historyChanged();
    bool step(std::vector<Entry>& from, std::vector<Entry>& to);
    void dropLooseEdit();
    void sendChange(bool meshReplaced);
    void sendEvent(HostEvent& event, const std::string& logLine);
    void sendTextureEvent(DWORD kind, TextureNode& texture, const wchar_t* attribute);
    void sendRefresh(TextureNode& texture, int left, int top, int right, int bottom, short flag);
    void requireFaces(const std::vector<int>& faces) const;

    Link link_;
    HWND mainWindow_ = nullptr;

    HostRef<Mesh> mesh_;
    std::vector<DevFace> faces_;
    std::vector<DevVertex> vertices_;
    RecordShadow faceShadow_;
    RecordShadow vertexShadow_;
    // Records can change only under a lock or through faces() and vertices(): without either
    // since the last look, a look has nothing to find and skips the comparison.
    bool recordsTouched_ = true;
    bool unannounced_ = false;  // a look found changes that no change event has announced yet
    size_t announcedFaces_ = 0, announcedVertices_ = 0;  // the sizes last announced

    int lockCount_ = 0;
    int unbalancedUnlocks_ = 0;
    int totalLocks_ = 0;

    std::vector<Entry> undo_;
    std::vector<Entry> redo_;
    std::uint64_t entriesMade_ = 0;
    int groupDepth_ = 0;
    std::wstring groupDescription_;
    bool groupHasSnapshot_ = false;  // the group's first BeginEdit set its boundary
    bool looseOpen_ = false;  // a BeginEdit outside a group awaiting its EndEdit
    std::wstring looseDescription_;

    std::vector<Subscription> subscriptions_;
    DWORD nextCookie_ = 1;
    std::vector<std::string> eventLog_;
    HostRef<HostChange> changeSource_;  // the source of change events, kept for the next

    HostRef<Node> applicationNode_;
    HostRef<Node> documentNode_;
    Node* undoNode_ = nullptr;
    Node* navigationNode_ = nullptr;
    Node* toolbarNode_ = nullptr;
    Node* texturesNode_ = nullptr;
    LONG nextTextureId_ = 1;

    HostRef<Model> model_;
    HostRef<ViewHost> viewHost_;
};

// Image files through WIC (PNG, JPEG, BMP, whatever the platform decodes).
// Both throw std::runtime_error naming the file and the reason. A written file is
// complete or absent: it is written beside the target and then moved into place.
Pixels32 readImageFile(const std::wstring& path);
// An image file's bytes held in memory (embedded in a mesh file); `name` names it in messages.
Pixels32 readImageBytes(const std::string& bytes, const std::wstring& name);
void writePngFile(const std::wstring& path, const Pixels32& image);

}  // namespace devhost
