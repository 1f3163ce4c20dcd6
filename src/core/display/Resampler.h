#pragma once

#include <QImage>
#include <QSize>

// The scaling of the picture view, done by the program itself so that every machine shows the
// same pixels. Both functions take a picture of any format (converted to RGB888 first) and
// return a Format_RGB888 picture of the target size, or a null picture when the source is null,
// the target is empty or the memory for the result cannot be had (the caller reports that).
// Pure functions, safe on any thread, several at once. With AllCores the rows are shared with
// threads of the global QThreadPool; the calling thread works too and waits for the rest, so a
// call made on a pool thread finishes even when the pool is busy.

// Whether a resampling spreads its rows over the cores. The result is the same byte for byte.
enum class ResampleThreads { AllCores, CallingThread };

// Nearest neighbour: target column i shows source column min(W - 1, round(i * W / newW)), and
// likewise for rows, rounding halves to even.
QImage ScaleNearest(const QImage& source, QSize target, ResampleThreads threads = ResampleThreads::AllCores);

// Smooth scaling in two passes, across then down. Along an axis that grows: cubic Lagrange
// interpolation through four samples, the first and last samples kept in the corners. Along an
// axis that shrinks: the exact average of the area each target sample covers, so the light of
// the picture is kept. An axis of equal length is copied.
QImage Resample(const QImage& source, QSize target, ResampleThreads threads = ResampleThreads::AllCores);
