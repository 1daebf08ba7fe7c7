// Preloaded into a native program (LD_PRELOAD) for anon_breakdown: notes who
// holds memory, and on SIGUSR2 writes it to the file HEAP_REPORT_FILE names:
// - every thread: its id, who made it (the first caller of pthread_create
//   outside the C and C++ libraries), an address on its stack, and the glibc
//   arena its last block came from (the main arena or the 64 MiB-aligned
//   heap of a thread arena);
// - the live heap blocks by allocating module and arena kind (count, bytes);
// - every live heap block of 64 KiB or more: address, size, allocating thread
//   and the calling module and offset;
// - every live anonymous mmap made outside the C library: the same;
// - the arenas in the order malloc_info lists them (when HEAP_REPORT_ARENA_NEXT
//   gives the offset of `next` in glibc's malloc_state), and malloc_info itself;
// - this library's own tables and thread, so that they can be left out.
// operator new and delete are taken here too, so that a C++ caller is named,
// not libstdc++. Every allocation still goes to the C library's allocator,
// unchanged. A thread of this library waits for the signal and writes the
// report; it allocates nothing, so it has no arena, and the report's FILE and
// buffer are made before the program starts.
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <dlfcn.h>
#include <execinfo.h>
#include <malloc.h>
#include <pthread.h>
#include <semaphore.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace {
constexpr size_t kLargeBytes = size_t{64} << 10;
// glibc's thread arenas grow in heaps of this size, aligned to it.
constexpr uintptr_t kArenaHeapBytes = uintptr_t{64} << 20;
constexpr size_t kMaxThreads = 512;
constexpr size_t kMaxLarge = 16384;
constexpr size_t kMaxMappings = 4096;
constexpr size_t kMaxModules = 512;
constexpr size_t kLiveSlots = size_t{1} << 20; // a power of two
constexpr size_t kCallerCacheSlots = 8192;

using ThreadStart = void* (*)(void*);
using PthreadCreate = int (*)(pthread_t*, const pthread_attr_t*, ThreadStart, void*);

struct ThreadRecord {
    std::atomic<pid_t> tid{0};
    std::atomic<uintptr_t> arenaHeap{1}; // 0: the main arena; 1: none seen yet
    uintptr_t stackAddress = 0;
    void* creator = nullptr;
    ThreadStart start = nullptr;
    void* argument = nullptr;
};

// A large heap block or an anonymous mapping; address 0 marks a free entry.
struct Holding {
    uintptr_t address;
    size_t size;
    void* caller;
    pid_t tid;
    int protection;
};

// One live heap block: open addressing with linear probing, 0 = empty.
struct LiveBlock {
    uintptr_t address;
    uint32_t size;
    uint16_t module;
};

ThreadRecord g_threads[kMaxThreads];
std::atomic<size_t> g_threadCount{0};
Holding g_large[kMaxLarge];
Holding g_mappings[kMaxMappings];
size_t g_largeEnd = 0; // entries in use lie below
size_t g_mappingEnd = 0;
size_t g_dropped = 0;
LiveBlock g_live[kLiveSlots];
size_t g_liveCount = 0;
// Modules by load address; index 0 stands for an unknown caller.
uintptr_t g_moduleBases[kMaxModules];
const char* g_moduleNames[kMaxModules];
std::atomic<size_t> g_moduleCount{1};
// Callers seen, as (address << 16 | module): one word, read and written whole.
std::atomic<uint64_t> g_callerCache[kCallerCacheSlots];
std::atomic_flag g_lock = ATOMIC_FLAG_INIT;
std::atomic_flag g_moduleLock = ATOMIC_FLAG_INIT;

// The report's working room, filled under the lock.
Holding g_snapshot[kMaxLarge > kMaxMappings ? kMaxLarge : kMaxMappings];
uint64_t g_moduleBytes[kMaxModules][2];
uint64_t g_moduleBlocks[kMaxModules][2];
char g_outputBuffer[1 << 16];
FILE* g_output = nullptr;
sem_t g_request;
pid_t g_reporterTid = 0;
uintptr_t g_reporterStack = 0;

