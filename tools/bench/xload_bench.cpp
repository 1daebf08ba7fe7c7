// Load time and peak memory of our .x reader (D3DXLoadMeshFromXW) next to
// Assimp's, on one large generated model in four encodings. Each reader runs
// in a child process of its own so that its peak memory is not mixed with the
// other's. Then our reader's time and peak memory on small hostile files that
// ask for gigabytes, which its limits refuse, and on hostile model folders
// (work that grew faster than the files, files that are not files), loaded
// as the program loads them. With --textures, also the texture loader
// (D3DXCreateTextureFromFileExW) on every image file under DIR, and on a large
// and a hostile image.
//   xload_bench [--work DIR --modelgen PATH] [--faces 500000] [--runs 5]
//               [--reader ours|assimp] [--encoding text|bin32|tzip32|bzip32]
//               [--textures DIR]
//   xload_bench --work DIR --hostile [--folder NAME]
// --reader and --encoding narrow the run to one reader or one file, for
// profiling; without --modelgen only the textures are measured; --hostile
// measures only the hostile files and folders (--folder: only the folders
// whose name holds NAME).
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>
// jpeglib.h needs FILE and size_t declared first.
#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/portable/d3d9/null_device.h"
#include "platform/portable/d3dx/texture_prefetch.h"
#include "tests/portable/d3dx/xfile/encoded_files.h"

using namespace portable;

namespace {

namespace fs = std::filesystem;

struct Options {
    fs::path work;
    std::string modelgen;
    long faces = 500000;
    int runs = 5;
    std::string reader;   // empty: both
    std::string encoding; // empty: all four
    fs::path textures;    // empty: no texture figures
    bool hostileOnly = false;
    std::string folder; // with --hostile: only the hostile folders whose name holds it
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
    const HRESULT result = D3DXLoadMeshFromXW(path.c_str(), D3DXMESH_MANAGED, &device, nullptr, &materials, nullptr,
                                              &materialCount, &mesh);
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
        times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
        if (!counts.loaded) break;
    }
    figures.result = static_cast<std::uint32_t>(counts.result);
    figures.peakMb = static_cast<double>(std::max(0L, StatusKb("VmHWM") - baseKb)) / 1024.0;
    std::sort(times.begin(), times.end());
    const size_t middle = times.size() / 2;
    figures.medianMs = times.size() % 2 == 1 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
    if (!counts.loaded) {
        std::snprintf(figures.error, sizeof figures.error, "%s", counts.error.c_str());
        return figures;
    }
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

// Runs work() in a child process and returns the figures it sends back
// (plain bytes), or figures whose error says why none came.
template <typename Figures, typename Work>
Figures InChild(Work work)
{
    Figures figures;
    int channel[2];
    if (pipe(channel) != 0) {
        std::snprintf(figures.error, sizeof figures.error, "pipe: %s", std::strerror(errno));
        return figures;
    }
    std::fflush(nullptr);
    // Memory the parent freed but kept would be reused by the child unseen in its growth.
    malloc_trim(0);
    const pid_t child = fork();
    if (child < 0) {
        std::snprintf(figures.error, sizeof figures.error, "fork: %s", std::strerror(errno));
        close(channel[0]);
        close(channel[1]);
        return figures;
    }
    if (child == 0) {
        close(channel[0]);
        const Figures measured = work();
        _exit(WriteAll(channel[1], &measured, sizeof measured) ? 0 : 1);
    }
    close(channel[1]);
    const bool received = ReadAll(channel[0], &figures, sizeof figures);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!received) {
        figures = Figures{};
        if (WIFSIGNALED(status))
            std::snprintf(figures.error, sizeof figures.error, "died with signal %d", WTERMSIG(status));
        else
            std::snprintf(figures.error, sizeof figures.error, "sent no figures");
    }
    return figures;
}

LoadFigures Measure(Reader reader, const std::string& path, int runs)
{
    return InChild<LoadFigures>([&] { return MeasureInChild(reader, path, runs); });
}

// Texture loads: the median CPU time of `runs` loads of one file, the peak growth
// of resident memory, and what the loader made of it.
struct TextureFigures {
    bool loaded = false;
    double medianMs = 0;
    double peakMb = 0;
    unsigned width = 0, height = 0, levels = 0; // the file's size; the texture's levels
    char error[160] = {};
};

enum class TextureLoad { FileSizeOneLevel, Default };

// The calling thread's CPU time: loads are single-threaded, and on a shared
// machine this is steadier than the clock on the wall.
double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

TextureFigures MeasureTextureInChild(const std::string& path, TextureLoad load, int runs)
{
    TextureFigures figures;
    const std::wstring widePath = WidePath(path);
    NullDevice device;
    ResetPeakRss();
    const long baseKb = StatusKb("VmRSS");
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const UINT side = load == TextureLoad::Default ? D3DX_DEFAULT : D3DX_DEFAULT_NONPOW2;
        const UINT levels = load == TextureLoad::Default ? D3DX_DEFAULT : 1;
        IDirect3DTexture9* texture = nullptr;
        D3DXIMAGE_INFO info{};
        const double start = ThreadCpuMs();
        const HRESULT result =
            D3DXCreateTextureFromFileExW(&device, widePath.c_str(), side, side, levels, 0, D3DFMT_UNKNOWN,
                                         D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, nullptr, &texture);
        const double stop = ThreadCpuMs();
        if (FAILED(result)) {
            std::snprintf(figures.error, sizeof figures.error, "0x%08lx",
                          static_cast<unsigned long>(static_cast<DWORD>(result)));
            figures.peakMb = static_cast<double>(std::max(0L, StatusKb("VmHWM") - baseKb)) / 1024.0;
            return figures;
        }
        figures.width = info.Width;
        figures.height = info.Height;
        figures.levels = static_cast<unsigned>(texture->GetLevelCount());
        texture->Release();
        times.push_back(stop - start);
    }
    std::sort(times.begin(), times.end());
    figures.medianMs = times[times.size() / 2];
    figures.peakMb = static_cast<double>(std::max(0L, StatusKb("VmHWM") - baseKb)) / 1024.0;
    figures.loaded = true;
    return figures;
}

