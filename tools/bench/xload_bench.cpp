// Load time and peak memory of our .x reader (D3DXLoadMeshFromXW) next to
// Assimp's, on one large generated model in four encodings. Each reader runs
// in a child process of its own so that its peak memory is not mixed with the
// other's. Then our reader's peak memory on small hostile files that ask for
// gigabytes, which its limits refuse.
//   xload_bench --work DIR --modelgen PATH [--faces 500000] [--runs 5]
//               [--reader ours|assimp] [--encoding text|bin32|tzip32|bzip32]
// The last two narrow the run to one reader or one file, for profiling.
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/portable/null_device.h"
#include "tests/portable/xfile_writer.h"

namespace {

namespace fs = std::filesystem;

struct Options {
    fs::path work;
    std::string modelgen;
    long faces = 500000;
    int runs = 5;
    std::string reader;   // empty: both
    std::string encoding; // empty: all four
};

// What a child sends back through its pipe: plain bytes, no pointers.
struct LoadFigures {
    bool loaded = false;
    std::uint32_t result = 0; // our reader's HRESULT
    double medianMs = 0;
    double peakMb = 0;
    std::uint64_t vertices = 0;
    std::uint64_t faces = 0;
    char error[160] = {};
};

struct LoadCounts {
    bool loaded = false;
    HRESULT result = S_OK;
    std::uint64_t vertices = 0;
    std::uint64_t faces = 0;
    std::string error;
};


std::wstring WidePath(const std::string& path)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), length);
    wide.resize(static_cast<size_t>(length) - 1);
    return wide;
}

LoadCounts LoadOurs(const std::wstring& path, NullDevice& device)
{
    LoadCounts counts;
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD materialCount = 0;
    const HRESULT result = D3DXLoadMeshFromXW(path.c_str(), D3DXMESH_MANAGED, &device, nullptr, &materials,
                                              nullptr, &materialCount, &mesh);
    counts.result = result;
    if (FAILED(result) || mesh == nullptr) {
        char text[32];
        std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(static_cast<DWORD>(result)));
        counts.error = std::string("D3DXLoadMeshFromXW failed: ") + text;
        return counts;
    }
    counts.loaded = true;
    counts.vertices = mesh->GetNumVertices();
    counts.faces = mesh->GetNumFaces();
    mesh->Release();
    if (materials != nullptr) materials->Release();
    return counts;
}

LoadCounts LoadAssimp(const std::string& path)
{
    LoadCounts counts;
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, 0);
    if (scene == nullptr) {
        counts.error = importer.GetErrorString();
        return counts;
    }
    counts.loaded = scene->mNumMeshes > 0;
    for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
        counts.vertices += scene->mMeshes[i]->mNumVertices;
        counts.faces += scene->mMeshes[i]->mNumFaces;
    }
    if (!counts.loaded) counts.error = "no meshes";
    return counts;
}

// A figure in kB from /proc/self/status ("VmRSS", "VmHWM"); 0 when missing.
long StatusKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':')
            return std::atol(line.c_str() + length + 1);
    return 0;
}

// Resets the peak resident size to the current one (Linux 4.0 and later).
bool ResetPeakRss()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

enum class Reader { Ours, Assimp };

const char* ReaderName(Reader reader) { return reader == Reader::Ours ? "ours" : "Assimp"; }

// Runs in the child: `runs` loads, then the median time and the peak growth.
LoadFigures MeasureInChild(Reader reader, const std::string& path, int runs)
{
    LoadFigures figures;
    const std::wstring widePath = WidePath(path);
    NullDevice device;
    ResetPeakRss();
    const long baseKb = StatusKb("VmRSS");
    std::vector<double> times;
    LoadCounts counts;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        counts = reader == Reader::Ours ? LoadOurs(widePath, device) : LoadAssimp(path);
        const auto stop = std::chrono::steady_clock::now();
        if (!counts.loaded) break;
        times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    figures.result = static_cast<std::uint32_t>(counts.result);
    figures.peakMb = static_cast<double>(std::max(0L, StatusKb("VmHWM") - baseKb)) / 1024.0;
    if (!counts.loaded) {
        std::snprintf(figures.error, sizeof figures.error, "%s", counts.error.c_str());
        return figures;
    }
    std::sort(times.begin(), times.end());
    const size_t middle = times.size() / 2;
    figures.medianMs = times.size() % 2 == 1 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
    figures.vertices = counts.vertices;
    figures.faces = counts.faces;
    figures.loaded = true;
    return figures;
}

