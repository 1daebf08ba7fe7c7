// The anonymous resident memory of a running process by owner, for
// side_by_side.sh. Every resident anonymous page (present in
// /proc/PID/pagemap and anonymous in /proc/kpageflags, so the shared zero
// page is not counted, as RssAnon does not count it) goes to the first owner
// that holds it:
//   1. the measuring library's own tables and thread (left out);
//   2. a heap block of 64 KiB or more, by the module that allocated it;
//   3. an anonymous mmap made outside the C library, by its caller's module;
//   4. the mapping it lies in: the main heap ([heap]), a thread arena (the
//      64 MiB-aligned heaps of glibc's other arenas, named by the threads
//      whose blocks came from it), a thread's stack, a library's written
//      (copied-on-write) pages, or any other anonymous mapping.
// 2, 3, the arenas' threads and malloc_info's figures per arena come from the
// report that libheap_report.so wrote inside the process (HEAP_REPORT_FILE,
// on SIGUSR2); without it those owners fall back to 4. Needs root (pagemap
// frame numbers, kpageflags, the process's memory).
//   anon_breakdown PID [REPORT] [--summary FILE]
// Prints the owners as a Markdown table and the detail under it; --summary
// writes "KEY KB LABEL" lines, one a summary row, for a table of several
// programs.
#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr uint64_t kPage = 4096;
constexpr uint64_t kArenaHeapBytes = uint64_t{64} << 20;
constexpr uint64_t kChunkHeader = 16;
constexpr int kKpfAnon = 12;

// Summary rows, in the order they are printed.
struct Category {
    const char* key;
    const char* label;
};
constexpr Category kCategories[] = {
    {"main-heap", "main thread's heap ([heap]): blocks under 64 KiB, free space"},
    {"blocks-program", "heap blocks of 64 KiB+, allocated by the program"},
    {"blocks-mesa", "heap blocks of 64 KiB+, allocated by Mesa (llvmpipe)"},
    {"blocks-llvm", "heap blocks of 64 KiB+, allocated by LLVM"},
    {"blocks-other", "heap blocks of 64 KiB+, allocated by other libraries"},
    {"arena-program", "arenas of threads the program made"},
    {"arena-mesa", "arenas of Mesa's threads (llvmpipe, shader cache)"},
    {"arena-other", "arenas of other threads (or ones that only freed)"},
    {"stacks", "thread stacks"},
    {"mmaps-program", "anonymous mmaps of the program"},
    {"mmaps-llvm", "anonymous mmaps of LLVM (JIT code and data)"},
    {"mmaps-mesa", "anonymous mmaps of Mesa"},
    {"mmaps-other", "anonymous mmaps of others"},
    {"lib-llvm", "written pages of libLLVM"},
    {"lib-mesa", "written pages of Mesa's libraries"},
    {"lib-other", "written pages of other libraries and the program"},
    {"other", "other anonymous mappings"},
};

struct Mapping {
    uint64_t begin = 0, end = 0;
    std::string permissions, path;
    uint64_t anonymousKb = 0;
};

struct Thread {
    int tid = 0;
    std::string name;
    std::string arenaKind; // main, heap, none (from the report)
    uint64_t arenaHeap = 0;
    uint64_t stackAddress = 0;
    std::string creator = "-"; // the module that asked for the thread
    uint64_t creatorOffset = 0;
};

// Live heap blocks of one allocating module.
struct ModuleBlocks {
    std::string module;
    uint64_t mainBlocks = 0, mainBytes = 0, threadBlocks = 0, threadBytes = 0;
};

struct Holding {
    uint64_t address = 0, size = 0;
    int tid = 0;
    int protection = 0;
    std::string module;
    uint64_t offset = 0;
};

struct ArenaFigures {
    uint64_t address = 0;
    uint64_t system = 0, fastFree = 0, restFree = 0;
};