// Initial-exec: the first use in a thread allocates nothing.
__attribute__((tls_model("initial-exec"))) thread_local ThreadRecord* t_record = nullptr;

struct SpinLock {
    explicit SpinLock(std::atomic_flag& flag) : held(flag)
    {
        while (held.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~SpinLock() { held.clear(std::memory_order_release); }
    SpinLock(const SpinLock&) = delete;
    SpinLock& operator=(const SpinLock&) = delete;
    std::atomic_flag& held;
};

pid_t CurrentTid() { return static_cast<pid_t>(syscall(SYS_gettid)); }

ThreadRecord* NewThreadRecord()
{
    const size_t index = g_threadCount.fetch_add(1);
    return index < kMaxThreads ? &g_threads[index] : nullptr;
}

size_t ThreadRecordCount()
{
    const size_t count = g_threadCount.load();
    return count < kMaxThreads ? count : kMaxThreads;
}

// The module a caller lies in. dladdr takes the loader's lock, and the loader
// allocates while it holds it, so no lock of this library is held meanwhile.
uint16_t ModuleIndex(void* caller)
{
    const auto address = reinterpret_cast<uintptr_t>(caller);
    std::atomic<uint64_t>& cached = g_callerCache[(address >> 2) % kCallerCacheSlots];
    const uint64_t seen = cached.load(std::memory_order_relaxed);
    if (seen != 0 && seen >> 16 == address) return static_cast<uint16_t>(seen & 0xffff);
    Dl_info info{};
    if (caller == nullptr || dladdr(caller, &info) == 0) return 0;
    const auto base = reinterpret_cast<uintptr_t>(info.dli_fbase);
    uint16_t index = 0;
    {
        SpinLock lock(g_moduleLock);
        const size_t count = g_moduleCount.load();
        for (size_t i = 1; i < count && index == 0; ++i) {
            if (g_moduleBases[i] == base) index = static_cast<uint16_t>(i);
        }
        if (index == 0 && count < kMaxModules) {
            g_moduleBases[count] = base;
            g_moduleNames[count] =
                info.dli_fname != nullptr && info.dli_fname[0] != '\0' ? info.dli_fname : "(program)";
            g_moduleCount.store(count + 1);
            index = static_cast<uint16_t>(count);
        }
    }
    cached.store(uint64_t{address} << 16 | index, std::memory_order_relaxed);
    return index;
}

size_t Slot(uintptr_t address)
{
    return static_cast<size_t>((address >> 4) * 0x9E3779B97F4A7C15ull >> 40) & (kLiveSlots - 1);
}

void AddLive(uintptr_t address, size_t size, uint16_t module)
{
    if (g_liveCount >= kLiveSlots - kLiveSlots / 8) {
        ++g_dropped;
        return;
    }
    size_t slot = Slot(address);
    while (g_live[slot].address != 0 && g_live[slot].address != address) slot = (slot + 1) & (kLiveSlots - 1);
    if (g_live[slot].address == 0) ++g_liveCount;
    g_live[slot] = LiveBlock{address, size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size), module};
}

// Backward-shift deletion keeps every probe run unbroken.
void RemoveLive(uintptr_t address)
{
    size_t slot = Slot(address);
    while (g_live[slot].address != address) {
        if (g_live[slot].address == 0) return;
        slot = (slot + 1) & (kLiveSlots - 1);
    }
    --g_liveCount;
    size_t hole = slot;
    for (size_t next = (hole + 1) & (kLiveSlots - 1); g_live[next].address != 0; next = (next + 1) & (kLiveSlots - 1)) {
        const size_t home = Slot(g_live[next].address);
        // Move it back unless its home lies cyclically in (hole, next].
        const bool stays = hole <= next ? (home > hole && home <= next) : (home > hole || home <= next);
        if (!stays) {
            g_live[hole] = g_live[next];
            hole = next;
        }
    }
    g_live[hole] = LiveBlock{};
}

void AddHolding(Holding* table, size_t capacity, size_t& end, const Holding& holding)
{
    for (size_t i = 0; i < end; ++i) {
        if (table[i].address == 0) {
            table[i] = holding;
            return;
        }
    }
    if (end < capacity) {
        table[end++] = holding;
    } else {
        ++g_dropped;
    }
}

void RemoveLarge(uintptr_t address)
{
    for (size_t i = 0; i < g_largeEnd; ++i) {
        if (g_large[i].address == address) {
            g_large[i].address = 0;
            return;
        }
    }
}

// Which arena a block just handed out came from: its chunk header tells a
// direct mmap (bit 1) and a thread arena (bit 2), whose heap it lies in.
void NoteArena(void* block)
{
    ThreadRecord* record = t_record;
    if (record == nullptr) {
        record = NewThreadRecord();
        if (record == nullptr) return;
        int onStack = 0;
        record->stackAddress = reinterpret_cast<uintptr_t>(&onStack);
        record->tid.store(CurrentTid());
        t_record = record;
    }
    const size_t header = reinterpret_cast<const size_t*>(block)[-1];
    if (header & 2) return;
    record->arenaHeap.store((header & 4) ? reinterpret_cast<uintptr_t>(block) & ~(kArenaHeapBytes - 1) : 0);
}

void* Allocated(void* block, size_t size, void* caller)
{
    if (block == nullptr) return block;
    NoteArena(block);
    const uint16_t module = ModuleIndex(caller);
    const auto address = reinterpret_cast<uintptr_t>(block);
    SpinLock lock(g_lock);
    AddLive(address, size, module);
    if (size >= kLargeBytes) {
        AddHolding(g_large, kMaxLarge, g_largeEnd,
                   Holding{address, size, caller, t_record != nullptr ? t_record->tid.load() : 0, 0});
    }
    return block;
}

void Released(void* block)
{
    if (block == nullptr) return;
    const auto address = reinterpret_cast<uintptr_t>(block);
    const bool large = malloc_usable_size(block) >= kLargeBytes;
    SpinLock lock(g_lock);
    RemoveLive(address);
    if (large) RemoveLarge(address);
}

void* Reallocated(void* block, size_t size, void* caller)
{
    if (block == nullptr) return Allocated(__libc_malloc(size), size, caller);
    Released(block);
    void* moved = __libc_realloc(block, size);
    if (moved == nullptr) {
        // A failed realloc keeps the block; a realloc to 0 freed it.
        if (size != 0) Allocated(block, malloc_usable_size(block), caller);
        return nullptr;
    }
    return Allocated(moved, size, caller);
}

void* Aligned(size_t alignment, size_t size, void* caller)
{
    return Allocated(__libc_memalign(alignment, size), size, caller);
}

// Mappings: a region unmapped in part keeps the rest of its entry.
void Unmapped(uintptr_t begin, size_t length)
{
    const uintptr_t end = begin + length;
    SpinLock lock(g_lock);
    for (size_t i = 0; i < g_mappingEnd; ++i) {
        Holding& mapping = g_mappings[i];
        if (mapping.address == 0) continue;
        const uintptr_t mappingEnd = mapping.address + mapping.size;
        if (end <= mapping.address || begin >= mappingEnd) continue;
        if (begin <= mapping.address && end >= mappingEnd) {
            mapping.address = 0;
        } else if (begin <= mapping.address) {
            mapping.size = mappingEnd - end;
            mapping.address = end;
        } else {
            mapping.size = begin - mapping.address;
        }
    }
}

const char* ModuleOf(void* address, uintptr_t& offset)
{
    Dl_info info{};
    offset = reinterpret_cast<uintptr_t>(address);
    if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fname == nullptr) return "?";
    offset -= reinterpret_cast<uintptr_t>(info.dli_fbase);
    return info.dli_fname[0] != '\0' ? info.dli_fname : "(program)";
}