TextureFigures MeasureTexture(const std::string& path, TextureLoad load, int runs)
{
    return InChild<TextureFigures>([&] { return MeasureTextureInChild(path, load, runs); });
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
        execl(options.modelgen.c_str(), options.modelgen.c_str(), "--large", faces.c_str(), "--out", partial.c_str(),
              "--encoding", encoding.c_str(), static_cast<char*>(nullptr));
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

// A PNG file of 8-bit RGB rows; row(y, bytes) fills each row. `storedRows`
// below the height leaves the image data short, as in a damaged file.
bool WritePng(const fs::path& path, uint32_t width, uint32_t height, uint32_t storedRows,
              const std::function<void(uint32_t, uint8_t*)>& row)
{
    std::ofstream file(path, std::ios::binary);
    const auto put32 = [](std::string& out, uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xff));
    };
    const auto chunk = [&](const char* type, const std::string& data) {
        std::string bytes;
        put32(bytes, static_cast<uint32_t>(data.size()));
        bytes += type;
        bytes += data;
        const uLong crc =
            crc32(0, reinterpret_cast<const Bytef*>(bytes.data() + 4), static_cast<uInt>(bytes.size() - 4));
        put32(bytes, static_cast<uint32_t>(crc));
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    };
    file.write("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    put32(header, width);
    put32(header, height);
    header += std::string("\x08\x02\x00\x00\x00", 5);
    chunk("IHDR", header);
    z_stream stream{};
    deflateInit(&stream, 1);
    std::vector<uint8_t> line(1 + static_cast<size_t>(width) * 3);
    std::string compressed;
    std::vector<uint8_t> out(1 << 20);
    for (uint32_t y = 0; y < storedRows; ++y) {
        line[0] = 0;
        row(y, line.data() + 1);
        stream.next_in = line.data();
        stream.avail_in = static_cast<uInt>(line.size());
        const int flush = y + 1 == storedRows ? Z_FINISH : Z_NO_FLUSH;
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            deflate(&stream, flush);
            compressed.append(reinterpret_cast<const char*>(out.data()), out.size() - stream.avail_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    chunk("IDAT", compressed);
    chunk("IEND", "");
    return static_cast<bool>(file);
}

// A baseline JPEG (quality 90, 4:2:0) of 8-bit RGB rows; row(y, bytes) fills each row.
bool WriteJpeg(const fs::path& path, uint32_t width, uint32_t height,
               const std::function<void(uint32_t, uint8_t*)>& row, bool progressive = false, bool fullChroma = false)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    jpeg_compress_struct compress{};
    jpeg_error_mgr errors{};
    compress.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compress);
    jpeg_stdio_dest(&compress, file);
    compress.image_width = width;
    compress.image_height = height;
    compress.input_components = 3;
    compress.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compress);
    jpeg_set_quality(&compress, 90, TRUE);
    if (progressive) jpeg_simple_progression(&compress);
    if (fullChroma) {
        for (int c = 0; c < compress.num_components; ++c) {
            compress.comp_info[c].h_samp_factor = 1;
            compress.comp_info[c].v_samp_factor = 1;
        }
    }
    jpeg_start_compress(&compress, TRUE);
    std::vector<uint8_t> line(static_cast<size_t>(width) * 3);
    while (compress.next_scanline < height) {
        row(compress.next_scanline, line.data());
        JSAMPROW rows[1] = {line.data()};
        jpeg_write_scanlines(&compress, rows, 1);
    }
    jpeg_finish_compress(&compress);
    jpeg_destroy_compress(&compress);
    return std::fclose(file) == 0;
}

bool IsImageFile(const fs::path& path)
{
    std::string extension = path.extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".png" || extension == ".jpg" || extension == ".jpeg" || extension == ".bmp"
        || extension == ".tga" || extension == ".dds";
}

void PrintTextureRow(const std::string& label, const TextureFigures& oneLevel, const TextureFigures& chain)
{
    std::printf("%-34s", label.c_str());
    if (!oneLevel.loaded) {
        std::printf(" %11s %16s %9.1f   (fails: %s)\n", "n/a", "n/a", oneLevel.peakMb, oneLevel.error);
        return;
    }
    char size[32];
    std::snprintf(size, sizeof size, "%ux%u", oneLevel.width, oneLevel.height);
    std::printf(" %11s %9.2f", size, oneLevel.medianMs);
    if (chain.loaded)
        std::printf(" %9.2f %3u %9.1f\n", chain.medianMs, chain.levels, chain.peakMb);
    else
        std::printf(" %9s %3s %9.1f   (%s)\n", "n/a", "", chain.peakMb, chain.error);
}