struct Report {
    bool present = false;
    std::vector<std::pair<uint64_t, uint64_t>> toolRanges;
    int toolTid = 0;
    uint64_t toolStack = 0;
    std::vector<Thread> threads;
    std::vector<Holding> blocks, mappings;
    std::vector<ModuleBlocks> modules;
    uint64_t dropped = 0;
    std::map<int, ArenaFigures> arenas; // by malloc_info's number
    uint64_t mmapCount = 0, mmapBytes = 0;
};

// Where resident pages went: an owner's key, its category, and what it holds.
struct Owner {
    std::string category;
    std::string label;
    uint64_t pages = 0;
    uint64_t bytes = 0; // what the owner asked for (blocks, mmaps)
    uint64_t count = 0;
};

std::string Basename(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

uint64_t Hex(const std::string& text) { return std::strtoull(text.c_str(), nullptr, 16); }

std::vector<Mapping> ReadMappings(int pid)
{
    std::vector<Mapping> mappings;
    std::ifstream smaps("/proc/" + std::to_string(pid) + "/smaps");
    std::string line;
    while (std::getline(smaps, line)) {
        const size_t colon = line.find(':');
        const size_t dash = line.find('-');
        if (dash != std::string::npos && (colon == std::string::npos || dash < colon) && std::isxdigit(line[0])) {
            std::istringstream fields(line);
            std::string range, permissions, offset, device, inode, path;
            fields >> range >> permissions >> offset >> device >> inode;
            std::getline(fields, path);
            path.erase(0, path.find_first_not_of(' '));
            Mapping mapping;
            mapping.begin = Hex(range.substr(0, range.find('-')));
            mapping.end = Hex(range.substr(range.find('-') + 1));
            mapping.permissions = permissions;
            mapping.path = path;
            mappings.push_back(mapping);
        } else if (!mappings.empty() && line.rfind("Anonymous:", 0) == 0) {
            mappings.back().anonymousKb = std::strtoull(line.c_str() + 10, nullptr, 10);
        }
    }
    return mappings;
}

std::string ReadLine(const std::string& path)
{
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

uint64_t StatusKb(int pid, const char* key)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) return std::strtoull(line.c_str() + std::strlen(key), nullptr, 10);
    }
    return 0;
}

// The attribute's number in an XML element line, 0 when absent.
uint64_t Attribute(const std::string& line, const char* name)
{
    const std::string key = std::string(name) + "=\"";
    const size_t at = line.find(key);
    return at == std::string::npos ? 0 : std::strtoull(line.c_str() + at + key.size(), nullptr, 10);
}

Report ReadReport(const std::string& path)
{
    Report report;
    std::ifstream file(path);
    std::string line;
    bool inInfo = false;
    int heap = -1;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "done") {
            report.present = true;
            break;
        }
        if (kind == "malloc_info") {
            inInfo = true;
            continue;
        }
        if (inInfo) {
            if (line.find("<heap nr=") != std::string::npos) {
                heap = static_cast<int>(Attribute(line, "nr"));
            } else if (line.find("</heap>") != std::string::npos) {
                heap = -1;
            } else if (heap >= 0) {
                ArenaFigures& figures = report.arenas[heap];
                if (line.find("<total type=\"fast\"") != std::string::npos) figures.fastFree = Attribute(line, "size");
                if (line.find("<total type=\"rest\"") != std::string::npos) figures.restFree = Attribute(line, "size");
                if (line.find("<system type=\"current\"") != std::string::npos)
                    figures.system = Attribute(line, "size");
            } else if (line.find("<total type=\"mmap\"") != std::string::npos) {
                report.mmapCount = Attribute(line, "count");
                report.mmapBytes = Attribute(line, "size");
            }
            continue;
        }
        if (kind == "tool") {
            std::string begin, end;
            fields >> begin >> end;
            report.toolRanges.emplace_back(Hex(begin), Hex(end));
        } else if (kind == "tool-thread") {
            std::string stack;
            fields >> report.toolTid >> stack;
            report.toolStack = Hex(stack);
        } else if (kind == "thread") {
            Thread thread;
            std::string heapText, stack, creatorOffset;
            fields >> thread.tid >> thread.arenaKind >> heapText >> stack >> thread.creator >> creatorOffset;
            thread.arenaHeap = Hex(heapText);
            thread.stackAddress = Hex(stack);
            thread.creatorOffset = Hex(creatorOffset);
            report.threads.push_back(thread);
        } else if (kind == "module") {
            ModuleBlocks blocks;
            fields >> blocks.module >> blocks.mainBlocks >> blocks.mainBytes >> blocks.threadBlocks
                >> blocks.threadBytes;
            report.modules.push_back(blocks);
        } else if (kind == "dropped") {
            fields >> report.dropped;
        } else if (kind == "block" || kind == "mmap") {
            Holding holding;
            std::string address, offset;
            fields >> address >> holding.size >> holding.tid >> holding.protection >> holding.module >> offset;
            holding.address = Hex(address);
            holding.offset = Hex(offset);
            (kind == "block" ? report.blocks : report.mappings).push_back(holding);
        } else if (kind == "arena") {
            int number = 0;
            std::string address;
            fields >> number >> address;
            report.arenas[number].address = address == "main" ? 0 : Hex(address);
        }
    }
    return report;
}

