// The development host's document: the host's objects it hands out, the mesh and its
// locks, the history of edits (undo groups, entries of the records that changed) and
// the shadows of the records that tell what an edit changed.
//
// Sections:
//   Creation               the application and document nodes, model and view host
//   HostDocument: objects  counted references handed out
//   Mesh                   setMesh, locks, BeginEdit/EndEdit, changeMesh
//   History                edits and undo groups into entries
//   Record shadows         what changed since the last look
//   Undo and redo          Undo, Redo, history sizes and descriptions
#include "DevHost.h"

#include <cstring>
#include <stdexcept>

namespace devhost {

// ---- Creation ----

HostRef<Document> Document::create() { return makeObject<Document>(); }

Document::Document() : link_(std::make_shared<DocumentLink>()) {
    link_->document = this;

    applicationNode_ = makeObject<Node>(link_, L"Application");
    Node& preferences = applicationNode_->ensureChild(L"schema").ensureChild(L"preferences");
    undoNode_ = &preferences.ensureChild(L"undo");
    undoNode_->setText(L"LastUndoDesc", L"");
    undoNode_->setText(L"LastRedoDesc", L"");
    navigationNode_ = &preferences.ensureChild(L"navigation");
    navigationNode_->setInt(L"ReverseWheel", 0);
    toolbarNode_ = &applicationNode_->ensureChild(L"schema").ensureChild(L"MainToolbar");

    documentNode_ = makeObject<Node>(link_, L"Document");
    texturesNode_ = &documentNode_->ensureChild(L"Model").ensureChild(L"Textures");

    model_ = makeObject<Model>(link_);
    viewHost_ = makeObject<ViewHost>(link_);
}

Document::~Document() {
    link_->document = nullptr;
    if (mesh_) mesh_->deactivate();
}

// ---- HostDocument: objects ----

HRESULT Document::GetMainWindow(HWND* window) {
    if (record(link_, "GetMainWindow")) return failedCall(window);
    if (!window) return E_POINTER;
    *window = mainWindow_;
    return mainWindow_ ? S_OK : S_FALSE;
}

// Hands out a counted reference; none is S_FALSE with a null result.
template <class T>
static HRESULT handOut(T* object, T** out) {
    if (!out) return E_POINTER;
    *out = object;
    if (!object) return S_FALSE;
    object->AddRef();
    return S_OK;
}

HRESULT Document::GetDocumentNode(IUnknown** node) {
    if (record(link_, "GetDocumentNode")) return failedCall(node);
    return handOut<IUnknown>(static_cast<HostNode*>(documentNode_.Get()), node);
}

HRESULT Document::GetApplicationNode(HostNode** node) {
    if (record(link_, "GetApplicationNode")) return failedCall(node);
    return handOut<HostNode>(applicationNode_.Get(), node);
}

HRESULT Document::GetActiveMesh(HostMesh** mesh) {
    if (record(link_, "GetActiveMesh")) return failedCall(mesh);
    return handOut<HostMesh>(mesh_.Get(), mesh);
}

HRESULT Document::GetViewHost(HostViewHost** viewHost) {
    if (record(link_, "GetViewHost")) return failedCall(viewHost);
    return handOut<HostViewHost>(viewHost_.Get(), viewHost);
}

HRESULT Document::CreatePreviewMesh(HostPreviewMesh** mesh) {
    if (record(link_, "CreatePreviewMesh")) return failedCall(mesh);
    if (!mesh) return E_POINTER;
    *mesh = makeObject<PreviewMesh>(link_).Detach();
    return S_OK;
}

HRESULT Document::GetModel(HostModel** model) {
    if (record(link_, "GetModel")) return failedCall(model);
    return handOut<HostModel>(model_.Get(), model);
}

void Document::setReverseWheel(LONG value) { navigationNode_->setInt(L"ReverseWheel", value); }

// ---- Mesh ----

void Document::setMesh(std::vector<DevFace> faces, std::vector<DevVertex> vertices) {
    replaceMesh(makeObject<Mesh>(link_), std::move(faces), std::move(vertices));
}

void Document::removeMesh() { replaceMesh(nullptr, {}, {}); }

// A new mesh starts with no locks and an empty history.
void Document::replaceMesh(HostRef<Mesh> mesh, std::vector<DevFace> faces, std::vector<DevVertex> vertices) {
    if (mesh_) mesh_->deactivate();
    mesh_ = std::move(mesh);
    faces_ = std::move(faces);
    vertices_ = std::move(vertices);
    lockCount_ = 0;
    undo_.clear();
    redo_.clear();
    groupDepth_ = 0;
    groupHasSnapshot_ = false;
    dropLooseEdit();
    resetShadows();
    sendChange(true);
    historyChanged();
}

void Document::failHostCall(const std::string& method, long nth, bool onward) {
    if (!isHostMethod(method)) throw std::invalid_argument("no host method \"" + method + "\"");
    if (nth < 0) throw std::invalid_argument("calls are counted from 1 (0: no more failures)");
    if (nth == 0) link_->failures.erase(method);
    else link_->failures[method] = FailurePlan{nth, onward};
}

long Document::hostCallsFailed() const {
    long failed = 0;
    for (const auto& [method, plan] : link_->failures) failed += plan.failed;
    return failed;
}

HRESULT Mesh::LockFaces(BYTE** vertices, LONG* vertexCount, BYTE** faces, LONG* faceCount) {
    if (record(link_, "LockFaces")) return failedCall(vertices, vertexCount, faces, faceCount);
    if (vertices) *vertices = nullptr;
    if (faces) *faces = nullptr;
    if (vertexCount) *vertexCount = 0;
    if (faceCount) *faceCount = 0;
    if (!active_ || !link_->document) return E_FAIL;
    return link_->document->lockFaces(vertices, vertexCount, faces, faceCount);
}

HRESULT Mesh::UnlockFaces() {
    const bool fail = record(link_, "UnlockFaces");  // a failing close still closes
    if (!active_ || !link_->document) return E_FAIL;
    HRESULT result = link_->document->unlockFaces();
    return fail ? E_FAIL : result;
}

HRESULT Mesh::BeginEdit(LONG scopeA, LONG kind, LONG scopeB, LPCWSTR description) {
    if (record(link_, "BeginEdit", scopeA, kind, scopeB, description)) return failedCall();
    if (!active_ || !link_->document) return E_FAIL;
    return link_->document->beginEdit(description);
}

HRESULT Mesh::EndEdit() {
    const bool fail = record(link_, "EndEdit");  // a failing close still closes
    if (!active_ || !link_->document) return E_FAIL;
    HRESULT result = link_->document->endEdit();
    return fail ? E_FAIL : result;
}

HRESULT Document::lockFaces(BYTE** vertices, LONG* vertexCount, BYTE** faces, LONG* faceCount) {
    if (!vertices || !vertexCount || !faces || !faceCount) return E_POINTER;
    *vertices = reinterpret_cast<BYTE*>(vertices_.data());
    *vertexCount = static_cast<LONG>(vertices_.size());
    *faces = reinterpret_cast<BYTE*>(faces_.data());
    *faceCount = static_cast<LONG>(faces_.size());
    recordsTouched_ = true;
    ++lockCount_;
    ++totalLocks_;
    return S_OK;
}

HRESULT Document::unlockFaces() {
    if (lockCount_ == 0) {
        ++unbalancedUnlocks_;
        return E_FAIL;
    }
    --lockCount_;
    return S_OK;
}

bool Document::changeMesh(const std::function<void(std::vector<DevFace>&, std::vector<DevVertex>&)>& edit,
                          const std::wstring& undoDescription) {
    if (!mesh_) throw std::runtime_error("there is no mesh to change");
    const bool recorded = !undoDescription.empty();
    if (recorded) boundary();
    else look();
    edit(faces_, vertices_);
    recordsTouched_ = true;
    bool changed = false;
    if (recorded && !sizesAsSeen()) {
        // Across a change of size the entry keeps the whole records from before.
        Entry entry{undoDescription, {}, {}, boundaryRecords()};
        resetShadows();
        unannounced_ = changed = true;
        dropLooseEdit();
        pushEntry(std::move(entry));
    } else {
        changed = look();
        if (changed && recorded) {
            dropLooseEdit();
            pushEntry(takeEntry(undoDescription));
        }
    }
    sendChange(false);
    if (changed && recorded) historyChanged();
    return changed;
}

void Document::notifyMeshChanged() {
    recordsTouched_ = true;
    sendChange(false);
}

// ---- History ----

HRESULT Document::beginEdit(LPCWSTR description) {
    if (groupDepth_ > 0) {
        if (!groupHasSnapshot_) {
            boundary();
            groupHasSnapshot_ = true;
        }
        return S_OK;
    }
    // An edit of its own, outside any group: named by its description and kept by
    // its EndEdit when the records changed.
    dropLooseEdit();
    looseOpen_ = true;
    looseDescription_ = description ? description : L"";
    boundary();
    return S_OK;
}

HRESULT Document::endEdit() {
    bool kept = false;
    if (groupDepth_ == 0 && looseOpen_) {
        looseOpen_ = false;
        Entry entry = takeEntry(looseDescription_);
        if (!entry.faces.empty() || !entry.vertices.empty()) {
            pushEntry(std::move(entry));
            kept = true;
        }
    }
    sendChange(false);
    if (kept) historyChanged();
    return S_OK;
}

void Document::dropLooseEdit() { looseOpen_ = false; }

HRESULT Document::BeginUndoGroup(LPCWSTR description) {
    if (record(link_, "BeginUndoGroup", description)) return failedCall();
    dropLooseEdit();
    if (groupDepth_++ == 0) {
        groupDescription_ = description ? description : L"";
        groupHasSnapshot_ = false;
    }
    return S_OK;
}

HRESULT Document::EndUndoGroup(BOOL keep) {
    const bool fail = record(link_, "EndUndoGroup", keep);  // a failing close still closes
    if (groupDepth_ == 0) return E_FAIL;
    if (--groupDepth_ > 0) return fail ? E_FAIL : S_OK;
    bool kept = keep != FALSE;
    if (kept) {
        if (!groupHasSnapshot_) boundary();  // no BeginEdit: an entry that changes nothing
        dropRedo();
        pushEntry(takeEntry(groupDescription_));
    }
    groupHasSnapshot_ = false;
    if (kept) historyChanged();
    return fail ? E_FAIL : S_OK;
}

void Document::pushEntry(Entry entry) {
    entry.serial = ++entriesMade_;
    undo_.push_back(std::move(entry));
    redo_.clear();
}

// Before an entry is taken that will replace them: their storage serves it.
void Document::dropRedo() {
    for (Entry& entry : redo_) {
        faceShadow_.recycle(std::move(entry.faces));
        vertexShadow_.recycle(std::move(entry.vertices));
    }
    redo_.clear();
}

void Document::historyChanged() {
    undoNode_->setText(L"LastUndoDesc", undo_.empty() ? L"" : undo_.back().description);
    undoNode_->setText(L"LastRedoDesc", redo_.empty() ? L"" : redo_.back().description);
    sendUpdate();
}

bool Document::step(std::vector<Entry>& from, std::vector<Entry>& to) {
    if (from.empty() || groupDepth_ > 0) return false;
    dropLooseEdit();
    boundary();
    Entry entry = std::move(from.back());
    from.pop_back();
    exchange(entry);
    to.push_back(std::move(entry));
    sendChange(false);
    historyChanged();
    return true;
}

// ---- Record shadows ----

void Document::resetShadows() {
    faceShadow_.reset(faces_.data(), faces_.size() * sizeof(DevFace));
    vertexShadow_.reset(vertices_.data(), vertices_.size() * sizeof(DevVertex));
}

Document::Snapshot Document::boundaryRecords() const {
    Snapshot records;
    std::vector<std::uint8_t> faces = faceShadow_.boundaryBytes(), vertices = vertexShadow_.boundaryBytes();
    records.faces.resize(faces.size() / sizeof(DevFace));
    records.vertices.resize(vertices.size() / sizeof(DevVertex));
    if (!faces.empty()) std::memcpy(records.faces.data(), faces.data(), faces.size());
    if (!vertices.empty()) std::memcpy(records.vertices.data(), vertices.data(), vertices.size());
    return records;
}

bool Document::sizesAsSeen() const {
    return faces_.size() * sizeof(DevFace) == faceShadow_.bytes() &&
           vertices_.size() * sizeof(DevVertex) == vertexShadow_.bytes();
}

bool Document::look() {
    bool changed = false;
    if (!sizesAsSeen()) {
        // A change of size outside the history: the entries on top, which keep only the
        // bytes that differ, keep their whole records instead.
        const Snapshot before = boundaryRecords();
        for (std::vector<Entry>* stack : {&undo_, &redo_}) {
            if (stack->empty() || stack->back().whole) continue;
            Entry& top = stack->back();
            Snapshot other = before;
            apply(top.faces, other.faces.data());
            apply(top.vertices, other.vertices.data());
            top.faces = {};
            top.vertices = {};
            top.whole = std::move(other);
        }
        resetShadows();
        changed = true;
    } else if (recordsTouched_) {
        const bool facesChanged = faceShadow_.look(faces_.data());
        const bool verticesChanged = vertexShadow_.look(vertices_.data());
        changed = facesChanged || verticesChanged;
    }
    // While a lock is open the plug-in may still write.
    recordsTouched_ = lockCount_ > 0;
    if (changed) unannounced_ = true;
    return changed;
}

void Document::boundary() {
    look();
    if (!faceShadow_.hasChanges() && !vertexShadow_.hasChanges()) return;
    const Patch faces = faceShadow_.takeChanges(), vertices = vertexShadow_.takeChanges();
    for (std::vector<Entry>* stack : {&undo_, &redo_}) {
        if (stack->empty() || stack->back().whole) continue;
        fold(stack->back().faces, faces);
        fold(stack->back().vertices, vertices);
    }
}

Document::Entry Document::takeEntry(const std::wstring& description) {
    look();
    return {description, faceShadow_.takeChanges(), vertexShadow_.takeChanges(), std::nullopt};
}

void Document::exchange(Entry& entry) {
    if (entry.whole) {
        Snapshot current{faces_, vertices_};
        // Assignment keeps the live arrays' storage when it is large enough, so a
        // pointer handed out by LockFaces stays valid where it can.
        faces_ = entry.whole->faces;
        vertices_ = entry.whole->vertices;
        entry.whole = std::move(current);
        resetShadows();
        unannounced_ = true;
        return;
    }
    faceShadow_.exchange(entry.faces, faces_.data());
    vertexShadow_.exchange(entry.vertices, vertices_.data());
    if (!entry.faces.empty() || !entry.vertices.empty()) unannounced_ = true;
}

// ---- Undo and redo ----

bool Document::undo() { return step(undo_, redo_); }
bool Document::redo() { return step(redo_, undo_); }

HRESULT Document::Undo(LONG steps) {
    if (record(link_, "Undo", steps)) return failedCall();
    if (steps < 1) return E_INVALIDARG;
    for (LONG i = 0; i < steps; ++i)
        if (!step(undo_, redo_)) return i == 0 ? E_FAIL : S_FALSE;
    return S_OK;
}

HRESULT Document::Redo(LONG steps) {
    if (record(link_, "Redo", steps)) return failedCall();
    if (steps < 1) return E_INVALIDARG;
    for (LONG i = 0; i < steps; ++i)
        if (!step(redo_, undo_)) return i == 0 ? E_FAIL : S_FALSE;
    return S_OK;
}

size_t Document::historyBytes() const {
    size_t bytes = 0;
    for (const std::vector<Entry>* entries : {&undo_, &redo_})
        for (const Entry& entry : *entries) {
            bytes += sizeof(Entry) + entry.description.capacity() * sizeof(wchar_t) + entry.faces.heapBytes() +
                     entry.vertices.heapBytes();
            if (entry.whole)
                bytes += entry.whole->faces.capacity() * sizeof(DevFace) +
                         entry.whole->vertices.capacity() * sizeof(DevVertex);
        }
    return bytes;
}

std::vector<std::wstring> Document::undoDescriptions() const {
    std::vector<std::wstring> result;
    for (const Entry& entry : undo_) result.push_back(entry.description);
    return result;
}

std::vector<std::wstring> Document::redoDescriptions() const {
    std::vector<std::wstring> result;
    for (const Entry& entry : redo_) result.push_back(entry.description);
    return result;
}

}  // namespace devhost
