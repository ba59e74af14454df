#include "serial/internal/Block.h"

#include <atomic>
#include <cstring>
#include <new>

namespace serial {

namespace {
std::atomic<std::size_t> live_blocks{0};
}

void BlockDeleter::operator()(std::byte* block) const noexcept {
    delete[] block;
    live_blocks.fetch_sub(1, std::memory_order_relaxed);
}

BlockPtr NewBlock(std::size_t size) noexcept {
    std::byte* block = new (std::nothrow) std::byte[size]();
    if (block != nullptr) {
        live_blocks.fetch_add(1, std::memory_order_relaxed);
    }
    return BlockPtr(block);
}

BlockPtr CopyBlock(const void* bytes, std::size_t count) noexcept {
    std::byte* block = new (std::nothrow) std::byte[count + 1];
    if (block == nullptr) {
        return BlockPtr();
    }
    live_blocks.fetch_add(1, std::memory_order_relaxed);
    if (count > 0) {
        std::memcpy(block, bytes, count);
    }
    block[count] = std::byte{0};
    return BlockPtr(block);
}

std::size_t LiveBlockCount() noexcept {
    return live_blocks.load(std::memory_order_relaxed);
}

}  // namespace serial