// The texture loader on every image file under `folder`, then on a large
// image and on a small one that claims to be large.
void MeasureTextures(const fs::path& folder, const fs::path& work, int runs)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file() && IsImageFile(it->path())) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    std::printf("\nTexture loads (D3DXCreateTextureFromFileExW on a null device), median CPU time of %d:\n", runs);
    std::printf(
        "decode = the file's size, one level; texture = D3DX_DEFAULT size and levels; peak = resident growth\n");
    std::printf("%-34s %11s %9s %9s %3s %9s\n", "file", "size", "decode ms", "texture ms", "lv", "peak MB");
    double decodeTotal = 0, textureTotal = 0;
    for (const fs::path& file : files) {
        WarmPageCache(file);
        const TextureFigures oneLevel = MeasureTexture(file.string(), TextureLoad::FileSizeOneLevel, runs);
        const TextureFigures chain = MeasureTexture(file.string(), TextureLoad::Default, runs);
        PrintTextureRow(fs::relative(file, folder).string(), oneLevel, chain);
        decodeTotal += oneLevel.medianMs;
        textureTotal += chain.medianMs;
    }
    std::printf("%-34s %11s %9.2f %9.2f\n", "all of the above", "", decodeTotal, textureTotal);

    fs::create_directories(work, error);
    const fs::path large = work / "large-16384.png";
    const fs::path largeJpeg = work / "large-16384.jpg";
    const auto gradient = [](uint32_t y, uint8_t* row) {
        for (uint32_t x = 0; x < 16384; ++x) {
            row[3 * x] = static_cast<uint8_t>(x >> 6);
            row[3 * x + 1] = static_cast<uint8_t>(y >> 6);
            row[3 * x + 2] = static_cast<uint8_t>((x + y) >> 7);
        }
    };
    const fs::path claim = work / "claims-16384x4096.png";
    if (!fs::exists(large)) WritePng(large, 16384, 16384, 16384, gradient);
    if (!fs::exists(largeJpeg)) WriteJpeg(largeJpeg, 16384, 16384, gradient);
    const fs::path flat = work / "flat-16384x4096.png";
    WritePng(claim, 16384, 4096, 4, [](uint32_t, uint8_t* row) { std::memset(row, 0x80, 16384 * 3); });
    WritePng(flat, 16384, 4096, 4096, [](uint32_t, uint8_t* row) { std::memset(row, 0x80, 16384 * 3); });
    std::printf("\nLarge images (%ju and %ju bytes); a %ju-byte file that claims 16384x4096 but holds\n"
                "4 rows; a %ju-byte one that holds 16384x4096 texels of one color (one load each):\n",
                static_cast<uintmax_t>(fs::file_size(large)), static_cast<uintmax_t>(fs::file_size(largeJpeg)),
                static_cast<uintmax_t>(fs::file_size(claim)), static_cast<uintmax_t>(fs::file_size(flat)));
    PrintTextureRow("large-16384.png", MeasureTexture(large.string(), TextureLoad::FileSizeOneLevel, 1),
                    MeasureTexture(large.string(), TextureLoad::Default, 1));
    PrintTextureRow("large-16384.jpg", MeasureTexture(largeJpeg.string(), TextureLoad::FileSizeOneLevel, 1),
                    MeasureTexture(largeJpeg.string(), TextureLoad::Default, 1));
    PrintTextureRow("claims-16384x4096.png", MeasureTexture(claim.string(), TextureLoad::FileSizeOneLevel, 1),
                    MeasureTexture(claim.string(), TextureLoad::Default, 1));
    PrintTextureRow("flat-16384x4096.png", MeasureTexture(flat.string(), TextureLoad::FileSizeOneLevel, 1),
                    MeasureTexture(flat.string(), TextureLoad::Default, 1));
}