// Threads of the process now: name and, for a thread blocked in a system
// call, its stack pointer.
std::map<int, Thread> ReadThreads(int pid)
{
    std::map<int, Thread> threads;
    const std::string folder = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        Thread thread;
        thread.tid = std::atoi(entry.path().filename().c_str());
        thread.name = ReadLine(entry.path() / "comm");
        std::istringstream syscall(ReadLine(entry.path() / "syscall"));
        std::vector<std::string> fields;
        for (std::string field; syscall >> field;) fields.push_back(field);
        if (fields.size() >= 9) thread.stackAddress = Hex(fields[7]);
        threads[thread.tid] = thread;
    }
    return threads;
}

std::string ModuleCategory(const std::string& module, const std::string& executable)
{
    const std::string name = Basename(module);
    if (module == executable || name == "(program)" || name.find("Irrlicht") != std::string::npos) return "program";
    if (name.find("LLVM") != std::string::npos) return "llvm";
    if (name.find("_dri.so") != std::string::npos || name.find("gallium") != std::string::npos
        || name.find("glapi") != std::string::npos || name.find("GLX_mesa") != std::string::npos) {
        return "mesa";
    }
    return "other";
}

// Function names for offsets in a module, from its symbols (addr2line).
std::map<uint64_t, std::string> FunctionsOf(const std::string& module, const std::vector<uint64_t>& offsets)
{
    std::map<uint64_t, std::string> names;
    if (offsets.empty() || module.empty() || module[0] != '/') return names;
    std::string command = "addr2line -f -i -C -a -e '" + module + "'";
    for (uint64_t offset : offsets) {
        char text[24];
        std::snprintf(text, sizeof text, " %#" PRIx64, offset - 1); // the call, not the return address
        command += text;
    }
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return names;
    char buffer[4096];
    uint64_t current = 0;
    std::string last;
    bool expectFunction = false;
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n') line.pop_back();
        if (line.rfind("0x", 0) == 0) {
            current = Hex(line) + 1;
            expectFunction = true;
        } else if (expectFunction) {
            // -i gives the inlined frames first; the last function is the caller's own.
            names[current] = line.substr(0, line.find('('));
            expectFunction = false;
        } else {
            expectFunction = true;
        }
    }
    pclose(pipe);
    return names;
}

