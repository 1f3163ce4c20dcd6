#include "core/imaging/PixelBufferPool.h"

#include <gtest/gtest.h>
#include <thread>

TEST(PixelBufferPool, HandsOutAKeptBufferOnlyOnceItIsReleased) {
    PixelBufferPool pool(2);
    PixelBufferPool::Lease a = pool.acquire(QSize(10, 10), QImage::Format_RGB888);
    ASSERT_FALSE(a.image.isNull());
    EXPECT_EQ(a.pixels, a.image.constBits());
    const uchar* kept = a.pixels;
    PixelBufferPool::Lease b = pool.acquire(QSize(10, 10), QImage::Format_RGB888);
    EXPECT_NE(b.pixels, kept) << "still held by a";
    a = {};
    const PixelBufferPool::Lease argb = pool.acquire(QSize(10, 10), QImage::Format_ARGB32);
    EXPECT_NE(argb.pixels, kept) << "other format";
    EXPECT_NE(pool.acquire(QSize(12, 10), QImage::Format_RGB888).pixels, kept) << "other size";
}

TEST(PixelBufferPool, WritesThroughTheLeaseReachTheImage) {
    PixelBufferPool pool;
    const uchar* kept = nullptr;
    qint64 oldKey = 0;
    {
        PixelBufferPool::Lease lease = pool.acquire(QSize(4, 4), QImage::Format_RGB888);
        kept = lease.pixels;
        oldKey = lease.image.cacheKey();
    }
    PixelBufferPool::Lease lease = pool.acquire(QSize(4, 4), QImage::Format_RGB888);
    ASSERT_EQ(lease.pixels, kept);
    EXPECT_NE(lease.image.cacheKey(), oldKey);
    lease.pixels[0] = 200;
    lease.pixels[1] = 100;
    lease.pixels[2] = 50;
    EXPECT_EQ(lease.image.pixel(0, 0), qRgb(200, 100, 50));
    pool.clear();
    EXPECT_NE(pool.acquire(QSize(4, 4), QImage::Format_RGB888).pixels, nullptr);
    EXPECT_EQ(lease.image.pixel(0, 0), qRgb(200, 100, 50)) << "a cleared pool leaves held pictures alone";
}

TEST(PixelBufferPool, ThreadsNeverShareABuffer) {
    PixelBufferPool pool(2);
    std::vector<std::thread> threads;
    std::atomic<int> clashes{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&pool, &clashes, t] {
            for (int i = 0; i < 300; ++i) {
                PixelBufferPool::Lease lease = pool.acquire(QSize(16, 16), QImage::Format_RGB888);
                std::fill(lease.pixels, lease.pixels + lease.image.sizeInBytes(), static_cast<uchar>(t));
                std::this_thread::yield();
                for (qsizetype k = 0; k < lease.image.sizeInBytes(); ++k) {
                    if (lease.image.constBits()[k] != t) {
                        ++clashes;
                        break;
                    }
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(clashes.load(), 0);
}