std::optional<Options> ParseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--hostile") {
            options.hostileOnly = true;
            continue;
        }
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
        } else if (argument == "--textures") {
            options.textures = value;
        } else if (argument == "--encoding") {
            options.encoding = value;
        } else if (argument == "--folder") {
            options.folder = value;
        } else if (argument == "--runs") {
            options.runs = static_cast<int>(std::strtol(value, &end, 10));
            if (*end != '\0' || options.runs < 1 || options.runs > 1000) return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    if (options.hostileOnly) return options.work.empty() ? std::nullopt : std::optional<Options>(options);
    if (options.modelgen.empty() ? options.textures.empty() : options.work.empty()) return std::nullopt;
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

std::string Repeat(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

// A compressed binary mesh of `triangles` triangles on `vertices` vertices
// at the origin whose every corner is a vertex with a normal it has not had
// before: corner k is vertex k mod `vertices` with normal k / `vertices`, so
// each is a copy of its vertex.
std::string NewPairAtEveryCorner(std::uint32_t triangles, std::uint32_t vertices)
{
    const std::uint64_t corners = 3ull * triangles;
    const auto normals = static_cast<std::uint32_t>((corners + vertices - 1) / vertices);
    const std::string file = XBinaryFile([&](modelgen::XStream& s) {
        modelgen::BeginObject(s, "Mesh");
        modelgen::WriteDword(s, vertices, ';');
        for (std::uint32_t v = 0; v < 3 * vertices; ++v) modelgen::WriteFloat(s, 0.0, ',');
        modelgen::WriteDword(s, triangles, ';');
        for (std::uint64_t k = 0; k < corners; k += 3) {
            modelgen::WriteDword(s, 3, ';');
            for (std::uint64_t c = k; c < k + 3; ++c)
                modelgen::WriteDword(s, static_cast<std::uint32_t>(c % vertices), ',');
        }
        modelgen::BeginObject(s, "MeshNormals");
        modelgen::WriteDword(s, normals, ';');
        for (std::uint32_t n = 0; n < normals; ++n) {
            modelgen::WriteFloat(s, 1.0, ',');
            modelgen::WriteFloat(s, n, ',');
            modelgen::WriteFloat(s, 0.0, ',');
        }
        modelgen::WriteDword(s, triangles, ';');
        for (std::uint64_t k = 0; k < corners; k += 3) {
            modelgen::WriteDword(s, 3, ';');
            for (std::uint64_t c = k; c < k + 3; ++c)
                modelgen::WriteDword(s, static_cast<std::uint32_t>(c / vertices), ',');
        }
        modelgen::EndObject(s);
        modelgen::EndObject(s);
    });
    // MSZIP blocks of the body, quickly deflated (the best compression takes
    // minutes on such repeats): "bzip", the total, then each block's sizes,
    // "CK" and raw deflate data.
    std::string out = file.substr(0, xformat::kHeaderSize);
    out.replace(8, 4, "bzip");
    xformat::AppendU32(out, static_cast<std::uint32_t>(file.size()));
    std::vector<unsigned char> deflated;
    for (size_t at = xformat::kHeaderSize; at < file.size(); at += xformat::kMszipMaxBlock) {
        const std::string_view block = std::string_view(file).substr(at, xformat::kMszipMaxBlock);
        z_stream z{};
        deflateInit2(&z, 1, Z_DEFLATED, -xformat::kMszipWindowBits, 8, Z_DEFAULT_STRATEGY);
        deflated.resize(deflateBound(&z, static_cast<uLong>(block.size())) + 16);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.data()));
        z.avail_in = static_cast<uInt>(block.size());
        z.next_out = deflated.data();
        z.avail_out = static_cast<uInt>(deflated.size());
        deflate(&z, Z_FINISH);
        const size_t produced = deflated.size() - z.avail_out;
        deflateEnd(&z);
        xformat::AppendU16(out, static_cast<std::uint16_t>(block.size()));
        xformat::AppendU16(out, static_cast<std::uint16_t>(produced + 2));
        out += "CK";
        out.append(reinterpret_cast<const char*>(deflated.data()), produced);
    }
    return out;
}

std::vector<HostileFile> HostileFiles()
{
    const std::string triangle = "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";
    // Binary: a mesh of 20 million points at the origin (the run of zeros is
    // its float list) and one face.
    const std::uint32_t points = 20000000;
    modelgen::XStream head = modelgen::MakeXStream({modelgen::XFormat::Binary, false, 32});
    modelgen::WriteName(head, "Mesh");
    modelgen::WriteToken(head, xformat::kOBrace);
    modelgen::WriteDword(head, points, ';');
    modelgen::WriteToken(head, xformat::kFloatList);
    modelgen::WriteRaw(head, XU32(3 * points));
    modelgen::XStream tail = modelgen::MakeXStream({modelgen::XFormat::Binary, false, 32});
    for (const std::uint32_t value : {1u, 3u, 0u, 1u, 2u}) modelgen::WriteDword(tail, value, ';');
    modelgen::EndObject(tail);
    const std::string binaryHead = modelgen::FinishXStream(head);
    const std::string binaryTail = modelgen::FinishXStream(tail);
    return {
        {"spaces", "1.6 GB of spaces after a triangle", XCompressRun("tzip", triangle, " ", size_t{1600} << 20, "")},
        {"points", "a mesh of 20 million points",
         XCompressRun("bzip", binaryHead, std::string(4, '\0'), size_t{3} * points, binaryTail)},
        {"references", "4 million references",
         XCompressRun("tzip", "Material M { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }\nFrame F {\n", "{M}\n", 4u << 20,
                      "}\n" + triangle)},
        {"placed", "a mesh of 600,000 points placed 15 times",
         XCompressRun("tzip", "Mesh M { 600000; ", "0;0;0;, ", 599999,
                      "0;0;0;; 1; 3;0,1,2;; }\nFrame F { " + Repeat("{M} ", 14) + "}\n")},
        {"corner-pairs", "8.3 M triangles, each corner a new pair", NewPairAtEveryCorner(8300000, 4096)},
    };
}

// Each file written to the work folder and loaded once by our reader in a
// child process: what it gives and the resident growth on the way.
void MeasureHostileFiles(const fs::path& work)
{
    std::printf("\nhostile files, our reader: peak = resident growth during one load\n");
    std::printf("%-44s %9s %12s %10s %10s\n", "file", "size KB", "result", "ms", "peak MB");
    for (const HostileFile& hostile : HostileFiles()) {
        const fs::path path = work / (std::string("hostile-") + hostile.name + ".x");
        {
            std::ofstream out(path, std::ios::binary);
            out.write(hostile.bytes.data(), static_cast<std::streamsize>(hostile.bytes.size()));
        }
        const LoadFigures figures = Measure(Reader::Ours, path.string(), 1);
        std::printf("%-44s %9.0f   0x%08lx %10.1f %10.1f\n", hostile.what,
                    static_cast<double>(hostile.bytes.size()) / 1024.0, static_cast<unsigned long>(figures.result),
                    figures.medianMs, figures.peakMb);
    }
}

// A hostile model folder: the model and the files beside it that it names.
struct HostileFolder {
    const char* name;
    const char* what;
    std::string model;
    std::vector<std::pair<std::string, std::string>> files; // name, bytes
    // Held until every material's texture is made, as a program holds them.
    bool holdTextures = false;
    // Makes what the folder holds besides `files`.
    std::function<void(const fs::path&)> prepare = nullptr;
};

