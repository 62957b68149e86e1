#include "RecordDiff.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace devhost {

namespace {

using Span = Patch::Span;

// Appends bytes at offset, joining the last span when they follow it.
void append(Patch& patch, std::uint32_t offset, const std::uint8_t* bytes, std::uint32_t length) {
    if (length == 0) return;
    if (!patch.spans.empty() && patch.spans.back().offset + patch.spans.back().length == offset)
        patch.spans.back().length += length;
    else
        patch.spans.push_back({offset, length});
    patch.bytes.insert(patch.bytes.end(), bytes, bytes + length);
}

void shrink(Patch& patch) {
    patch.spans.shrink_to_fit();
    patch.bytes.shrink_to_fit();
}

}  // namespace

void apply(const Patch& patch, void* records) {
    const std::uint8_t* bytes = patch.bytes.data();
    for (const Span& span : patch.spans) {
        std::memcpy(static_cast<std::uint8_t*>(records) + span.offset, bytes, span.length);
        bytes += span.length;
    }
}

void fold(Patch& patch, const Patch& older) {
    if (older.empty()) return;
    if (patch.empty()) {
        patch = older;
        return;
    }
    const std::vector<Span>& a = patch.spans;
    const std::vector<Span>& b = older.spans;
    Patch out;
    out.spans.reserve(a.size() + b.size());
    out.bytes.reserve(patch.bytes.size() + older.bytes.size());
    size_t i = 0, aByte = 0;  // next span of the patch and where its bytes start
    size_t j = 0, bByte = 0;  // span of the older patch in hand and where its bytes start
    std::uint32_t bStart = b[0].offset;  // what is left of span j starts here
    auto nextB = [&] {
        bByte += b[j].length;
        if (++j < b.size()) bStart = b[j].offset;
    };
    while (i < a.size() || j < b.size()) {
        if (i < a.size() && (j == b.size() || a[i].offset <= bStart)) {
            // The patch's span wins over whatever of the older spans it covers.
            append(out, a[i].offset, patch.bytes.data() + aByte, a[i].length);
            const std::uint32_t aEnd = a[i].offset + a[i].length;
            aByte += a[i].length;
            ++i;
            while (j < b.size() && b[j].offset + b[j].length <= aEnd) nextB();
            if (j < b.size() && bStart < aEnd) bStart = aEnd;
        } else {
            std::uint32_t stop = b[j].offset + b[j].length;
            if (i < a.size()) stop = std::min(stop, a[i].offset);
            append(out, bStart, older.bytes.data() + bByte + (bStart - b[j].offset), stop - bStart);
            bStart = stop;
            if (bStart == b[j].offset + b[j].length) nextB();
        }
    }
    shrink(out);
    patch = std::move(out);
}

void RecordShadow::reset(const void* records, size_t bytes) {
    bytes_ = bytes;
    words_ = (bytes + kWord - 1) / kWord;
    seen_.reset(new std::uint64_t[words_]);
    if (words_) seen_[words_ - 1] = 0;  // the padding of a partial last word stays zero
    if (bytes) std::memcpy(copyBytes(), records, bytes);
    saved_.reset(new std::uint64_t[words_]);
    changed_.assign((words_ + 63) / 64, 0);
    changedWords_ = 0;
}