bool WriteAll(int fd, const void* data, size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = write(fd, bytes, size);
        if (written <= 0) return false;
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool ReadAll(int fd, void* data, size_t size)
{
    char* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t got = read(fd, bytes, size);
        if (got <= 0) return false;
        bytes += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

LoadFigures Measure(Reader reader, const std::string& path, int runs)
{
    LoadFigures figures;
    int channel[2];
    if (pipe(channel) != 0) {
        std::snprintf(figures.error, sizeof figures.error, "pipe: %s", std::strerror(errno));
        return figures;
    }
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        std::snprintf(figures.error, sizeof figures.error, "fork: %s", std::strerror(errno));
        close(channel[0]);
        close(channel[1]);
        return figures;
    }
    if (child == 0) {
        close(channel[0]);
        const LoadFigures measured = MeasureInChild(reader, path, runs);
        _exit(WriteAll(channel[1], &measured, sizeof measured) ? 0 : 1);
    }
    close(channel[1]);
    const bool received = ReadAll(channel[0], &figures, sizeof figures);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!received) {
        figures = LoadFigures{};
        if (WIFSIGNALED(status))
            std::snprintf(figures.error, sizeof figures.error, "reader died with signal %d", WTERMSIG(status));
        else
            std::snprintf(figures.error, sizeof figures.error, "reader sent no figures");
    }
    return figures;
}

// Runs modelgen to write `path`, through a temporary name so that an
// interrupted run leaves no file that looks finished.
bool GenerateModel(const Options& options, const std::string& encoding, const fs::path& path)
{
    const fs::path partial = fs::path(path).concat(".part");
    const std::string faces = std::to_string(options.faces);
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        // Its list of written files is noise in the table.
        const int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) dup2(quiet, STDOUT_FILENO);
        execl(options.modelgen.c_str(), options.modelgen.c_str(), "--large", faces.c_str(), "--out",
              partial.c_str(), "--encoding", encoding.c_str(), static_cast<char*>(nullptr));
        std::fprintf(stderr, "xload_bench: cannot run %s: %s\n", options.modelgen.c_str(), std::strerror(errno));
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
    std::error_code error;
    fs::rename(partial, path, error);
    return !error;
}

// Reads the file once so that every reader starts with it in the page cache.
void WarmPageCache(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<char> block(1 << 20);
    while (file.read(block.data(), static_cast<std::streamsize>(block.size())) || file.gcount() > 0) {
    }
}

std::optional<Options> ParseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (value == nullptr) return std::nullopt;
        ++i;
        char* end = nullptr;
        if (argument == "--work") {
            options.work = value;
        } else if (argument == "--modelgen") {
            options.modelgen = value;
        } else if (argument == "--faces") {
            options.faces = std::strtol(value, &end, 10);
            if (*end != '\0' || options.faces < 2 || options.faces > 20000000) return std::nullopt;
        } else if (argument == "--reader") {
            options.reader = value;
            if (options.reader != "ours" && options.reader != "assimp") return std::nullopt;
        } else if (argument == "--encoding") {
            options.encoding = value;
        } else if (argument == "--runs") {
            options.runs = static_cast<int>(std::strtol(value, &end, 10));
            if (*end != '\0' || options.runs < 1 || options.runs > 1000) return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    if (options.work.empty() || options.modelgen.empty()) return std::nullopt;
    return options;
}

struct Encoding {
    const char* name;  // modelgen's name
    const char* label; // the table's
};

constexpr Encoding kEncodings[] = {
    {"text", "text"},
    {"bin32", "binary"},
    {"tzip32", "compressed text"},
    {"bzip32", "compressed binary"},
};

struct Row {
    const Encoding* encoding;
    double fileMb;
    LoadFigures ours;
    LoadFigures assimp;
};

void PrintFigures(const Row& row, Reader reader)
{
    const LoadFigures& figures = reader == Reader::Ours ? row.ours : row.assimp;
    std::printf("%-18s %9.1f  %-7s", row.encoding->label, row.fileMb, ReaderName(reader));
    if (!figures.loaded) {
        std::printf(" %10s %10s %10s %10s %10s   (%s)\n", "n/a", "n/a", "n/a", "n/a", "n/a", figures.error);
        return;
    }
    std::printf(" %10.1f %10.1f %10.1f %10llu %10llu\n", figures.medianMs, row.fileMb / (figures.medianMs / 1000.0),
                figures.peakMb, static_cast<unsigned long long>(figures.vertices),
                static_cast<unsigned long long>(figures.faces));
}

struct HostileFile {
    const char* name;
    const char* what;
    std::string bytes;
};

std::string Le32(std::uint32_t value)
{
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
    return bytes;
}