bool IsRuntimeLibrary(const char* module)
{
    return std::strstr(module, "/libc.so") != nullptr || std::strstr(module, "/libstdc++.so") != nullptr
        || std::strstr(module, "/libpthread.so") != nullptr || std::strstr(module, "heap_report") != nullptr;
}

// Who asks for a thread: the first caller outside the C and C++ libraries
// (std::thread is libstdc++'s; whoever made the std::thread is named).
void* Creator()
{
    void* frames[8];
    const int count = backtrace(frames, 8);
    for (int i = 1; i < count; ++i) {
        uintptr_t offset = 0;
        if (!IsRuntimeLibrary(ModuleOf(frames[i], offset))) return frames[i];
    }
    return count > 1 ? frames[1] : nullptr;
}

PthreadCreate RealPthreadCreate()
{
    static const auto real = reinterpret_cast<PthreadCreate>(dlsym(RTLD_NEXT, "pthread_create"));
    return real;
}

void* StartThread(void* argument)
{
    auto* record = static_cast<ThreadRecord*>(argument);
    int onStack = 0;
    record->stackAddress = reinterpret_cast<uintptr_t>(&onStack);
    record->tid.store(CurrentTid());
    t_record = record;
    return record->start(record->argument);
}

size_t Snapshot(const Holding* table, size_t end)
{
    SpinLock lock(g_lock);
    size_t count = 0;
    for (size_t i = 0; i < end; ++i) {
        if (table[i].address != 0) g_snapshot[count++] = table[i];
    }
    return count;
}

