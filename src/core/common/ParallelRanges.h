#pragma once

#include <algorithm>
#include <cstddef>
#include <future>
#include <thread>
#include <vector>

// Calls work(begin, end, first) on consecutive pieces of [0, count), one piece
// per core but none below `minPiece` items, and returns when all are done. The
// calling thread takes the first piece (first = true), so a small count starts no
// thread at all. The first exception a piece throws is rethrown here.
template <typename Work>
void parallelRanges(size_t count, size_t minPiece, const Work& work)
{
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t pieces = std::clamp<size_t>(count / std::max<size_t>(minPiece, 1), 1, cores);
    const size_t size = (count + pieces - 1) / pieces;
    std::vector<std::future<void>> others;
    for (size_t p = 1; p < pieces; ++p)
        others.push_back(std::async(
            std::launch::async, [&work, p, size, count] { work(p * size, std::min(count, (p + 1) * size), false); }));
    work(0, std::min(count, size), true);
    for (std::future<void>& other : others)
        other.get();
}
