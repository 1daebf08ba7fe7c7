#include "platform/portable/d3d9/gl/raster_threads.h"

#include <dirent.h>
#include <sched.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace portable {

namespace {
constexpr char kRasterPrefix[] = "llvmpipe-";

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

} // namespace

int RasterThreadIndex(const char* threadName)
{
    const size_t prefix = sizeof kRasterPrefix - 1;
    if (std::strncmp(threadName, kRasterPrefix, prefix) != 0) return -1;
    const char* digits = threadName + prefix;
    if (*digits < '0' || *digits > '9') return -1;
    char* end = nullptr;
    const long index = std::strtol(digits, &end, 10);
    return *end == '\0' && index <= 4096 ? static_cast<int>(index) : -1;
}

std::vector<RasterThread> RasterThreads()
{
    std::vector<RasterThread> threads;
    const std::unique_ptr<DIR, DirCloser> tasks(opendir("/proc/self/task"));
    if (tasks == nullptr) return threads;
    while (const dirent* entry = readdir(tasks.get())) {
        char* end = nullptr;
        const long tid = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0') continue;
        char path[64];
        std::snprintf(path, sizeof path, "/proc/self/task/%ld/comm", tid);
        const std::unique_ptr<FILE, FileCloser> comm(std::fopen(path, "r"));
        if (comm == nullptr) continue; // the thread has ended
        char name[32] = {};
        if (std::fgets(name, sizeof name, comm.get()) == nullptr) continue;
        name[std::strcspn(name, "\n")] = '\0';
        const int index = RasterThreadIndex(name);
        if (index >= 0) threads.push_back(RasterThread{static_cast<pid_t>(tid), index});
    }
    return threads;
}

std::vector<int> UsableProcessors()
{
    std::vector<int> processors;
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0) return processors;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &set)) processors.push_back(cpu);
    }
    return processors;
}

void SpreadRasterThreads()
{
    std::vector<RasterThread> threads;
    std::vector<int> processors;
    try {
        threads = RasterThreads();
        processors = UsableProcessors();
    } catch (const std::bad_alloc&) {
        return; // the threads stay where the scheduler puts them
    }
    for (const RasterThread& thread : threads) {
        // More threads than processors (LP_NUM_THREADS set high): left to the scheduler.
        if (static_cast<size_t>(thread.index) >= processors.size()) return;
    }
    for (const RasterThread& thread : threads) {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(processors[static_cast<size_t>(thread.index)], &one);
        sched_setaffinity(thread.tid, sizeof one, &one);
    }
}

} // namespace portable
