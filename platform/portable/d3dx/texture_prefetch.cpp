#include "platform/portable/d3dx/texture_prefetch.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "platform/portable/win32/file_bytes.h"
#include "platform/portable/win32/heap_policy.h"
#include "platform/portable/win32/load_scope.h"
#include "platform/portable/win32/path_open.h"

namespace portable {

namespace {
constexpr size_t kMaxJobs = 64;
constexpr unsigned kMaxWorkers = 4;
// Larger textures are left to their own load: a texture made ahead is held
// until it is taken, its batch's names are released, or the next model's
// textures are asked for.
constexpr uint64_t kMaxTextureBytes = uint64_t{64} << 20;

// What all jobs hold together, against kTexturePrefetchBudget.
std::atomic<uint64_t> g_budgetUsed{0};

// A share of the budget, given back when it goes.
struct BudgetShare {
    uint64_t bytes = 0;

    BudgetShare() = default;
    BudgetShare(const BudgetShare&) = delete;
    BudgetShare& operator=(const BudgetShare&) = delete;
    ~BudgetShare() { Release(); }

    // Adds `more` bytes to the share; false, and nothing added, past the budget.
    bool Grow(uint64_t more)
    {
        uint64_t used = g_budgetUsed.load();
        do {
            if (more > kTexturePrefetchBudget || used > kTexturePrefetchBudget - more) return false;
        } while (!g_budgetUsed.compare_exchange_weak(used, used + more));
        bytes += more;
        return true;
    }

    void Shrink(uint64_t less)
    {
        less = std::min(less, bytes);
        g_budgetUsed -= less;
        bytes -= less;
    }

    void Release() { Shrink(bytes); }
};

// What tells a file changed: its size and modification time.
struct FileStamp {
    off_t size = 0;
    timespec modified{};

