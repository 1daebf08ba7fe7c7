#include "platform/portable/d3dx/texture_prefetch.h"

#include <sys/stat.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "platform/portable/win32/file_bytes.h"
#include "platform/portable/win32/path_open.h"

namespace portable {

namespace {
constexpr size_t kMaxJobs = 64;
constexpr unsigned kMaxWorkers = 4;
// Larger textures are left to their own load: a texture made ahead is held
// until it is taken or the next model's textures are asked for.
constexpr uint64_t kMaxTextureBytes = uint64_t{64} << 20;

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
    std::wstring path;     // as the program names it
    std::string resolved;  // the file it names
    UINT maxSide = 0;
    State state = State::waiting;
    // Set by whoever runs the job, read once it is done.
    bool made = false;
    FileStamp stamp;
    TextureData texture;
    D3DXIMAGE_INFO info{};
};

struct Prefetcher {
    std::mutex mutex;
    std::condition_variable changed;
    std::unordered_map<std::string, std::shared_ptr<Job>> jobs;  // by resolved path
    std::deque<std::shared_ptr<Job>> waiting;
    bool workersStarted = false;
    bool enabled = true;
};

// Never destroyed: workers may still run while the process exits.
Prefetcher& Shared()
{
    static Prefetcher* prefetcher = new Prefetcher;
    return *prefetcher;
}

// The load D3DXCreateTextureFromFileEx makes with default arguments.
void Make(Job& job)
{
    try {
        FileStamp stamp;
        FileBytes bytes;
        if (!StampOf(job.resolved, stamp) || !ReadWholeFile(job.path, bytes) || bytes.empty()) return;
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
        ImageInfo file;
        if (FAILED(ReadImageInfo(data, bytes.size(), file))) return;
        const TextureShape shape = ShapeTexture(file, TextureRequest{}, job.maxSide);
        if (uint64_t{shape.width} * shape.height * 4 * 4 / 3 > kMaxTextureBytes) return;
        TextureData texture;
        D3DXIMAGE_INFO info{};
        if (FAILED(LoadTextureData(data, bytes.size(), TextureRequest{}, job.maxSide, texture, info))) {
            return;
        }
        job.texture = std::move(texture);
        job.info = info;
        job.stamp = stamp;
        job.made = true;
    } catch (...) {
        // Out of memory: the program's own load will say so.
    }
}

// Runs a job not yet started, with the lock released.
void Run(Prefetcher& shared, const std::shared_ptr<Job>& job, std::unique_lock<std::mutex>& lock)
{
    const auto queued = std::find(shared.waiting.begin(), shared.waiting.end(), job);
    if (queued != shared.waiting.end()) shared.waiting.erase(queued);
    job->state = Job::State::running;
    lock.unlock();
    Make(*job);
    lock.lock();
    job->state = Job::State::done;
    shared.changed.notify_all();
}

// While waiting for another thread's job: makes the next waiting texture, or
// sleeps until a job ends when none is waiting.
void HelpOrWait(Prefetcher& shared, std::unique_lock<std::mutex>& lock)
{
    if (shared.waiting.empty()) {
        shared.changed.wait(lock);
        return;
    }
    const std::shared_ptr<Job> next = shared.waiting.front();
    Run(shared, next, lock);
}

void Work()
{
    Prefetcher& shared = Shared();
    std::unique_lock<std::mutex> lock(shared.mutex);
    while (true) {
        shared.changed.wait(lock, [&] { return !shared.waiting.empty(); });
        const std::shared_ptr<Job> job = shared.waiting.front();
        Run(shared, job, lock);
    }
}

void StartWorkers(Prefetcher& shared)
{
    if (shared.workersStarted) return;
    shared.workersStarted = true;
    // The loading thread makes textures too while it waits for one.
    const unsigned cores = std::max(2u, std::thread::hardware_concurrency());
    const unsigned count = std::min(kMaxWorkers, cores - 1);
    try {
        for (unsigned i = 0; i < count; ++i) std::thread(Work).detach();
    } catch (...) {
        // Without workers each load makes its own texture.
    }
}

// Forgets what earlier models' textures nobody took; one under way is
// forgotten by whoever finishes it.
void DropEarlierJobs(Prefetcher& shared)
{
    shared.waiting.clear();
    std::erase_if(shared.jobs, [](const auto& entry) { return entry.second->state != Job::State::running; });
}
} // namespace

void PrefetchTextures(const std::vector<std::wstring>& paths, UINT maxSide) noexcept
{
    try {
        Prefetcher& shared = Shared();
        std::unique_lock<std::mutex> lock(shared.mutex);
        DropEarlierJobs(shared);
        if (!shared.enabled) return;
        StartWorkers(shared);
        for (const std::wstring& path : paths) {
            if (shared.jobs.size() >= kMaxJobs) break;
            std::string resolved = ResolvePath(path);
            if (resolved.empty() || shared.jobs.count(resolved) != 0) continue;
            auto job = std::make_shared<Job>();
            job->path = path;
            job->resolved = resolved;
            job->maxSide = maxSide;
            shared.jobs.emplace(std::move(resolved), job);
            shared.waiting.push_back(std::move(job));
        }
        shared.changed.notify_all();
    } catch (...) {
        // Out of memory: each texture is made by its own load.
    }
}

size_t WaitForTexturesMadeAhead()
{
    Prefetcher& shared = Shared();
    std::unique_lock<std::mutex> lock(shared.mutex);
    const auto busy = [&] {
        return std::any_of(shared.jobs.begin(), shared.jobs.end(),
                           [](const auto& entry) { return entry.second->state != Job::State::done; });
    };
    while (busy()) HelpOrWait(shared, lock);
    return static_cast<size_t>(std::count_if(shared.jobs.begin(), shared.jobs.end(),
                                             [](const auto& entry) { return entry.second->made; }));
}

void EnableTexturePrefetch(bool enabled)
{
    Prefetcher& shared = Shared();
    std::unique_lock<std::mutex> lock(shared.mutex);
    shared.enabled = enabled;
    if (!enabled) DropEarlierJobs(shared);
}

bool TakePrefetchedTexture(std::wstring_view path, const TextureRequest& request, UINT maxSide,
                           TextureData& texture, D3DXIMAGE_INFO& info)
{
    const TextureRequest made{};
    if (request.width != made.width || request.height != made.height || request.mipLevels != made.mipLevels
        || request.format != made.format || request.colorKey != made.colorKey) {
        return false;
    }
    const std::string resolved = ResolvePath(path);
    Prefetcher& shared = Shared();
    std::unique_lock<std::mutex> lock(shared.mutex);
    const auto found = shared.jobs.find(resolved);
    if (found == shared.jobs.end() || found->second->maxSide != maxSide) return false;
    const std::shared_ptr<Job> job = found->second;
    shared.jobs.erase(found);
    while (job->state != Job::State::done) {
        if (job->state == Job::State::waiting) {
            Run(shared, job, lock);
        } else {
            HelpOrWait(shared, lock);
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