double Mb(uint64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

struct Breakdown {
    std::map<std::string, Owner> owners; // by key
    uint64_t toolPages = 0, otherFilePages = 0;
    uint64_t totalPages = 0, smapsKb = 0;
};

int Run(int pid, const std::string& reportPath, const std::string& summaryPath)
{
    const std::string proc = "/proc/" + std::to_string(pid);
    const std::string executable = std::filesystem::read_symlink(proc + "/exe").string();
    const std::string programName = ReadLine(proc + "/comm");
    const Report report = reportPath.empty() ? Report{} : ReadReport(reportPath);
    if (!reportPath.empty() && !report.present) {
        std::fprintf(stderr, "anon_breakdown: %s is not a whole report\n", reportPath.c_str());
        return 1;
    }
    const std::vector<Mapping> mappings = ReadMappings(pid);
    std::map<int, Thread> threads = ReadThreads(pid);
    for (const Thread& noted : report.threads) {
        Thread& thread = threads[noted.tid];
        if (thread.tid == 0) {
            thread.tid = noted.tid;
            thread.name = "(ended)";
        }
        thread.arenaKind = noted.arenaKind;
        thread.arenaHeap = noted.arenaHeap;
        thread.creator = noted.creator;
        thread.creatorOffset = noted.creatorOffset;
        if (thread.stackAddress == 0) thread.stackAddress = noted.stackAddress;
    }

    // Function names where the program allocated or made threads.
    std::map<std::string, std::vector<uint64_t>> programOffsets;
    for (const std::vector<Holding>* holdings : {&report.blocks, &report.mappings}) {
        for (const Holding& holding : *holdings) {
            if (ModuleCategory(holding.module, executable) == "program") {
                programOffsets[holding.module].push_back(holding.offset);
            }
        }
    }
    for (const auto& [tid, thread] : threads) {
        if (thread.creator != "-" && ModuleCategory(thread.creator, executable) == "program") {
            programOffsets[thread.creator].push_back(thread.creatorOffset);
        }
    }
    std::map<std::string, std::map<uint64_t, std::string>> functions;
    for (auto& [module, offsets] : programOffsets) {
        std::sort(offsets.begin(), offsets.end());
        offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
        functions[module] = FunctionsOf(module == "(program)" ? executable : module, offsets);
    }
    const auto functionAt = [&](const std::string& module, uint64_t offset) -> std::string {
        const auto inModule = functions.find(module);
        if (inModule == functions.end()) return "";
        const auto found = inModule->second.find(offset);
        return found == inModule->second.end() ? "" : found->second;
    };
    // "name (tid, made by module: function)"; the main thread is the program's.
    const auto describe = [&](const Thread& thread) {
        std::string text = thread.name + " (" + std::to_string(thread.tid);
        if (thread.tid == pid) return text + ", the main thread)";
        if (thread.creator == "-") return text + ")";
        const std::string function = functionAt(thread.creator, thread.creatorOffset);
        return text + ", made by " + Basename(thread.creator) + (function.empty() ? "" : ": " + function) + ")";
    };
    const auto threadCategory = [&](const Thread& thread) -> std::string {
        if (thread.tid == pid) return "program";
        const std::string category = thread.creator == "-" ? "other" : ModuleCategory(thread.creator, executable);
        return category == "llvm" ? "mesa" : category;
    };

    const int pagemap = open((proc + "/pagemap").c_str(), O_RDONLY);
    const int pageFlags = open("/proc/kpageflags", O_RDONLY);
    const int memory = open((proc + "/mem").c_str(), O_RDONLY);
    if (pagemap < 0 || pageFlags < 0) {
        std::fprintf(stderr, "anon_breakdown: cannot read %s/pagemap or /proc/kpageflags (root is needed)\n",
                     proc.c_str());
        return 1;
    }

    Breakdown breakdown;
    std::map<std::string, Owner>& owners = breakdown.owners;
    // Pages held by blocks and mmaps, by page address: the owner's key.
    std::unordered_map<uint64_t, std::string> heldBy;
    const auto hold = [&](const Holding& holding, const char* kind, uint64_t front) {
        const std::string category = ModuleCategory(holding.module, executable);
        char key[512];
        std::snprintf(key, sizeof key, "%s %s+%#" PRIx64, kind, holding.module.c_str(), holding.offset);
        Owner& owner = owners[key];
        owner.category = std::string(kind) + "-" + category;
        owner.label = key;
        owner.bytes += holding.size;
        ++owner.count;
        for (uint64_t page = (holding.address - front) & ~(kPage - 1); page < holding.address + holding.size;
             page += kPage) {
            heldBy.emplace(page, key);
        }
    };
    for (const Holding& block : report.blocks) hold(block, "blocks", kChunkHeader);
    for (const Holding& mapping : report.mappings) hold(mapping, "mmaps", 0);

    // Arena heaps named by the threads whose blocks came from them.
    std::map<uint64_t, std::vector<const Thread*>> arenaThreads;
    for (const auto& [tid, thread] : threads) {
        if (thread.arenaKind == "heap") arenaThreads[thread.arenaHeap].push_back(&thread);
    }
    const auto arenaFigures = [&](uint64_t heap) -> const ArenaFigures* {
        for (const auto& [number, figures] : report.arenas) {
            if (heap == 0 ? number == 0 : number != 0 && (figures.address & ~(kArenaHeapBytes - 1)) == heap) {
                return &figures;
            }
        }
        return nullptr;
    };
    const auto inTool = [&](uint64_t address) {
        for (const auto& [begin, end] : report.toolRanges) {
            if (address + kPage > begin && address < end) return true;
        }
        return false;
    };

    std::vector<uint64_t> entries;
    for (const Mapping& mapping : mappings) {
        breakdown.smapsKb += mapping.anonymousKb;
        if (mapping.anonymousKb == 0) continue;
        // What the mapping is, for pages that no block or mmap holds.
        std::string key, category;
        const bool file = !mapping.path.empty() && mapping.path[0] == '/';
        const std::string name = Basename(mapping.path);
        const bool toolMapping = (file && name.find("heap_report") != std::string::npos)
            || (report.toolStack >= mapping.begin && report.toolStack < mapping.end);
        if (mapping.path == "[heap]") {
            key = "main heap";
            category = "main-heap";
        } else if (mapping.path == "[stack]") {
            key = "stack of the main thread";
            category = "stacks";
        } else if (file) {
            key = "written pages of " + name;
            const std::string moduleCategory = ModuleCategory(mapping.path, executable);
            category = moduleCategory == "llvm" ? "lib-llvm" : moduleCategory == "mesa" ? "lib-mesa" : "lib-other";
        } else {
            const uint64_t heap = mapping.begin & ~(kArenaHeapBytes - 1);
            uint64_t arenaPointer = 0;
            const bool aligned = mapping.begin == heap && memory >= 0
                && pread(memory, &arenaPointer, sizeof arenaPointer, static_cast<off_t>(heap))
                    == static_cast<ssize_t>(sizeof arenaPointer)
                && arenaPointer >= heap && arenaPointer < heap + kArenaHeapBytes;
            const Thread* stackOf = nullptr;
            for (const auto& [tid, thread] : threads) {
                if (thread.stackAddress >= mapping.begin && thread.stackAddress < mapping.end) stackOf = &thread;
            }
            if (aligned || arenaThreads.count(heap) != 0) {
                std::string names;
                category = "arena-other";
                for (const Thread* thread : arenaThreads[heap]) {
                    names += (names.empty() ? "" : ", ") + describe(*thread);
                    const std::string owner = threadCategory(*thread);
                    if (category == "arena-other" || owner == "program") category = "arena-" + owner;
                }
                char text[96];
                std::snprintf(text, sizeof text, "arena heap at %#" PRIx64 " of ", heap);
                key = text
                    + (names.empty() ? std::string("a thread that allocated nothing (only freed) or ended") : names);
            } else if (stackOf != nullptr) {
                key = "stack of " + describe(*stackOf);
                category = "stacks";
            } else {
                char text[128];
                std::snprintf(text, sizeof text, "%s mapping of %" PRIu64 " KiB at %#" PRIx64,
                              mapping.permissions.c_str(), (mapping.end - mapping.begin) >> 10, mapping.begin);
                key = text;
                category = "other";
            }
        }
        const uint64_t pages = (mapping.end - mapping.begin) / kPage;
        entries.resize(pages);
        const ssize_t wanted = static_cast<ssize_t>(pages * sizeof(uint64_t));
        if (pread(pagemap, entries.data(), static_cast<size_t>(wanted), static_cast<off_t>(mapping.begin / kPage * 8))
            != wanted) {
            continue;
        }
        for (uint64_t i = 0; i < pages; ++i) {
            const uint64_t entry = entries[i];
            if (!(entry >> 63 & 1)) continue;
            const uint64_t frame = entry & ((uint64_t{1} << 55) - 1);
            uint64_t flags = 0;
            if (pread(pageFlags, &flags, sizeof flags, static_cast<off_t>(frame * 8)) != sizeof flags) continue;
            if (!(flags >> kKpfAnon & 1)) continue;
            ++breakdown.totalPages;
            const uint64_t address = mapping.begin + i * kPage;
            if (toolMapping || inTool(address)) {
                ++breakdown.toolPages;
                continue;
            }
            const auto held = heldBy.find(address);
            Owner& owner = owners[held != heldBy.end() ? held->second : key];
            if (held == heldBy.end()) {
                owner.category = category;
                owner.label = key;
            }
            ++owner.pages;
        }
    }
    close(pagemap);
    close(pageFlags);
    if (memory >= 0) close(memory);

    std::map<std::string, uint64_t> byCategory;
    for (const auto& [key, owner] : owners) byCategory[owner.category] += owner.pages;
    const uint64_t counted = breakdown.totalPages - breakdown.toolPages;
    std::printf("Anonymous resident memory of %d (%s): RssAnon %.1f MB, %.1f MB in anonymous pages of its mappings",
                pid, programName.c_str(), static_cast<double>(StatusKb(pid, "RssAnon:")) / 1024.0,
                Mb(breakdown.totalPages * kPage));
    if (breakdown.toolPages != 0) {
        std::printf(", less %.1f MB of the measuring library = %.1f MB", Mb(breakdown.toolPages * kPage),
                    Mb(counted * kPage));
    }
    std::printf(".\n\n| owner | resident (MB) |\n|---|---|\n");
    for (const Category& category : kCategories) {
        std::printf("| %s | %.1f |\n", category.label, Mb(byCategory[category.key] * kPage));
    }
    std::printf("| total | %.1f |\n\n", Mb(counted * kPage));

    std::vector<const Owner*> sorted;
    for (const auto& [key, owner] : owners) {
        if (owner.pages != 0 || owner.bytes != 0) sorted.push_back(&owner);
    }
    std::sort(sorted.begin(), sorted.end(), [](const Owner* a, const Owner* b) {
        return a->pages != b->pages ? a->pages > b->pages : a->label < b->label;
    });
    std::printf(
        "The owners of 0.05 MB or more (blocks and mmaps by calling module and offset; size = what was asked):\n\n");
    std::printf("| owner | resident (MB) | blocks | size (MB) | detail |\n|---|---|---|---|---|\n");
    uint64_t smallOwners = 0, smallPages = 0;
    for (const Owner* owner : sorted) {
        if (owner->pages * kPage < 50 * 1024) {
            smallOwners += owner->pages != 0 ? 1 : 0;
            smallPages += owner->pages;
            continue;
        }
        std::string detail;
        const size_t plus = owner->label.rfind('+');
        const size_t space = owner->label.find(' ');
        if (owner->category.rfind("blocks-program", 0) == 0 || owner->category.rfind("mmaps-program", 0) == 0) {
            detail = functionAt(owner->label.substr(space + 1, plus - space - 1), Hex(owner->label.substr(plus + 3)));
        }
        if (owner->category.rfind("arena", 0) == 0 || owner->category == "main-heap") {
            const size_t at = owner->label.find(" at 0x");
            const uint64_t heap = owner->category == "main-heap" ? 0 : Hex(owner->label.substr(at + 6));
            if (const ArenaFigures* figures = arenaFigures(heap)) {
                char text[160];
                const uint64_t free = figures->fastFree + figures->restFree;
                std::snprintf(text, sizeof text, "malloc_info: %.2f MB from the system, %.2f in use, %.2f free",
                              Mb(figures->system), Mb(figures->system > free ? figures->system - free : 0), Mb(free));
                detail = text;
            }
        }
        if (owner->count != 0) {
            std::printf("| %s | %.2f | %" PRIu64 " | %.2f | %s |\n", owner->label.c_str(), Mb(owner->pages * kPage),
                        owner->count, Mb(owner->bytes), detail.c_str());
        } else {
            std::printf("| %s | %.2f | | | %s |\n", owner->label.c_str(), Mb(owner->pages * kPage), detail.c_str());
        }
    }
    std::printf("| %" PRIu64 " smaller owners | %.2f | | | |\n", smallOwners, Mb(smallPages * kPage));
    if (report.present) {
        std::printf("\nLive heap blocks by allocating module (what was asked, all sizes; malloc_info: %" PRIu64
                    " blocks in direct mmaps, %.2f MB):\n\n",
                    report.mmapCount, Mb(report.mmapBytes));
        std::printf("| module | main arena (MB) | blocks | thread arenas (MB) | blocks |\n|---|---|---|---|---|\n");
        std::vector<ModuleBlocks> modules = report.modules;
        std::sort(modules.begin(), modules.end(), [](const ModuleBlocks& a, const ModuleBlocks& b) {
            return a.mainBytes + a.threadBytes > b.mainBytes + b.threadBytes;
        });
        for (const ModuleBlocks& module : modules) {
            if (module.mainBytes + module.threadBytes < 16 * 1024) continue;
            std::printf("| %s | %.2f | %" PRIu64 " | %.2f | %" PRIu64 " |\n", Basename(module.module).c_str(),
                        Mb(module.mainBytes), module.mainBlocks, Mb(module.threadBytes), module.threadBlocks);
        }
        std::printf("\nThreads:");
        for (const auto& [tid, thread] : threads) {
            std::printf(" %s, arena %s;", describe(thread).c_str(),
                        thread.arenaKind.empty() || thread.arenaKind == "none" ? "none seen"
                                                                               : thread.arenaKind.c_str());
        }
        std::printf("\n");
        if (report.dropped != 0)
            std::printf("(%" PRIu64 " blocks not followed: the report's tables were full.)\n", report.dropped);
    }
    std::printf("\nsmaps' Anonymous fields add up to %.1f MB (pages of the shared zero page and swapped pages are not "
                "resident anonymous pages here).\n",
                static_cast<double>(breakdown.smapsKb) / 1024.0);

    if (!summaryPath.empty()) {
        FILE* summary = std::fopen(summaryPath.c_str(), "w");
        if (summary == nullptr) return 1;
        for (const Category& category : kCategories) {
            std::fprintf(summary, "%s %" PRIu64 " %s\n", category.key, byCategory[category.key] * kPage / 1024,
                         category.label);
        }
        std::fprintf(summary, "total %" PRIu64 " total\n", counted * kPage / 1024);
        std::fclose(summary);
    }
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    int pid = 0;
    std::string reportPath, summaryPath;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--summary" && i + 1 < argc) {
            summaryPath = argv[++i];
        } else if (pid == 0 && std::atoi(argument.c_str()) > 0) {
            pid = std::atoi(argument.c_str());
        } else if (reportPath.empty()) {
            reportPath = argument;
        } else {
            pid = 0;
            break;
        }
    }
    if (pid == 0) {
        std::fprintf(stderr, "usage: anon_breakdown PID [REPORT] [--summary FILE]\n");
        return 2;
    }
    return Run(pid, reportPath, summaryPath);
}
