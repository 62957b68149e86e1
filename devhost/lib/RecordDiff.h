// What the history keeps of an edit: the bytes of a record array that it changed, found
// by comparing the live records with a copy as the history last saw them, 8 bytes at a
// time. Memory follows what an edit changed, not the size of the mesh.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace devhost {

// Bytes of some spans of a record array. Spans are sorted and apart, start on a multiple of
// 8 bytes and are whole words except at the end of the array.
struct Patch {
    struct Span {
        std::uint32_t offset;
        std::uint32_t length;
    };
    std::vector<Span> spans;
    std::vector<std::uint8_t> bytes;  // each span's bytes in turn

    bool empty() const { return spans.empty(); }
    size_t heapBytes() const { return spans.capacity() * sizeof(Span) + bytes.capacity(); }
};

// Writes the patch's bytes into the records.
void apply(const Patch& patch, void* records);

// Adds the spans of `older` that `patch` does not cover, with older's bytes: where both
// have bytes, the patch's stay.
void fold(Patch& patch, const Patch& older);

// A copy of a record array as the history last looked at it, and for each 8-byte word
// that changed since the last boundary, the value it had then.
class RecordShadow {
public:
    // A fresh copy and a new boundary.
    void reset(const void* records, size_t bytes);
    size_t bytes() const { return bytes_; }

    // Compares the records (of the same size) with the copy: every word that differs keeps
    // its value at the boundary, unless it already has one, and the copy takes the new
    // value. Answers whether any word differed.
    bool look(const void* records);

    bool hasChanges() const { return changedWords_ > 0; }
    // The words changed since the boundary, with their values then (words back at that
    // value left out); the boundary moves here.
    Patch takeChanges();
    // The records at the boundary.
    std::vector<std::uint8_t> boundaryBytes() const;

    // Keeps the storage of a patch the history dropped for the next takeChanges: fresh
    // memory is slow to touch, and a dropped redo entry is often the size of the next one
    // (an edit undone and tried again).
    void recycle(Patch&& patch) {
        if (patch.bytes.capacity() > spare_.bytes.capacity()) spare_ = std::move(patch);
    }

    // Swaps the patch's bytes with the records' and keeps the copy equal to the records
    // in those spans.
    void exchange(Patch& patch, void* records);

private:
    static constexpr size_t kWord = sizeof(std::uint64_t);
    std::uint8_t* copyBytes() { return reinterpret_cast<std::uint8_t*>(seen_.get()); }

    size_t bytes_ = 0;
    size_t words_ = 0;  // the last one partial when the size is not a multiple of 8
    std::unique_ptr<std::uint64_t[]> seen_;
    // Written only where a word changed, so its pages are touched only there.
    std::unique_ptr<std::uint64_t[]> saved_;
    std::vector<std::uint64_t> changed_;  // one bit per word
    size_t changedWords_ = 0;
    // takeChanges gathers the spans here, storage kept from call to call.
    std::vector<Patch::Span> spanScratch_;
    Patch spare_;
};

}  // namespace devhost
