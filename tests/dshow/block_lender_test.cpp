#include "block_lender.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using Lender = dshow::BlockLender<int>;

// A block comes back with its note once the last buffer holding it is gone, and only
// then: a block still lent is never handed out twice.
TEST(BlockLenderTest, ABlockComesBackWithItsNoteWhenItsLastBufferIsGone)
{
    gst_init(nullptr, nullptr);
    const std::shared_ptr<Lender> lender = Lender::Make(64);
    std::unique_ptr<Lender::Block> first = lender->Take();
    EXPECT_EQ(first->note, 0);
    first->note = 7;
    const uint8_t* firstData = first->data.get();
    GstBuffer* buffer = lender->Lend(std::move(first), GstMemoryFlags(0));
    EXPECT_EQ(gst_buffer_get_size(buffer), 64u);
    GstBuffer* copy = gst_buffer_copy(buffer);  // shares the memory

    std::unique_ptr<Lender::Block> second = lender->Take();
    EXPECT_NE(second->data.get(), firstData);
    gst_buffer_unref(buffer);
    EXPECT_NE(lender->Take()->data.get(), firstData);
    gst_buffer_unref(copy);

    const std::unique_ptr<Lender::Block> again = lender->Take();
    EXPECT_EQ(again->data.get(), firstData);
    EXPECT_EQ(again->note, 7);
}

// A buffer may outlive everything else that holds the lender; a read-only loan cannot
// be written through: a writer gets a copy.
TEST(BlockLenderTest, ALoanKeepsTheLenderAndItsFlags)
{
    gst_init(nullptr, nullptr);
    std::shared_ptr<Lender> lender = Lender::Make(16);
    const std::weak_ptr<Lender> watch = lender;
    std::unique_ptr<Lender::Block> block = lender->Take();
    const uint8_t* blockData = block->data.get();
    GstBuffer* buffer = lender->Lend(std::move(block), GST_MEMORY_FLAG_READONLY);
    lender.reset();
    EXPECT_FALSE(watch.expired());
    GstMapInfo map;
    ASSERT_TRUE(gst_buffer_map(buffer, &map, GST_MAP_WRITE));
    EXPECT_NE(map.data, blockData);  // written into a copy
    gst_buffer_unmap(buffer, &map);
    gst_buffer_unref(buffer);
    EXPECT_TRUE(watch.expired());
}

// After a burst (a queue that filled up and drained) only a few blocks are kept: the
// rest are freed, and what is taken after them is new.
TEST(BlockLenderTest, OnlyAFewBlocksAreKeptAfterABurst)
{
    gst_init(nullptr, nullptr);
    const std::shared_ptr<Lender> lender = Lender::Make(32);
    std::vector<GstBuffer*> burst;
    for (int i = 1; i <= 20; ++i) {
        std::unique_ptr<Lender::Block> block = lender->Take();
        block->note = i;
        burst.push_back(lender->Lend(std::move(block), GstMemoryFlags(0)));
    }
    for (GstBuffer* buffer : burst) gst_buffer_unref(buffer);
    int kept = 0;
    std::vector<std::unique_ptr<Lender::Block>> taken;
    for (int i = 0; i < 20; ++i) {
        taken.push_back(lender->Take());
        kept += taken.back()->note != 0 ? 1 : 0;
    }
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, 8);
}

}  // namespace