std::string Repeat(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

std::vector<HostileFile> HostileFiles()
{
    const std::string triangle = "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";
    // Binary: a mesh of 20 million points at the origin and one face.
    const std::uint32_t points = 20000000;
    const std::string binaryHead = std::string("\x01\x00", 2) + Le32(4) + "Mesh" + std::string("\x0a\x00\x06\x00", 4)
                                   + Le32(1) + Le32(points) + std::string("\x07\x00", 2) + Le32(3 * points);
    const std::string binaryTail = std::string("\x06\x00", 2) + Le32(5) + Le32(1) + Le32(3) + Le32(0) + Le32(1)
                                   + Le32(2) + std::string("\x0b\x00", 2);
    return {
        {"spaces", "1.6 GB of spaces after a triangle", XCompressRun("tzip", triangle, " ", size_t{1600} << 20, "")},
        {"points", "a mesh of 20 million points", XCompressRun("bzip", binaryHead, std::string(4, '\0'),
                                                                size_t{3} * points, binaryTail)},
        {"references", "4 million references",
         XCompressRun("tzip", "Material M { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }\nFrame F {\n", "{M}\n", 4u << 20,
                      "}\n" + triangle)},
        {"placed", "a mesh of 600,000 points placed 15 times",
         XCompressRun("tzip", "Mesh M { 600000; ", "0;0;0;, ", 599999,
                      "0;0;0;; 1; 3;0,1,2;; }\nFrame F { " + Repeat("{M} ", 14) + "}\n")},
    };
}

// Each file written to the work folder and loaded once by our reader in a
// child process: what it gives and the resident growth on the way.
void MeasureHostileFiles(const fs::path& work)
{
    std::printf("\nhostile files, our reader: peak = resident growth during one load\n");
    std::printf("%-44s %9s %12s %10s\n", "file", "size KB", "result", "peak MB");
    for (const HostileFile& hostile : HostileFiles()) {
        const fs::path path = work / (std::string("hostile-") + hostile.name + ".x");
        {
            std::ofstream out(path, std::ios::binary);
            out.write(hostile.bytes.data(), static_cast<std::streamsize>(hostile.bytes.size()));
        }
        const LoadFigures figures = Measure(Reader::Ours, path.string(), 1);
        std::printf("%-44s %9.0f   0x%08lx %10.1f\n", hostile.what, static_cast<double>(hostile.bytes.size()) / 1024.0,
                    static_cast<unsigned long>(figures.result), figures.peakMb);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const std::optional<Options> parsed = ParseOptions(argc, argv);
    if (!parsed) {
        std::fprintf(stderr, "usage: xload_bench --work DIR --modelgen PATH [--faces N] [--runs N] [--reader ours|assimp] "
                     "[--encoding text|bin32|tzip32|bzip32]\n");
        return 2;
    }
    const Options& options = *parsed;
    std::error_code error;
    fs::create_directories(options.work, error);
    if (error) {
        std::fprintf(stderr, "xload_bench: cannot create %s: %s\n", options.work.c_str(), error.message().c_str());
        return 1;
    }

    std::vector<Row> rows;
    for (const Encoding& encoding : kEncodings) {
        if (!options.encoding.empty() && options.encoding != encoding.name) continue;
        const fs::path path = options.work / ("large-" + std::to_string(options.faces) + "-" + encoding.name + ".x");
        if (!fs::exists(path)) {
            std::printf("generating %s\n", path.c_str());
            if (!GenerateModel(options, encoding.name, path)) {
                std::fprintf(stderr, "xload_bench: modelgen failed for %s\n", path.c_str());
                return 1;
            }
        }
        WarmPageCache(path);
        Row row{&encoding, static_cast<double>(fs::file_size(path)) / (1024.0 * 1024.0), {}, {}};
        std::snprintf(row.ours.error, sizeof row.ours.error, "not run");
        std::snprintf(row.assimp.error, sizeof row.assimp.error, "not run");
        if (options.reader != "assimp") row.ours = Measure(Reader::Ours, path.string(), options.runs);
        if (options.reader != "ours") row.assimp = Measure(Reader::Assimp, path.string(), options.runs);
        rows.push_back(row);
    }

    std::printf("\n.x load, %ld faces requested, median of %d loads, peak = resident growth over the loads\n",
                options.faces, options.runs);
    std::printf("%-18s %9s  %-7s %10s %10s %10s %10s %10s\n", "encoding", "size MB", "reader", "median ms", "MB/s",
                "peak MB", "vertices", "faces");
    for (const Row& row : rows) {
        PrintFigures(row, Reader::Ours);
        PrintFigures(row, Reader::Assimp);
    }
    std::printf("\nours/Assimp           speed (x)  peak memory (x)\n");
    for (const Row& row : rows) {
        std::printf("%-18s ", row.encoding->label);
        if (!row.ours.loaded || !row.assimp.loaded) {
            std::printf("%12s %16s\n", "n/a", "n/a");
            continue;
        }
        const double speed = row.assimp.medianMs / row.ours.medianMs;
        if (row.assimp.peakMb > 0)
            std::printf("%12.2f %16.2f\n", speed, row.ours.peakMb / row.assimp.peakMb);
        else
            std::printf("%12.2f %16s\n", speed, "n/a");
    }
    if (options.reader != "assimp" && options.encoding.empty()) MeasureHostileFiles(options.work);
    return 0;
}