    bool operator==(const FileStamp& other) const
    {
        return size == other.size && modified.tv_sec == other.modified.tv_sec
            && modified.tv_nsec == other.modified.tv_nsec;
    }
};

bool StampOf(const std::string& path, FileStamp& stamp)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    stamp.size = status.st_size;
    stamp.modified = status.st_mtim;
    return true;
}

struct Job {
    enum class State { waiting, running, done };
    std::string resolved; // the file it names
    uint64_t batch = 0;
    UINT maxSide = 0;
    State state = State::waiting;
    bool dropped = false; // forgotten while under way: let go once done
    // Set by whoever runs the job, read once it is done.
    bool made = false;
    FileStamp stamp;
    TextureData texture;
    D3DXIMAGE_INFO info{};
    BudgetShare share; // what the job holds
};

struct Prefetcher {
    std::mutex mutex;
    std::condition_variable changed;
    std::unordered_map<std::string, std::shared_ptr<Job>> jobs; // by resolved path
    std::deque<std::shared_ptr<Job>> waiting;
    bool workersStarted = false;
    bool enabled = true;
};

// The process's one prefetcher, never destroyed: workers may still run while the process exits.
Prefetcher& ProcessPrefetcher()
{
    static Prefetcher* prefetcher = new Prefetcher;
    return *prefetcher;
}

// The load D3DXCreateTextureFromFileEx makes with default arguments.
void MakeTexture(Job& job)
{
    try {
        FileStamp stamp;
        FileBytes bytes;
        // The file's bytes are held while it decodes.
        if (!StampOf(job.resolved, stamp) || stamp.size <= 0 || !job.share.Grow(static_cast<uint64_t>(stamp.size))
            || !ReadWholeFile(job.resolved.c_str(), bytes, static_cast<size_t>(stamp.size)) || bytes.empty()) {
            return;
        }
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
        ImageInfo file;
        if (FAILED(ReadImageInfo(data, bytes.size(), file))) return;
        const TextureShape shape = ShapeTexture(file, TextureRequest{}, job.maxSide);
        const uint64_t textureBytes = uint64_t{shape.width} * shape.height * 4 * 4 / 3;
        if (textureBytes > kMaxTextureBytes) return;
        // The texture, and the decoded image while it is scaled to the texture.
        const uint64_t decodedBytes =
            uint64_t{std::min(file.width, shape.width)} * std::min(file.height, shape.height) * 4;
        if (!job.share.Grow(textureBytes + decodedBytes)) return;
        TextureData texture;
        D3DXIMAGE_INFO info{};
        if (FAILED(LoadTextureData(data, bytes.size(), TextureRequest{}, job.maxSide, texture, info))) {
            return;
        }
        bytes.Clear();
        job.share.Shrink(job.share.bytes - textureBytes);
        job.texture = std::move(texture);
        job.info = info;
        job.stamp = stamp;
        job.made = true;
    } catch (...) {
        // Out of memory: the program's own load will say so.
    }
}

// Runs a job not yet started, with the lock released.
void RunJob(Prefetcher& prefetcher, const std::shared_ptr<Job>& job, std::unique_lock<std::mutex>& lock)
{
    const auto queued = std::find(prefetcher.waiting.begin(), prefetcher.waiting.end(), job);
    if (queued != prefetcher.waiting.end()) prefetcher.waiting.erase(queued);
    job->state = Job::State::running;
    lock.unlock();
    MakeTexture(*job);
    if (!job->made) job->share.Release();
    lock.lock();
    job->state = Job::State::done;
    if (job->dropped) {
        const auto entry = prefetcher.jobs.find(job->resolved);
        if (entry != prefetcher.jobs.end() && entry->second == job) prefetcher.jobs.erase(entry);
    }
    prefetcher.changed.notify_all();
}

// While waiting for another thread's job: makes the next waiting texture, or
// sleeps until a job ends when none is waiting.
void HelpOrWait(Prefetcher& prefetcher, std::unique_lock<std::mutex>& lock)
{
    if (prefetcher.waiting.empty()) {
        prefetcher.changed.wait(lock);
        return;
    }
    const std::shared_ptr<Job> next = prefetcher.waiting.front();
    RunJob(prefetcher, next, lock);
}

// A worker thread: runs the waiting jobs as they come, until the process ends.
void RunWorker()
{
    Prefetcher& prefetcher = ProcessPrefetcher();
    std::unique_lock<std::mutex> lock(prefetcher.mutex);
    while (true) {
        prefetcher.changed.wait(lock, [&] { return !prefetcher.waiting.empty(); });
        const std::shared_ptr<Job> job = prefetcher.waiting.front();
        RunJob(prefetcher, job, lock);
    }
}

void StartWorkers(Prefetcher& prefetcher)
{
    if (prefetcher.workersStarted) return;
    prefetcher.workersStarted = true;
    // The loading thread makes textures too while it waits for one.
    const unsigned cores = std::max(2u, std::thread::hardware_concurrency());
    const unsigned count = std::min(kMaxWorkers, cores - 1);
    KeepThreadsOnMainHeap();
    try {
        for (unsigned i = 0; i < count; ++i) std::thread(RunWorker).detach();
    } catch (...) {
        // Without workers each load makes its own texture.
    }
}

// Forgets the jobs `which` picks; one under way is let go when it ends.
template <typename Which>
void DropJobs(Prefetcher& prefetcher, Which which)
{
    std::erase_if(prefetcher.waiting, [&](const std::shared_ptr<Job>& job) { return which(*job); });
    std::erase_if(prefetcher.jobs, [&](const auto& entry) {
        Job& job = *entry.second;
        if (!which(job)) return false;
        job.dropped = true;
        return job.state != Job::State::running;
    });
}

// Forgets what earlier models' textures nobody took.
void DropEarlierJobs(Prefetcher& prefetcher)
{
    DropJobs(prefetcher, [](const Job&) { return true; });
}
} // namespace

