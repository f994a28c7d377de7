// A pool of large, reusable objects handed out as shared references.
//
// Objects are made on demand and never freed one by one: when the last
// reference to an object goes, it returns to the free list with whatever
// capacity it had grown (a packet keeps its byte buffer). The shared
// reference's control block is recycled too, so once the pool has grown to
// its working size, get() and release() do not touch the heap at all.
#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace druvex_sdk {
namespace util {

template <typename T>
class LargeObjectPool {
public:
    // The pool hands out references that keep it alive, so it only exists
    // behind a shared reference.
    static std::shared_ptr<LargeObjectPool> create() {
        std::shared_ptr<LargeObjectPool> pool(new LargeObjectPool());
        pool->self_ = pool;
        return pool;
    }

    ~LargeObjectPool() {
        for (void* block : free_blocks_) ::operator delete(block);
    }

    LargeObjectPool(const LargeObjectPool&) = delete;
    LargeObjectPool& operator=(const LargeObjectPool&) = delete;

    // A free object, most recently released first. Throws std::bad_weak_ptr
    // when the pool is being destroyed.
    std::shared_ptr<T> get() {
        std::shared_ptr<LargeObjectPool> self(self_);
        T* object = take();
        return std::shared_ptr<T>(object, Releaser{self}, BlockAllocator<T>{self});
    }

    void release(T* object) {
        std::lock_guard<std::mutex> lock(mutex_);
        free_.push_back(object);
    }

    // Objects ever made, in use or free.
    size_t size() {
        std::lock_guard<std::mutex> lock(mutex_);
        return storage_.size();
    }

    size_t free_count() {
        std::lock_guard<std::mutex> lock(mutex_);
        return free_.size();
    }

private:
    LargeObjectPool() = default;

    struct Releaser {
        std::shared_ptr<LargeObjectPool> pool;
        void operator()(T* object) const { pool->release(object); }
    };

    // Allocates the shared references' control blocks from the pool's cache.
    // It holds the pool itself, because the standard library frees the block
    // after it has destroyed the deleter, which may have held the last other
    // reference to the pool.
    template <typename U>
    struct BlockAllocator {
        using value_type = U;
        std::shared_ptr<LargeObjectPool> pool;

        explicit BlockAllocator(std::shared_ptr<LargeObjectPool> p) : pool(std::move(p)) {}
        template <typename V>
        BlockAllocator(const BlockAllocator<V>& other) : pool(other.pool) {}

        U* allocate(size_t n) { return static_cast<U*>(pool->allocate_block(n * sizeof(U))); }
        void deallocate(U* block, size_t n) { pool->deallocate_block(block, n * sizeof(U)); }

        template <typename V>
        bool operator==(const BlockAllocator<V>& other) const {
            return pool == other.pool;
        }
        template <typename V>
        bool operator!=(const BlockAllocator<V>& other) const {
            return pool != other.pool;
        }
    };

    T* take() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (free_.empty()) {
            storage_.emplace_back();
            // Room for every object to come back without the free list growing
            // in release(), which may run on another thread.
            free_.reserve(storage_.size());
            return &storage_.back();
        }
        T* object = free_.back();
        free_.pop_back();
        return object;
    }

    // Control blocks all have one size per pool; any other size (not expected)
    // goes straight to the heap.
    void* allocate_block(size_t bytes) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (bytes == block_size_ && !free_blocks_.empty()) {
                void* block = free_blocks_.back();
                free_blocks_.pop_back();
                return block;
            }
            if (block_size_ == 0) block_size_ = bytes;
        }
        return ::operator new(bytes);
    }

    void deallocate_block(void* block, size_t bytes) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (bytes != block_size_) {
            lock.unlock();
            ::operator delete(block);
            return;
        }
        free_blocks_.reserve(storage_.size());
        free_blocks_.push_back(block);
    }

    std::weak_ptr<LargeObjectPool> self_;
    std::mutex mutex_;
    std::list<T> storage_;
    std::vector<T*> free_;
    size_t block_size_ = 0;
    std::vector<void*> free_blocks_;
};

}  // namespace util
}  // namespace druvex_sdk
