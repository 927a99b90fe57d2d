// The scheduler's run table: a thread of priority p owns p entries, and the
// scheduler walks the entries in order, marking each one it picks.
#pragma once
#include <cstdint>
#include <memory>

struct ThreadRecord;

/// One turn in a round: the thread it belongs to, and whether this round used it.
struct RunEntry {
    ThreadRecord* thread;
    bool visited;
};

/// A growable array of run entries. New entries go to the front; removal takes
/// a thread's entries from the end toward the front.
class RunTable {
public:
    /// Inserts `count` entries of `thread` at the front, unvisited.
    void insert(ThreadRecord* thread, int32_t count);
    /// Removes up to `count` entries of `thread`, the last ones first.
    void remove(ThreadRecord* thread, int32_t count);
    /// Starts a new round: no entry is visited.
    void clearVisited();

    int32_t size() const { return count_; }
    int32_t capacity() const { return capacity_; }
    RunEntry& operator[](int32_t index) { return entries_[index]; }

private:
    void resize(int32_t capacity);

    // Growth and shrink step of the array, in entries.
    static constexpr int32_t kStep = 16;

    std::unique_ptr<RunEntry[]> entries_;
    int32_t count_ = 0;
    int32_t capacity_ = 0;
};
