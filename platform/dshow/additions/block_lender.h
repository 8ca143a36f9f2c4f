// Memory blocks of one size lent to GStreamer buffers and reused: a block comes back when
// the last buffer that holds it is gone, and the next frame is written into it, so that a
// stream of frames neither allocates nor touches new pages. A few blocks are kept spare,
// enough for a steady stream; those that come back beyond them, after a queue has filled
// up, are freed. Each block carries a note of type `Note` for its writer (what was drawn
// into it last, say); a new block's note is value-initialised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include <gst/gst.h>

namespace dshow {

template <class Note>
class BlockLender : public std::enable_shared_from_this<BlockLender<Note>> {
public:
    struct Block {
        explicit Block(size_t bytes) : data(new (std::nothrow) uint8_t[bytes]) {}
        std::unique_ptr<uint8_t[]> data;
        Note note{};
    };

    static std::shared_ptr<BlockLender> Make(size_t bytes)
    {
        return std::shared_ptr<BlockLender>(new BlockLender(bytes));
    }

    size_t Bytes() const { return bytes_; }

    // A block given back earlier, or a new one; null when memory has run out.
    std::unique_ptr<Block> Take()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (!spare_.empty()) {
                std::unique_ptr<Block> block = std::move(spare_.back());
                spare_.pop_back();
                return block;
            }
        }
        std::unique_ptr<Block> block(new (std::nothrow) Block(bytes_));
        return block != nullptr && block->data != nullptr ? std::move(block) : nullptr;
    }

    // A buffer over the whole block; the block comes back here once the buffer is freed,
    // and the lender lives at least as long as the loan.
    GstBuffer* Lend(std::unique_ptr<Block> block, GstMemoryFlags flags)
    {
        uint8_t* data = block->data.get();
        auto* loan = new Loan{std::move(block), this->shared_from_this()};
        return gst_buffer_new_wrapped_full(flags, data, bytes_, 0, bytes_, loan, GiveBack);
    }

private:
    struct Loan {
        std::unique_ptr<Block> block;
        std::shared_ptr<BlockLender> lender;
    };

    explicit BlockLender(size_t bytes) : bytes_(bytes) {}

    static constexpr size_t kMostSpares = 4;

    static void GiveBack(gpointer data)
    {
        std::unique_ptr<Loan> loan(static_cast<Loan*>(data));
        const std::shared_ptr<BlockLender> lender = std::move(loan->lender);
        const std::lock_guard<std::mutex> lock(lender->mutex_);
        if (lender->spare_.size() < kMostSpares) lender->spare_.push_back(std::move(loan->block));
    }

    const size_t bytes_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<Block>> spare_;
};

}  // namespace dshow