void WriteHoldings(const char* kind, const Holding* table, size_t end)
{
    const size_t count = Snapshot(table, end);
    for (size_t i = 0; i < count; ++i) {
        const Holding& holding = g_snapshot[i];
        uintptr_t offset = 0;
        const char* module = ModuleOf(holding.caller, offset);
        std::fprintf(g_output, "%s %#lx %zu %d %d %s %#lx\n", kind, static_cast<unsigned long>(holding.address),
                     holding.size, static_cast<int>(holding.tid), holding.protection, module,
                     static_cast<unsigned long>(offset));
    }
}

// Live blocks by module, in the main arena and in thread arenas (direct mmaps
// count with the arena that would have held them: the main one).
void WriteModules()
{
    std::memset(g_moduleBytes, 0, sizeof g_moduleBytes);
    std::memset(g_moduleBlocks, 0, sizeof g_moduleBlocks);
    {
        SpinLock lock(g_lock);
        for (const LiveBlock& block : g_live) {
            if (block.address == 0) continue;
            const size_t header = reinterpret_cast<const size_t*>(block.address)[-1];
            const int threadArena = (header & 2) == 0 && (header & 4) != 0 ? 1 : 0;
            g_moduleBytes[block.module][threadArena] += block.size;
            ++g_moduleBlocks[block.module][threadArena];
        }
    }
    const size_t count = g_moduleCount.load();
    for (size_t i = 0; i < count; ++i) {
        if (g_moduleBlocks[i][0] + g_moduleBlocks[i][1] == 0) continue;
        std::fprintf(g_output, "module %s %llu %llu %llu %llu\n", i == 0 ? "?" : g_moduleNames[i],
                     static_cast<unsigned long long>(g_moduleBlocks[i][0]),
                     static_cast<unsigned long long>(g_moduleBytes[i][0]),
                     static_cast<unsigned long long>(g_moduleBlocks[i][1]),
                     static_cast<unsigned long long>(g_moduleBytes[i][1]));
    }
}

// The arenas from the main one on, following `next` as malloc_info does. The
// list is entered through a thread arena (heap_info starts with its arena);
// the main arena is the one inside the C library's data.
void WriteArenas()
{
    const char* offsetText = std::getenv("HEAP_REPORT_ARENA_NEXT");
    if (offsetText == nullptr || *offsetText == '\0') return;
    const size_t nextOffset = std::strtoul(offsetText, nullptr, 0);
    uintptr_t start = 0;
    for (size_t i = 0; i < ThreadRecordCount() && start == 0; ++i) {
        const uintptr_t heap = g_threads[i].arenaHeap.load();
        if (heap > 1) start = *reinterpret_cast<const uintptr_t*>(heap);
    }
    if (start == 0) return;
    const auto next = [&](uintptr_t arena) { return *reinterpret_cast<const uintptr_t*>(arena + nextOffset); };
    const auto inLibrary = [](uintptr_t arena) {
        Dl_info info{};
        return dladdr(reinterpret_cast<void*>(arena), &info) != 0 && info.dli_fname != nullptr;
    };
    uintptr_t mainArena = 0, arena = start;
    for (int step = 0; step < 256 && mainArena == 0; ++step, arena = next(arena)) {
        if (inLibrary(arena)) mainArena = arena;
        if (step > 0 && arena == start) break;
    }
    if (mainArena == 0) return;
    arena = mainArena;
    for (int number = 0; number < 256; ++number) {
        std::fprintf(g_output, "arena %d %#lx\n", number, static_cast<unsigned long>(arena));
        arena = next(arena);
        if (arena == mainArena) break;
    }
}