// What loading a folder as the program does gives: the mesh's result, then
// each material's texture made with default arguments.
struct FolderFigures {
    std::uint32_t meshResult = 0;
    std::uint32_t textureResult = 0; // the first failure, or S_OK
    unsigned textures = 0;           // loaded
    unsigned failed = 0;
    unsigned skipped = 0; // names the program cannot hold (over 511 characters)
    double ms = 0;
    double peakMb = 0;
    char error[160] = {};
};

FolderFigures LoadFolderInChild(const fs::path& model, bool holdTextures)
{
    FolderFigures figures;
    // Whatever it was before, a case does not run for ever.
    alarm(900);
    NullDevice device;
    ResetPeakRss();
    const long baseKb = StatusKb("VmRSS");
    const auto start = std::chrono::steady_clock::now();
    const std::wstring path = WidePath(model.string());
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    const HRESULT loaded =
        D3DXLoadMeshFromXW(path.c_str(), D3DXMESH_MANAGED, &device, nullptr, &materials, nullptr, &count, &mesh);
    long heldKb = 0;
    figures.meshResult = static_cast<std::uint32_t>(loaded);
    if (SUCCEEDED(loaded)) {
        // The worst moment for memory: everything made ahead, nothing taken yet.
        WaitForTexturesMadeAhead();
        const std::wstring folder = path.substr(0, path.find_last_of(L'/') + 1);
        const auto* records = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
        std::vector<IDirect3DTexture9*> held;
        for (DWORD i = 0; i < count; ++i) {
            if (records[i].pTextureFilename == nullptr) continue;
            wchar_t name[512];
            if (MultiByteToWideChar(CP_ACP, 0, records[i].pTextureFilename, -1, name, 512) <= 0) {
                ++figures.skipped;
                continue;
            }
            IDirect3DTexture9* texture = nullptr;
            const HRESULT made = D3DXCreateTextureFromFileExW(
                &device, (folder + name).c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &texture);
            if (FAILED(made)) {
                if (figures.failed++ == 0) figures.textureResult = static_cast<std::uint32_t>(made);
                continue;
            }
            ++figures.textures;
            if (holdTextures)
                held.push_back(texture);
            else
                texture->Release();
        }
        // The peak is read before anything is let go too: memory unmapped may leave VmHWM behind.
        heldKb = StatusKb("VmHWM");
        for (IDirect3DTexture9* texture : held) texture->Release();
        materials->Release();
        mesh->Release();
    }
    figures.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    figures.peakMb = static_cast<double>(std::max(0L, std::max(heldKb, StatusKb("VmHWM")) - baseKb)) / 1024.0;
    return figures;
}

std::string TextModel(const std::string& body) { return "xof 0303txt 0032\n" + body; }

std::string MaterialNaming(const std::string& texture)
{
    return "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"" + texture + "\"; } }\n";
}

// A triangle whose materials name `textures`, one each.
std::string TriangleNaming(const std::vector<std::string>& textures)
{
    std::string text = "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n MeshMaterialList { "
        + std::to_string(textures.size()) + "; 1; 0;;\n";
    for (const std::string& texture : textures) text += MaterialNaming(texture);
    return TextModel(text + "} }\n");
}