bool RecordShadow::look(const void* records) {
    const auto* live = static_cast<const std::uint8_t*>(records);
    bool any = false;
    auto note = [&](size_t word, std::uint64_t value) {
        std::uint64_t& bits = changed_[word / 64];
        const std::uint64_t bit = std::uint64_t(1) << (word % 64);
        if (!(bits & bit)) {
            bits |= bit;
            saved_[word] = seen_[word];
            ++changedWords_;
        }
        seen_[word] = value;
        any = true;
    };
    // Blocks of eight words first: one test per block while nothing changed.
    constexpr size_t kBlock = 8;
    const size_t full = bytes_ / kWord;
    size_t w = 0;
    for (; w + kBlock <= full; w += kBlock) {
        std::uint64_t value[kBlock];
        std::memcpy(value, live + w * kWord, sizeof value);
        std::uint64_t difference = 0;
        for (size_t k = 0; k < kBlock; ++k) difference |= value[k] ^ seen_[w + k];
        if (difference == 0) continue;
        for (size_t k = 0; k < kBlock; ++k)
            if (value[k] != seen_[w + k]) note(w + k, value[k]);
    }
    for (; w < words_; ++w) {
        std::uint64_t value = 0;
        std::memcpy(&value, live + w * kWord, std::min(kWord, bytes_ - w * kWord));
        if (value != seen_[w]) note(w, value);
    }
    return any;
}

Patch RecordShadow::takeChanges() {
    Patch patch;
    if (changedWords_ == 0) return patch;
    // The bytes go straight into the patch, sized for every changed word; the spans are
    // gathered in storage kept from call to call, then copied out. A spare patch serves
    // only when it is about that size, so that no entry holds much more than it needs.
    spanScratch_.clear();
    const size_t most = changedWords_ * kWord;
    Patch spare = std::move(spare_);
    spare_ = {};
    if (spare.bytes.capacity() >= most && spare.bytes.capacity() - most <= most / 8) patch = std::move(spare);
    patch.bytes.resize(most);
    std::uint8_t* out = patch.bytes.data();
    const size_t partial = bytes_ % kWord ? words_ - 1 : SIZE_MAX;  // the last word, when short
    size_t previous = SIZE_MAX - 1;
    for (size_t i = 0; i < changed_.size(); ++i) {
        std::uint64_t bits = changed_[i];
        if (!bits) continue;
        changed_[i] = 0;
        for (; bits; bits &= bits - 1) {
            const size_t word = i * 64 + size_t(std::countr_zero(bits));
            const std::uint64_t value = saved_[word];
            if (value == seen_[word]) continue;
            const std::uint32_t length = word == partial ? std::uint32_t(bytes_ % kWord) : std::uint32_t(kWord);
            if (word == previous + 1) spanScratch_.back().length += length;
            else spanScratch_.push_back({std::uint32_t(word * kWord), length});
            std::memcpy(out, &value, kWord);  // a short last word's padding is cut off below
            out += length;
            previous = word;
        }
    }
    patch.spans.assign(spanScratch_.begin(), spanScratch_.end());
    if (patch.spans.capacity() - patch.spans.size() > patch.spans.size() / 8) patch.spans.shrink_to_fit();
    patch.bytes.resize(size_t(out - patch.bytes.data()));
    if (patch.bytes.capacity() - patch.bytes.size() > patch.bytes.size() / 8) patch.bytes.shrink_to_fit();
    changedWords_ = 0;
    return patch;
}

std::vector<std::uint8_t> RecordShadow::boundaryBytes() const {
    std::vector<std::uint8_t> bytes(bytes_);
    if (bytes_) std::memcpy(bytes.data(), seen_.get(), bytes_);
    for (size_t i = 0; i < changed_.size(); ++i)
        for (std::uint64_t bits = changed_[i]; bits; bits &= bits - 1) {
            const size_t offset = (i * 64 + size_t(std::countr_zero(bits))) * kWord;
            std::memcpy(bytes.data() + offset, &saved_[offset / kWord], std::min(kWord, bytes_ - offset));
        }
    return bytes;
}

void RecordShadow::exchange(Patch& patch, void* records) {
    auto* live = static_cast<std::uint8_t*>(records);
    std::uint8_t* kept = patch.bytes.data();
    for (const Span& span : patch.spans) {
        std::swap_ranges(kept, kept + span.length, live + span.offset);
        std::memcpy(copyBytes() + span.offset, live + span.offset, span.length);
        kept += span.length;
    }
}

}  // namespace devhost
