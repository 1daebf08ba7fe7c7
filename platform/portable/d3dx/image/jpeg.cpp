// JPEG files through libjpeg-turbo. A large image is scaled down in the
// inverse DCT (to 1/8 at most) and the rest of the way as its rows arrive; a
// file whose data ends before its image does fails there.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "platform/portable/d3dx/image/decode.h"

namespace portable {

namespace {
// What libjpeg may hold for a progressive file's coefficients (2 bytes per
// sample): a 16384x4096 or 8192x8192 4:2:0 image fits, a 8192x8192 4:4:4 one
// does not. With the texture's rows as they arrive, a load stays near 600 MB.
constexpr long kMemoryLimit = 320l << 20;
// Progressive files run a pass over the image per scan; real encoders write
// about ten. More is refused rather than decoded for minutes.
constexpr int kScanLimit = 100;

struct JpegJob {
    jpeg_decompress_struct decompress{};
    jpeg_error_mgr errors{};
    jpeg_progress_mgr progress{};
    std::jmp_buf failed{};
    HRESULT failure = D3DXERR_INVALIDDATA;
};

JpegJob& JobOf(j_common_ptr common) { return *static_cast<JpegJob*>(common->client_data); }

[[noreturn]] void Fail(j_common_ptr common, HRESULT failure)
{
    JobOf(common).failure = failure;
    std::longjmp(JobOf(common).failed, 1);
}

[[noreturn]] void ErrorExit(j_common_ptr common)
{
    const int code = common->err->msg_code;
    Fail(common, code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE ? E_OUTOFMEMORY : D3DXERR_INVALIDDATA);
}

// Warnings about damaged entropy data are borne, as other decoders bear them;
// data that ends before the image does ends the decode.
void EmitMessage(j_common_ptr common, int level)
{
    if (level >= 0) return;
    const int code = common->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) Fail(common, D3DXERR_INVALIDDATA);
}

void Progress(j_common_ptr common)
{
    if (reinterpret_cast<j_decompress_ptr>(common)->input_scan_number > kScanLimit) {
        Fail(common, D3DXERR_INVALIDDATA);
    }
}

// The smallest DCT scale (in eighths) that still gives at least `need`
// texels (unrounded) on each side.
void ChooseScale(jpeg_decompress_struct& decompress, UINT needWidth, UINT needHeight)
{
    unsigned eighths = 1;
    while (eighths < 8
           && (uint64_t{decompress.image_width} * eighths < uint64_t{needWidth} * 8
               || uint64_t{decompress.image_height} * eighths < uint64_t{needHeight} * 8)) {
        ++eighths;
    }
    decompress.scale_num = eighths;
    decompress.scale_denom = 8;
    jpeg_calc_output_dimensions(&decompress);
}

// The decode itself. libjpeg reports errors by longjmp back here; only its
// own frames lie between, and what this frame owns lives in the caller.
HRESULT Run(JpegJob& job, const uint8_t* data, size_t size, const ImageFit* fit, DecodedImage& image,
            RowCollector& rows, std::vector<uint8_t>& row)
{
    if (setjmp(job.failed) != 0) return job.failure;
    jpeg_decompress_struct& decompress = job.decompress;
    jpeg_mem_src(&decompress, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&decompress, TRUE) != JPEG_HEADER_OK) return D3DXERR_INVALIDDATA;
    if (OutsideImageLimits(decompress.image_width, decompress.image_height)) return D3DXERR_INVALIDDATA;
    const bool grey = decompress.jpeg_color_space == JCS_GRAYSCALE;
    if (!grey && decompress.jpeg_color_space != JCS_YCbCr && decompress.jpeg_color_space != JCS_RGB) {
        return D3DXERR_INVALIDDATA; // CMYK and YCCK
    }
    image.info.width = decompress.image_width;
    image.info.height = decompress.image_height;
    image.info.format = grey ? D3DFMT_L8 : D3DFMT_R8G8B8;
    image.info.fileType = D3DXIFF_JPG;
    image.info.hasAlpha = false;
    if (fit == nullptr) return S_OK;

    const UINT needWidth = std::min<UINT>(decompress.image_width, std::max(1u, fit->width));
    const UINT needHeight = std::min<UINT>(decompress.image_height, std::max(1u, fit->height));
    decompress.out_color_space = JCS_EXT_BGRA;
    ChooseScale(decompress, needWidth, needHeight);
    jpeg_start_decompress(&decompress);
    rows = StartRows(decompress.output_width, decompress.output_height, needWidth, needHeight, false);
    row.resize(size_t{decompress.output_width} * 4);
    while (decompress.output_scanline < decompress.output_height) {
        JSAMPROW target = row.data();
        if (jpeg_read_scanlines(&decompress, &target, 1) != 1) return D3DXERR_INVALIDDATA;
        AddRow(rows, row.data());
    }
    // What follows the last row (up to the end marker) is not needed.
    return S_OK;
}

struct DecompressEnd {
    jpeg_decompress_struct* decompress;
    ~DecompressEnd() { jpeg_destroy_decompress(decompress); }
};
} // namespace

HRESULT DecodeJpeg(const uint8_t* data, size_t size, const ImageFit* fit, DecodedImage& image)
{
    JpegJob job;
    job.decompress.err = jpeg_std_error(&job.errors);
    job.errors.error_exit = ErrorExit;
    job.errors.emit_message = EmitMessage;
    job.decompress.client_data = &job;
    if (setjmp(job.failed) != 0) return job.failure; // creation ran out of memory
    jpeg_create_decompress(&job.decompress);
    const DecompressEnd end{&job.decompress};
    job.decompress.mem->max_memory_to_use = kMemoryLimit;
    job.progress.progress_monitor = Progress;
    job.decompress.progress = &job.progress;

    RowCollector rows;
    std::vector<uint8_t> row;
    const HRESULT result = Run(job, data, size, fit, image, rows, row);
    if (FAILED(result) || fit == nullptr) return result;
    image.levels.push_back(FinishRows(rows));
    return S_OK;
}

} // namespace portable