void WriteRange(const void* begin, const void* end)
{
    std::fprintf(g_output, "tool %#lx %#lx\n", reinterpret_cast<unsigned long>(begin),
                 reinterpret_cast<unsigned long>(end));
}

void WriteReport()
{
    std::fprintf(g_output, "pid %d\n", static_cast<int>(getpid()));
    WriteRange(&g_threads[0], &g_threads[kMaxThreads]);
    WriteRange(&g_large[0], &g_large[kMaxLarge]);
    WriteRange(&g_mappings[0], &g_mappings[kMaxMappings]);
    WriteRange(&g_live[0], &g_live[kLiveSlots]);
    WriteRange(&g_callerCache[0], &g_callerCache[kCallerCacheSlots]);
    WriteRange(&g_snapshot[0], &g_snapshot[sizeof g_snapshot / sizeof g_snapshot[0]]);
    WriteRange(&g_outputBuffer[0], &g_outputBuffer[sizeof g_outputBuffer]);
    std::fprintf(g_output, "tool-thread %d %#lx\n", static_cast<int>(g_reporterTid),
                 static_cast<unsigned long>(g_reporterStack));
    for (size_t i = 0; i < ThreadRecordCount(); ++i) {
        const ThreadRecord& thread = g_threads[i];
        const uintptr_t heap = thread.arenaHeap.load();
        uintptr_t offset = 0;
        const char* module = thread.creator != nullptr ? ModuleOf(thread.creator, offset) : "-";
        std::fprintf(g_output, "thread %d %s %#lx %#lx %s %#lx\n", static_cast<int>(thread.tid.load()),
                     heap == 1       ? "none"
                         : heap == 0 ? "main"
                                     : "heap",
                     static_cast<unsigned long>(heap), static_cast<unsigned long>(thread.stackAddress), module,
                     static_cast<unsigned long>(offset));
    }
    WriteModules();
    WriteHoldings("block", g_large, g_largeEnd);
    WriteHoldings("mmap", g_mappings, g_mappingEnd);
    if (g_dropped != 0) std::fprintf(g_output, "dropped %zu\n", g_dropped);
    WriteArenas();
    std::fprintf(g_output, "malloc_info\n");
    malloc_info(0, g_output);
    std::fprintf(g_output, "\ndone\n");
    std::fflush(g_output);
}

void* Report(void*)
{
    int onStack = 0;
    g_reporterStack = reinterpret_cast<uintptr_t>(&onStack);
    g_reporterTid = CurrentTid();
    while (true) {
        while (sem_wait(&g_request) != 0 && errno == EINTR) {
        }
        std::rewind(g_output);
        if (ftruncate(fileno(g_output), 0) != 0) continue;
        WriteReport();
    }
    return nullptr;
}

void OnSignal(int) { sem_post(&g_request); }

__attribute__((constructor)) void Start()
{
    const char* path = std::getenv("HEAP_REPORT_FILE");
    if (path == nullptr) return;
    g_output = std::fopen(path, "w");
    if (g_output == nullptr) return;
    std::setvbuf(g_output, g_outputBuffer, _IOFBF, sizeof g_outputBuffer);
    sem_init(&g_request, 0, 0);
    // backtrace loads its unwinder on first use: not in the middle of a thread's start.
    void* frames[2];
    backtrace(frames, 2);
    // The reporting thread takes no signals; the handler runs on another thread.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, size_t{256} << 10);
    pthread_t reporter;
    RealPthreadCreate()(&reporter, &attributes, Report, nullptr);
    pthread_attr_destroy(&attributes);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESTART;
    sigaction(SIGUSR2, &action, nullptr);
}
} // namespace

