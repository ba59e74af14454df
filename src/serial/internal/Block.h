#pragma once

#include <cstddef>
#include <memory>

namespace serial {

// A memory block handed from one thread to another with a posted message: the sender allocates
// it, ownership moves with the message, the receiver frees it. A live count lets tests prove
// that no block is left behind.
struct BlockDeleter {
    void operator()(std::byte* block) const noexcept;
};

using BlockPtr = std::unique_ptr<std::byte[], BlockDeleter>;

// A zero-filled block of `size` bytes, or null when memory is short.
BlockPtr NewBlock(std::size_t size) noexcept;

// A block of `count` + 1 bytes holding a copy of `bytes` and a NUL after them, or null when
// memory is short. Unlike NewBlock it does not zero what the copy overwrites at once.
BlockPtr CopyBlock(const void* bytes, std::size_t count) noexcept;

// Blocks allocated by NewBlock or CopyBlock and not yet freed, in this process.
std::size_t LiveBlockCount() noexcept;

}  // namespace serial