uint64_t PrefetchTextures(const std::vector<std::wstring>& paths, UINT maxSide) noexcept
{
    if (paths.empty()) return 0;
    // The batch is the load: its texture loads follow, and its names' release ends it.
    const uint64_t batch = OpenLoad();
    try {
        // Names are resolved before the lock is taken: other loads do not wait on them.
        std::vector<std::string> resolved;
        for (const std::wstring& path : paths) {
            if (resolved.size() >= kMaxJobs) break;
            std::string file = ResolvePath(path);
            if (!file.empty()) resolved.push_back(std::move(file));
        }
        Prefetcher& prefetcher = ProcessPrefetcher();
        std::unique_lock<std::mutex> lock(prefetcher.mutex);
        DropEarlierJobs(prefetcher);
        if (!prefetcher.enabled || resolved.empty()) return batch;
        StartWorkers(prefetcher);
        for (std::string& file : resolved) {
            const auto running = prefetcher.jobs.find(file);
            if (running != prefetcher.jobs.end()) {
                // Still under way from an earlier batch: this one takes it over.
                running->second->batch = batch;
                running->second->dropped = false;
                continue;
            }
            auto job = std::make_shared<Job>();
            job->resolved = file;
            job->batch = batch;
            job->maxSide = maxSide;
            prefetcher.jobs.emplace(std::move(file), job);
            prefetcher.waiting.push_back(std::move(job));
        }
        prefetcher.changed.notify_all();
        return batch;
    } catch (...) {
        // Out of memory: each texture is made by its own load.
        return batch;
    }
}

void DropTexturesMadeAhead(uint64_t batch) noexcept
{
    if (batch == 0) return;
    CloseLoad(batch);
    try {
        Prefetcher& prefetcher = ProcessPrefetcher();
        std::unique_lock<std::mutex> lock(prefetcher.mutex);
        DropJobs(prefetcher, [batch](const Job& job) { return job.batch == batch; });
    } catch (...) {
        // Only a lock that cannot be taken; the next model's load drops them all.
    }
}

size_t WaitForTexturesMadeAhead()
{
    Prefetcher& prefetcher = ProcessPrefetcher();
    std::unique_lock<std::mutex> lock(prefetcher.mutex);
    const auto busy = [&] {
        return std::any_of(prefetcher.jobs.begin(), prefetcher.jobs.end(),
                           [](const auto& entry) { return entry.second->state != Job::State::done; });
    };
    while (busy()) HelpOrWait(prefetcher, lock);
    return static_cast<size_t>(std::count_if(prefetcher.jobs.begin(), prefetcher.jobs.end(),
                                             [](const auto& entry) { return entry.second->made; }));
}

void EnableTexturePrefetch(bool enabled)
{
    Prefetcher& prefetcher = ProcessPrefetcher();
    std::unique_lock<std::mutex> lock(prefetcher.mutex);
    prefetcher.enabled = enabled;
    if (!enabled) DropEarlierJobs(prefetcher);
}

bool TakePrefetchedTexture(const std::string& resolved, const TextureRequest& request, UINT maxSide,
                           TextureData& texture, D3DXIMAGE_INFO& info)
{
    const TextureRequest made{};
    if (request.width != made.width || request.height != made.height || request.mipLevels != made.mipLevels
        || request.format != made.format || request.colorKey != made.colorKey
        || request.skipLevels != made.skipLevels) {
        return false;
    }
    Prefetcher& prefetcher = ProcessPrefetcher();
    std::unique_lock<std::mutex> lock(prefetcher.mutex);
    const auto found = prefetcher.jobs.find(resolved);
    if (found == prefetcher.jobs.end() || found->second->maxSide != maxSide) return false;
    const std::shared_ptr<Job> job = found->second;
    prefetcher.jobs.erase(found);
    while (job->state != Job::State::done) {
        if (job->state == Job::State::waiting) {
            RunJob(prefetcher, job, lock);
        } else {
            HelpOrWait(prefetcher, lock);
        }
    }
    lock.unlock();
    // Another batch may have dropped it meanwhile; what was made is still good.
    FileStamp now;
    if (!job->made || !StampOf(resolved, now) || !(now == job->stamp)) return false;
    texture = std::move(job->texture);
    info = job->info;
    return true;
}

} // namespace portable
