#include "Common/ClassLib/RunTable.h"

#include <algorithm>

void RunTable::resize(int32_t capacity) {
    auto grown = std::make_unique<RunEntry[]>(size_t(capacity));
    std::copy(entries_.get(), entries_.get() + count_, grown.get());
    entries_ = std::move(grown);
    capacity_ = capacity;
}

void RunTable::insert(ThreadRecord* thread, int32_t count) {
    if (count <= 0) return;
    if (count_ + count > capacity_) resize(count_ + count + kStep);
    std::copy_backward(entries_.get(), entries_.get() + count_, entries_.get() + count_ + count);
    std::fill(entries_.get(), entries_.get() + count, RunEntry{thread, false});
    count_ += count;
}

void RunTable::remove(ThreadRecord* thread, int32_t count) {
    for (int32_t i = count_ - 1; i >= 0 && count > 0; --i) {
        if (entries_[i].thread != thread) continue;
        std::copy(entries_.get() + i + 1, entries_.get() + count_, entries_.get() + i);
        --count_;
        --count;
    }
    if (capacity_ - count_ > 2 * kStep) resize(count_ + kStep);
}

void RunTable::clearVisited() {
    for (int32_t i = 0; i < count_; ++i) entries_[i].visited = false;
}
