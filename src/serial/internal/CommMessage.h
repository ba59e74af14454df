#pragma once

#include <cstddef>

#include "serial/internal/Block.h"

namespace serial {

// Message numbers between the component and its threads, one and two above the first private
// message number 1024. REQUEST_WRITE goes to the writer's own queue, so it may share 1025.
inline constexpr unsigned NOTIFY_RXDATA = 1025;  // reader -> component: Count bytes in Block
inline constexpr unsigned NOTIFY_HANGUP = 1026;  // reader or writer -> component: a thread failed
inline constexpr unsigned REQUEST_WRITE = 1025;  // component -> writer: write Count bytes of Block

// One posted message. The block, when there is one, holds Count bytes followed by at least one
// zero byte, and belongs to whoever holds the record.
struct CommMessage {
    unsigned Msg = 0;
    std::size_t Count = 0;
    BlockPtr Block;
};

}  // namespace serial