std::string PngBytes(const fs::path& scratch, uint32_t width, uint32_t height)
{
    WritePng(scratch, width, height, height, [width](uint32_t y, uint8_t* row) {
        for (uint32_t x = 0; x < width; ++x) {
            row[3 * x] = static_cast<uint8_t>(x >> 4);
            row[3 * x + 1] = static_cast<uint8_t>(y >> 4);
            row[3 * x + 2] = 0x40;
        }
    });
    std::ifstream in(scratch, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// One model of 100,000 triangles on 3 vertices, each corner with a normal of its own.
std::string ManyNormals(int triangles)
{
    std::string text = "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;;\n" + std::to_string(triangles) + ";\n";
    for (int t = 0; t < triangles; ++t) text += t + 1 < triangles ? "3;0,1,2;,\n" : "3;0,1,2;;\n";
    text += "MeshNormals { " + std::to_string(3 * triangles) + ";\n";
    for (int n = 0; n < 3 * triangles; ++n) {
        text += "1;" + std::to_string(n) + ";0;" + (n + 1 < 3 * triangles ? "," : ";");
    }
    text += "\n" + std::to_string(triangles) + ";\n";
    for (int t = 0; t < triangles; ++t) {
        text += "3;" + std::to_string(3 * t) + "," + std::to_string(3 * t + 1) + "," + std::to_string(3 * t + 2)
            + (t + 1 < triangles ? ";,\n" : ";;\n");
    }
    return XCompress(XTextToBinary(TextModel(text + "} }\n")));
}

// A frame placed `count` times, each time with `count` references in it.
std::string FramesOfReferences(int count)
{
    std::string text = "Material M { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n"
                       "Frame G {\n";
    for (int i = 0; i < count; ++i) text += "{M}\n";
    text += "}\nFrame F {\n";
    for (int i = 0; i < count; ++i) text += "{G}\n";
    return XCompress(TextModel(text + "}\n"));
}

// A triangle holding `children` references, placed `placed` times.
std::string MeshOfReferences(int children, int placed)
{
    std::string text = "Material M { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }\n"
                       "Mesh T { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n";
    for (int i = 0; i < children; ++i) text += "{M}\n";
    text += "}\nFrame F {\n";
    for (int i = 0; i < placed; ++i) text += "{T}\n";
    return XCompress(TextModel(text + "}\n"));
}

// `count` objects whose GUIDs all hash alike under a hash that mixes data1
// into the last eight bytes, and one reference to the last.
std::string CollidingGuids(unsigned count)
{
    std::string text;
    char guid[40];
    for (unsigned i = 1; i <= count; ++i) {
        std::snprintf(guid, sizeof guid, "%08X-0000-0000-0000-0000%02X%02X%02X%02X", i, i & 0xff, (i >> 8) & 0xff,
                      (i >> 16) & 0xff, i >> 24);
        text += std::string("TextureFilename { <") + guid + "> \"t\"; }\n";
    }
    text += std::string("Frame { {<") + guid + ">} }\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";
    return XCompress(TextModel(text));
}

std::vector<HostileFolder> HostileFolders(const fs::path& scratch)
{
    std::string dots;
    for (int i = 0; i < 400000; ++i) dots += "./";
    std::string climb;
    for (int i = 0; i < 24; ++i) climb += "..\\";
    std::vector<std::string> ways;
    for (int i = 0; i < 64; ++i) ways.push_back(Repeat("./", i) + "shared.png");
    return {
        {"long-name", "a texture named through ./ 400,000 times", XCompress(TriangleNaming({dots + "t.png"})), {}},
        {"normals", "100,000 triangles on 3 vertices, 300,000 normals", ManyNormals(100000), {}},
        {"frames", "a frame of 50,000 references placed 50,000 times", FramesOfReferences(50000), {}},
        {"mesh-children", "a mesh of 500,000 references placed 50,000 times", MeshOfReferences(500000, 50000), {}},
        {"guids", "100,000 objects whose GUIDs collide", CollidingGuids(100000), {}},
        {"device", "two textures naming /dev/zero", TriangleNaming({climb + "dev\\zero", climb + "DEV\\ZERO"}), {}},
        {"prefetch",
         "one 2048x4096 PNG named 64 ways",
         TriangleNaming(ways),
         {{"shared.png", PngBytes(scratch, 2048, 4096)}}},
        {"resample",
         "a 4097x8192 PNG made 8192x8192",
         TriangleNaming({"wide.png"}),
         {{"wide.png", PngBytes(scratch, 4097, 8192)}}},
    };
}

// Texture and folder-listing cases: files beside the model and the textures' memory.

// `count` empty files beside the model, their names `length` characters at least.
void ManyFiles(const fs::path& folder, int count, size_t length = 0)
{
    char number[32];
    const std::string prefix = folder.string() + "/" + std::string(length > 14 ? length - 14 : 0, 'x');
    for (int i = 0; i < count; ++i) {
        std::snprintf(number, sizeof number, "file%06d.dat", i);
        const int fd = open((prefix + number).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
        if (fd >= 0) close(fd);
    }
}

void WriteBytes(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// A run-length TGA of one color: 2 MB for 8192x8192.
std::string FlatTga(uint32_t width, uint32_t height)
{
    std::string bytes(18, '\0');
    bytes[2] = 10; // run-length true color
    bytes[12] = static_cast<char>(width & 0xff);
    bytes[13] = static_cast<char>(width >> 8);
    bytes[14] = static_cast<char>(height & 0xff);
    bytes[15] = static_cast<char>(height >> 8);
    bytes[16] = 24;
    bytes[17] = 0x20; // rows from the top
    const size_t packets = size_t{width} * height / 128;
    bytes.reserve(bytes.size() + packets * 4);
    for (size_t i = 0; i < packets; ++i) bytes += "\xff\x40\x80\xc0";
    return bytes;
}

// An interlaced RGB PNG of black texels: its data is the filtered passes' size of zeros.
bool WriteInterlacedPng(const fs::path& path, uint32_t width, uint32_t height)
{
    static const uint32_t passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                          {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    uint64_t filtered = 0;
    for (const auto& pass : passes) {
        const uint64_t w = width > pass[0] ? (width - pass[0] + pass[2] - 1) / pass[2] : 0;
        const uint64_t h = height > pass[1] ? (height - pass[1] + pass[3] - 1) / pass[3] : 0;
        if (w > 0 && h > 0) filtered += h * (1 + w * 3);
    }
    z_stream stream{};
    deflateInit(&stream, 9);
    std::vector<uint8_t> zeros(1 << 20, 0), out(1 << 20);
    std::string compressed;
    uint64_t left = filtered;
    do {
        const size_t step = static_cast<size_t>(std::min<uint64_t>(left, zeros.size()));
        left -= step;
        stream.next_in = zeros.data();
        stream.avail_in = static_cast<uInt>(step);
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            deflate(&stream, left == 0 ? Z_FINISH : Z_NO_FLUSH);
            compressed.append(reinterpret_cast<const char*>(out.data()), out.size() - stream.avail_out);
        } while (stream.avail_out == 0);
    } while (left > 0);
    deflateEnd(&stream);
    std::ofstream file(path, std::ios::binary);
    const auto chunk = [&](const char* type, const std::string& data) {
        std::string bytes;
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<char>((data.size() >> shift) & 0xff));
        bytes += type;
        bytes += data;
        const uLong crc =
            crc32(0, reinterpret_cast<const Bytef*>(bytes.data() + 4), static_cast<uInt>(bytes.size() - 4));
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<char>((crc >> shift) & 0xff));
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    };
    file.write("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    for (const uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8) header.push_back(static_cast<char>((v >> shift) & 0xff));
    header += std::string("\x08\x02\x00\x00\x01", 5);
    chunk("IHDR", header);
    chunk("IDAT", compressed);
    chunk("IEND", "");
    return static_cast<bool>(file);
}

// A progressive 8192x8192 JPEG of busy texels.
void WriteNoiseJpeg(const fs::path& path, bool fullChroma)
{
    WriteJpeg(
        path, 8192, 8192,
        [](uint32_t y, uint8_t* row) {
            for (uint32_t x = 0; x < 8192; ++x) {
                row[3 * x] = static_cast<uint8_t>(x * 7 + y);
                row[3 * x + 1] = static_cast<uint8_t>(y * 5 + x);
                row[3 * x + 2] = static_cast<uint8_t>(x ^ y);
            }
        },
        true, fullChroma);
}

// A 4096x4096 PNG whose image data ends one row early: every other row decodes, then the load fails.
std::string FailingAtItsEnd(const fs::path& scratch)
{
    WritePng(scratch, 4096, 4096, 4095, [](uint32_t y, uint8_t* row) {
        for (uint32_t x = 0; x < 4096; ++x) {
            row[3 * x] = static_cast<uint8_t>(x >> 4);
            row[3 * x + 1] = static_cast<uint8_t>(y >> 4);
            row[3 * x + 2] = 0x40;
        }
    });
    std::ifstream in(scratch, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<HostileFolder> TextureFolders(const fs::path& scratch)
{
    std::string climb;
    for (int i = 0; i < 40; ++i) climb += "f\\..\\";
    const std::string small = PngBytes(scratch, 64, 64);
    const std::string failing = FailingAtItsEnd(scratch);
    std::vector<std::string> distinct;
    for (int i = 0; i < 32; ++i) distinct.push_back("t" + std::to_string(i) + ".png");
    const std::string large = PngBytes(scratch, 4096, 4096);
    std::vector<std::pair<std::string, std::string>> distinctFiles;
    for (const std::string& name : distinct) distinctFiles.emplace_back(name, large);
    return {
        {"missing-beside-many",
         "200 materials naming a missing texture beside 70,000 files",
         TriangleNaming(std::vector<std::string>(200, "missing.png")),
         {},
         false,
         [](const fs::path& folder) { ManyFiles(folder, 70000); }},
        {"missing-beside-long",
         "a missing texture beside 300,000 files of 200-character names",
         TriangleNaming({"missing.png"}),
         {},
         false,
         [](const fs::path& folder) { ManyFiles(folder, 300000, 200); }},
        {"climb-beside-many",
         "a texture named through f\\..\\ 40 times beside 70,000 files",
         TriangleNaming({climb + "f\\t.png"}),
         {},
         false,
         [small](const fs::path& folder) {
             ManyFiles(folder, 70000);
             fs::create_directories(folder / "F");
             WriteBytes(folder / "F" / "T.png", small);
         }},
        {"failing-many",
         "200 materials naming a 4096x4096 PNG that fails at its end",
         TriangleNaming(std::vector<std::string>(200, "broken.png")),
         {{"broken.png", failing}}},
        {"sparse",
         "20 materials naming a 1.9 GB sparse PNG",
         TriangleNaming(std::vector<std::string>(20, "sparse.png")),
         {},
         false,
         [small](const fs::path& folder) {
             WriteBytes(folder / "sparse.png", small);
             fs::resize_file(folder / "sparse.png", uint64_t{1900} << 20);
         }},
        {"held-tga",
         "12 materials naming a 2 MB 8192x8192 TGA, all held",
         TriangleNaming(std::vector<std::string>(12, "flat.tga")),
         {{"flat.tga", FlatTga(8192, 8192)}},
         true},
        {"held-distinct", "32 distinct 4096x4096 PNGs, all held", TriangleNaming(distinct), distinctFiles, true},
        {"interlaced",
         "an interlaced 16384x16384 PNG",
         TriangleNaming({"interlaced.png"}),
         {},
         false,
         [](const fs::path& folder) { WriteInterlacedPng(folder / "interlaced.png", 16384, 16384); }},
        {"progressive-420",
         "a progressive 8192x8192 4:2:0 JPEG",
         TriangleNaming({"progressive.jpg"}),
         {},
         false,
         [](const fs::path& folder) { WriteNoiseJpeg(folder / "progressive.jpg", false); }},
        {"progressive-444",
         "a progressive 8192x8192 4:4:4 JPEG",
         TriangleNaming({"progressive.jpg"}),
         {},
         false,
         [](const fs::path& folder) { WriteNoiseJpeg(folder / "progressive.jpg", true); }},
    };
}

// Each folder written under the work folder and loaded as the program loads
// it, in a child process: the time to the last texture and the peak growth.
void MeasureHostileFolders(const fs::path& work, const std::string& only = {})
{
    std::printf("\nhostile model folders, loaded as the program loads them (the mesh, the textures made\n"
                "ahead awaited, then each material's texture): time and peak resident growth\n");
    std::printf("%-50s %9s %12s %-22s %10s %10s\n", "folder", "model KB", "mesh", "textures", "ms", "peak MB");
    const fs::path scratch = work / "hostile-scratch.png";
    std::vector<HostileFolder> folders = HostileFolders(scratch);
    for (HostileFolder& folder : TextureFolders(scratch)) folders.push_back(std::move(folder));
    for (const HostileFolder& hostile : folders) {
        if (std::string(hostile.name).find(only) == std::string::npos) continue;
        const fs::path folder = work / "hostile" / hostile.name;
        std::error_code error;
        fs::create_directories(folder, error);
        const fs::path model = folder / "model.x";
        std::ofstream(model, std::ios::binary) << hostile.model;
        for (const auto& [name, bytes] : hostile.files) std::ofstream(folder / name, std::ios::binary) << bytes;
        if (hostile.prepare) hostile.prepare(folder);
        FolderFigures figures = InChild<FolderFigures>([&] { return LoadFolderInChild(model, hostile.holdTextures); });
        char textures[192];
        if (figures.error[0] != '\0') {
            std::snprintf(textures, sizeof textures, "%s", figures.error);
        } else {
            std::snprintf(textures, sizeof textures, "%u made, %u failed, %u skipped", figures.textures, figures.failed,
                          figures.skipped);
        }
        std::printf("%-50s %9.1f   0x%08lx %-22s %10.1f %10.1f\n", hostile.what,
                    static_cast<double>(hostile.model.size()) / 1024.0, static_cast<unsigned long>(figures.meshResult),
                    textures, figures.ms, figures.peakMb);
    }
}

// A text model of `count` one-triangle subsets, each with the one material
// the file holds (placed by reference).
std::string OneTriangleSubsets(std::uint32_t count)
{
    std::string text = "Material M { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;;\n"
        + std::to_string(count) + ";\n";
    for (std::uint32_t f = 0; f < count; ++f) text += f + 1 < count ? "3;0,1,2;,\n" : "3;0,1,2;;\n";
    text += "MeshMaterialList { " + std::to_string(count) + "; " + std::to_string(count) + ";\n";
    for (std::uint32_t f = 0; f < count; ++f) text += std::to_string(f) + (f + 1 < count ? ",\n" : ";;\n");
    for (std::uint32_t f = 0; f < count; ++f) text += "{M}\n";
    return TextModel(text + "} }\n");
}

struct SubsetFrameFigures {
    std::uint32_t result = 0;
    DWORD subsets = 0;
    double loadMs = 0;
    double frameMs = 0; // every subset drawn three times, as a frame draws the crate
    char error[160] = {};
};

// The model loaded on a device that draws nothing, then one frame's DrawSubset
// calls: what finding the subsets costs, apart from the driver's drawing.
SubsetFrameFigures DrawSubsetsInChild(const fs::path& model)
{
    SubsetFrameFigures figures;
    alarm(900);
    NullDevice device;
    const std::wstring path = WidePath(model.string());
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    const auto start = std::chrono::steady_clock::now();
    const HRESULT loaded = D3DXLoadMeshFromXW(path.c_str(), D3DXMESH_MANAGED, &device, nullptr, &materials, nullptr,
                                              &figures.subsets, &mesh);
    const auto drawn = std::chrono::steady_clock::now();
    figures.result = static_cast<std::uint32_t>(loaded);
    figures.loadMs = std::chrono::duration<double, std::milli>(drawn - start).count();
    if (FAILED(loaded)) return figures;
    for (int pass = 0; pass < 3; ++pass) {
        for (DWORD i = 0; i < figures.subsets; ++i) mesh->DrawSubset(i);
    }
    figures.frameMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - drawn).count();
    materials->Release();
    mesh->Release();
    return figures;
}

void MeasureSubsetFrames(const fs::path& work)
{
    std::printf("\nframes of many subsets: the load, then one frame's DrawSubset calls (each subset three\n"
                "times) on a device that draws nothing\n");
    std::printf("%-44s %9s %12s %10s %10s\n", "model", "size KB", "result", "load ms", "frame ms");
    const fs::path model = work / "hostile-subsets.x";
    const std::string bytes = OneTriangleSubsets(200000);
    std::ofstream(model, std::ios::binary) << bytes;
    const SubsetFrameFigures figures = InChild<SubsetFrameFigures>([&] { return DrawSubsetsInChild(model); });
    if (figures.error[0] != '\0') std::printf("(%s) ", figures.error);
    std::printf("%-44s %9.0f   0x%08lx %10.1f %10.1f\n", "200,000 one-triangle subsets",
                static_cast<double>(bytes.size()) / 1024.0, static_cast<unsigned long>(figures.result), figures.loadMs,
                figures.frameMs);
}

} // namespace

int main(int argc, char** argv)
{
    const std::optional<Options> parsed = ParseOptions(argc, argv);
    if (!parsed) {
        std::fprintf(stderr,
                     "usage: xload_bench [--work DIR --modelgen PATH] [--faces N] [--runs N] [--reader ours|assimp] "
                     "[--encoding text|bin32|tzip32|bzip32] [--textures DIR] | --work DIR --hostile [--folder NAME]\n");
        return 2;
    }
    const Options& options = *parsed;
    if (!options.textures.empty()) {
        const fs::path work = options.work.empty() ? fs::temp_directory_path() / "xload_bench" : options.work;
        MeasureTextures(options.textures, work, options.runs);
        if (options.modelgen.empty()) return 0;
    }
    std::error_code error;
    fs::create_directories(options.work, error);
    if (error) {
        std::fprintf(stderr, "xload_bench: cannot create %s: %s\n", options.work.c_str(), error.message().c_str());
        return 1;
    }

    if (options.hostileOnly) {
        if (options.folder.empty()) MeasureHostileFiles(options.work);
        MeasureHostileFolders(options.work, options.folder);
        if (options.folder.empty()) MeasureSubsetFrames(options.work);
        return 0;
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
    if (options.reader != "assimp" && options.encoding.empty()) {
        MeasureHostileFiles(options.work);
        MeasureHostileFolders(options.work);
        MeasureSubsetFrames(options.work);
    }
    return 0;
}