extern "C" {
void* malloc(size_t size) { return Allocated(__libc_malloc(size), size, __builtin_return_address(0)); }

void* calloc(size_t count, size_t size)
{
    return Allocated(__libc_calloc(count, size), count * size, __builtin_return_address(0));
}

void* realloc(void* block, size_t size) { return Reallocated(block, size, __builtin_return_address(0)); }

void* reallocarray(void* block, size_t count, size_t size)
{
    size_t bytes = 0;
    if (__builtin_mul_overflow(count, size, &bytes)) {
        errno = ENOMEM;
        return nullptr;
    }
    return Reallocated(block, bytes, __builtin_return_address(0));
}

void free(void* block)
{
    Released(block);
    __libc_free(block);
}

void* memalign(size_t alignment, size_t size) { return Aligned(alignment, size, __builtin_return_address(0)); }

void* aligned_alloc(size_t alignment, size_t size) { return Aligned(alignment, size, __builtin_return_address(0)); }

int posix_memalign(void** out, size_t alignment, size_t size)
{
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
    void* block = Aligned(alignment, size, __builtin_return_address(0));
    if (block == nullptr) return ENOMEM;
    *out = block;
    return 0;
}

void* valloc(size_t size)
{
    return Aligned(static_cast<size_t>(sysconf(_SC_PAGESIZE)), size, __builtin_return_address(0));
}

void* mmap(void* address, size_t length, int protection, int flags, int file, off_t offset)
{
    void* mapped = reinterpret_cast<void*>(syscall(SYS_mmap, address, length, protection, flags, file, offset));
    if (mapped != MAP_FAILED && (flags & MAP_ANONYMOUS) && !(flags & MAP_SHARED)) {
        if (flags & MAP_FIXED) Unmapped(reinterpret_cast<uintptr_t>(mapped), length);
        const Holding holding{reinterpret_cast<uintptr_t>(mapped), length, __builtin_return_address(0), CurrentTid(),
                              protection};
        SpinLock lock(g_lock);
        AddHolding(g_mappings, kMaxMappings, g_mappingEnd, holding);
    }
    return mapped;
}

void* mmap64(void* address, size_t length, int protection, int flags, int file, off_t offset)
    __attribute__((alias("mmap")));

int munmap(void* address, size_t length)
{
    const int result = static_cast<int>(syscall(SYS_munmap, address, length));
    if (result == 0) Unmapped(reinterpret_cast<uintptr_t>(address), length);
    return result;
}

int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, ThreadStart start, void* argument)
{
    ThreadRecord* record = NewThreadRecord();
    if (record == nullptr) return RealPthreadCreate()(thread, attributes, start, argument);
    record->creator = Creator();
    record->start = start;
    record->argument = argument;
    return RealPthreadCreate()(thread, attributes, StartThread, record);
}
}

void* operator new(size_t size)
{
    void* block = Allocated(__libc_malloc(size), size, __builtin_return_address(0));
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void* operator new[](size_t size)
{
    void* block = Allocated(__libc_malloc(size), size, __builtin_return_address(0));
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return Allocated(__libc_malloc(size), size, __builtin_return_address(0));
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return Allocated(__libc_malloc(size), size, __builtin_return_address(0));
}

void* operator new(size_t size, std::align_val_t alignment)
{
    void* block = Aligned(static_cast<size_t>(alignment), size, __builtin_return_address(0));
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void* operator new[](size_t size, std::align_val_t alignment)
{
    void* block = Aligned(static_cast<size_t>(alignment), size, __builtin_return_address(0));
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void operator delete(void* block) noexcept { free(block); }

void operator delete[](void* block) noexcept { free(block); }

void operator delete(void* block, size_t) noexcept { free(block); }

void operator delete[](void* block, size_t) noexcept { free(block); }

void operator delete(void* block, std::align_val_t) noexcept { free(block); }

void operator delete[](void* block, std::align_val_t) noexcept { free(block); }

void operator delete(void* block, size_t, std::align_val_t) noexcept { free(block); }

void operator delete[](void* block, size_t, std::align_val_t) noexcept { free(block); }
