#pragma once

#include <exception>
#include <functional>

// Long engine work tells how far it has got through a ProgressCallback: `done`
// of `total` steps. The callback stops the work by throwing WorkCancelled; the
// engine's transactions roll back as the exception passes, so stopped work
// leaves the database as it was.
using ProgressCallback = std::function<void(int done, int total)>;

class WorkCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "work cancelled"; }
};

// Reports to `progress` when one is given.
inline void reportProgress(const ProgressCallback& progress, int done, int total)
{
    if (progress)
        progress(done, total);
}
