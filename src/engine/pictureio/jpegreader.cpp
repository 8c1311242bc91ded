#include "engine/pictureio/jpegreader.h"

#include "engine/basics/largebuffer.h"

#include <QIODevice>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>
// clang-format off: jpeglib.h needs the declarations of cstdio first.
#include <jerror.h>
#include <jpeglib.h>
// clang-format on

namespace {

constexpr qint64 inputChunk = 64 * 1024;

// A whole-picture array of coefficient blocks, which a progressive JPEG keeps for each
// component, on memory of large pages: the library's own arrays are zeroed and faulted in page
// by page, which costs seconds for a picture of 16384 x 16384.
struct BlockArray
{
    JDIMENSION blocksPerRow = 0;
    JDIMENSION rows = 0;
    bool zeroed = false;
    std::unique_ptr<void, LargeBufferRelease> memory;
    std::vector<JBLOCKROW> rowPointers;
};

// libjpeg reports errors through a callback that must not return: it jumps back to the setjmp
// in decode. Everything that outlives such a jump lives here, in the caller's frame, so the
// jump skips no destructor.
struct Decoding
{
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_source_mgr source{};
    jpeg_progress_mgr progress{};
    std::jmp_buf escape{};
    QIODevice *device = nullptr;
    QByteArray input;
    qint64 maxPixels = 0;
    // Output at 1/scaleDenominator of the picture's size (1, 2, 4 or 8).
    int scaleDenominator = 1;
    QImage reuse;
    QImage image;
    // The coefficient blocks the scans may pass over, those they have, and the last scan seen.
    qint64 blockBudget = 0;
    qint64 blocksPassed = 0;
    int lastScan = 0;
    // The library's own memory methods, and the block arrays kept instead of its own.
    jpeg_memory_mgr library{};
    std::vector<std::unique_ptr<BlockArray>> blockArrays;
    // Why the decoding ended early; set before every jump.
    QString reason;
};

Decoding &decodingOf(j_common_ptr info)
{
    return *static_cast<Decoding *>(info->client_data);
}

// The reason is set by the caller in a statement of its own, so that no temporary is alive
// across the jump.
[[noreturn]] void stop(Decoding &decoding)
{
    std::longjmp(decoding.escape, 1);
}

QString libraryMessage(j_common_ptr info)
{
    char text[JMSG_LENGTH_MAX] = {};
    (*info->err->format_message)(info, text);
    return QString::fromLocal8Bit(text);
}

[[noreturn]] void exitOnError(j_common_ptr info)
{
    Decoding &decoding = decodingOf(info);
    decoding.reason = libraryMessage(info);
    stop(decoding);
}

// Warnings (level -1) that report damaged data end the decoding: libjpeg would make up the
// missing or unreadable part (grey rows, coloured garbage) and go on. Warnings about metadata
// and the trace messages (level 0 and above) are ignored.
void watchMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    Decoding &decoding = decodingOf(info);
    switch (info->err->msg_code) {
    case JWRN_ADOBE_XFORM:
    case JWRN_JFIF_MAJOR:
    case JWRN_BOGUS_ICC:
        return;
    case JWRN_EXTRANEOUS_DATA:
        // Bytes between the last scan's data and the end marker: every pixel has been read.
        if (info->err->msg_parm.i[1] == JPEG_EOI)
            return;
        break;
    case JWRN_JPEG_EOF:
        decoding.reason = QStringLiteral("the file ends before the picture does");
        stop(decoding);
    default:
        break;
    }
    decoding.reason = QStringLiteral("the picture data is damaged (%1)").arg(libraryMessage(info));
    stop(decoding);
}

void startSource(j_decompress_ptr)
{
}

void endSource(j_decompress_ptr)
{
}

boolean fillInput(j_decompress_ptr info)
{
    Decoding &decoding = decodingOf(reinterpret_cast<j_common_ptr>(info));
    const qint64 got = decoding.device->read(decoding.input.data(), inputChunk);
    if (got <= 0) {
        // Reported as damage by watchMessage, which does not return.
        WARNMS(info, JWRN_JPEG_EOF);
    }
    info->src->next_input_byte = reinterpret_cast<const JOCTET *>(decoding.input.constData());
    info->src->bytes_in_buffer = size_t(got);
    return TRUE;
}

void skipInput(j_decompress_ptr info, long count)
{
    jpeg_source_mgr &source = *info->src;
    while (count > long(source.bytes_in_buffer)) {
        count -= long(source.bytes_in_buffer);
        fillInput(info);
    }
    if (count > 0) {
        source.next_input_byte += count;
        source.bytes_in_buffer -= size_t(count);
    }
}

// Called while the scans are read: each new scan adds the blocks of its components to the
// work done, which must stay within the budget.
void watchScans(j_common_ptr common)
{
    Decoding &decoding = decodingOf(common);
    const jpeg_decompress_struct &info = decoding.info;
    if (info.input_scan_number == decoding.lastScan)
        return;
    decoding.lastScan = info.input_scan_number;
    for (int i = 0; i < info.comps_in_scan; ++i) {
        const jpeg_component_info *component = info.cur_comp_info[i];
        decoding.blocksPassed +=
            qint64(component->width_in_blocks) * qint64(component->height_in_blocks);
    }
    if (decoding.blocksPassed > decoding.blockBudget) {
        decoding.reason = QStringLiteral("the JPEG's scans repeat its data more than %1 times")
                              .arg(maxJpegPassesPerComponent);
        stop(decoding);
    }
}

jvirt_barray_ptr requestBlockArray(j_common_ptr info, int pool, boolean zeroed,
                                   JDIMENSION blocksPerRow, JDIMENSION rows, JDIMENSION maxAccess)
{
    Decoding &decoding = decodingOf(info);
    if (pool != JPOOL_IMAGE)
        return decoding.library.request_virt_barray(info, pool, zeroed, blocksPerRow, rows,
                                                    maxAccess);
    bool added = false;
    try {
        auto array = std::make_unique<BlockArray>();
        array->blocksPerRow = blocksPerRow;
        array->rows = rows;
        array->zeroed = zeroed;
        decoding.blockArrays.push_back(std::move(array));
        added = true;
    } catch (const std::bad_alloc &) {
    }
    if (!added) {
        decoding.reason = QStringLiteral("not enough memory for the picture");
        stop(decoding);
    }
    // An opaque handle for the library, given back to accessBlockArray only.
    return reinterpret_cast<jvirt_barray_ptr>(decoding.blockArrays.back().get());
}

bool allocateBlocks(BlockArray &array)
{
    const std::size_t rowBytes = std::size_t(array.blocksPerRow) * sizeof(JBLOCK);
    if (array.rows == 0 || rowBytes == 0 || array.rows > std::size_t(-1) / 2 / rowBytes)
        return false;
    try {
        array.rowPointers.resize(array.rows);
    } catch (const std::bad_alloc &) {
        return false;
    }
    const std::size_t bytes = rowBytes * array.rows;
    array.memory.reset(allocateLargeBuffer(bytes));
    if (!array.memory)
        return false;
    auto *blocks = static_cast<JBLOCK *>(array.memory.get());
    if (array.zeroed)
        std::memset(blocks, 0, bytes);
    for (JDIMENSION row = 0; row < array.rows; ++row)
        array.rowPointers[row] = blocks + std::size_t(row) * array.blocksPerRow;
    return true;
}

void realizeArrays(j_common_ptr info)
{
    Decoding &decoding = decodingOf(info);
    decoding.library.realize_virt_arrays(info);
    for (const std::unique_ptr<BlockArray> &array : decoding.blockArrays) {
        if (!array->memory && !allocateBlocks(*array)) {
            decoding.reason = QStringLiteral("not enough memory for the picture");
            stop(decoding);
        }
    }
}

JBLOCKARRAY accessBlockArray(j_common_ptr info, jvirt_barray_ptr handle, JDIMENSION firstRow,
                             JDIMENSION rowCount, boolean writable)
{
    Decoding &decoding = decodingOf(info);
    for (const std::unique_ptr<BlockArray> &array : decoding.blockArrays) {
        if (handle != reinterpret_cast<jvirt_barray_ptr>(array.get()))
            continue;
        if (!array->memory || firstRow > array->rows || rowCount > array->rows - firstRow)
            ERREXIT(info, JERR_BAD_VIRTUAL_ACCESS);
        return array->rowPointers.data() + firstRow;
    }
    return decoding.library.access_virt_barray(info, handle, firstRow, rowCount, writable);
}

void setUp(Decoding &decoding)
{
    jpeg_decompress_struct &info = decoding.info;
    info.err = jpeg_std_error(&decoding.errors);
    decoding.errors.error_exit = exitOnError;
    decoding.errors.emit_message = watchMessage;
    info.client_data = &decoding;
    jpeg_create_decompress(&info);
    decoding.library = *info.mem;
    info.mem->request_virt_barray = requestBlockArray;
    info.mem->realize_virt_arrays = realizeArrays;
    info.mem->access_virt_barray = accessBlockArray;
    decoding.input.resize(int(inputChunk));
    decoding.source.init_source = startSource;
    decoding.source.fill_input_buffer = fillInput;
    decoding.source.skip_input_data = skipInput;
    decoding.source.resync_to_restart = jpeg_resync_to_restart;
    decoding.source.term_source = endSource;
    info.src = &decoding.source;
    decoding.progress.progress_monitor = watchScans;
    info.progress = &decoding.progress;
}

// Chooses the output colour space and image format, as Qt's reader does.
QImage::Format chooseOutput(Decoding &decoding)
{
    jpeg_decompress_struct &info = decoding.info;
    switch (info.num_components) {
    case 1:
        info.out_color_space = JCS_GRAYSCALE;
        return QImage::Format_Grayscale8;
    case 3:
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        info.out_color_space = JCS_EXT_BGRX;
#else
        info.out_color_space = JCS_EXT_XRGB;
#endif
        return QImage::Format_RGB32;
    case 4:
        info.out_color_space = JCS_CMYK;
        return QImage::Format_RGB32;
    default:
        decoding.reason = QStringLiteral("the JPEG has %1 colour components; only grey, colour and "
                                         "CMYK pictures are read")
                              .arg(info.num_components);
        stop(decoding);
    }
}

// Inverted CMYK, as Adobe writes it, to RGB: each colour scaled by the black channel.
void cmykToRgb(const JSAMPLE *in, QRgb *out, int width)
{
    for (int x = 0; x < width; ++x, in += 4) {
        const int k = in[3];
        out[x] = qRgb(k * in[0] / 255, k * in[1] / 255, k * in[2] / 255);
    }
}

void readRows(Decoding &decoding)
{
    jpeg_decompress_struct &info = decoding.info;
    QImage &image = decoding.image;
    if (info.out_color_space != JCS_CMYK) {
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = image.scanLine(int(info.output_scanline));
            jpeg_read_scanlines(&info, &row, 1);
        }
        return;
    }
    JSAMPARRAY buffer = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info),
                                                  JPOOL_IMAGE, info.output_width * 4, 1);
    while (info.output_scanline < info.output_height) {
        const int y = int(info.output_scanline);
        jpeg_read_scanlines(&info, buffer, 1);
        cmykToRgb(buffer[0], reinterpret_cast<QRgb *>(image.scanLine(y)), int(info.output_width));
    }
}

// True once a scan has brought every component's DC coefficients: each block's mean, all an
// eighth-size output reads (the first scan may hold them at one bit less, which changes a
// block's mean by less than a grey level).
bool everyMeanRead(const jpeg_decompress_struct &info)
{
    for (int c = 0; c < info.num_components; ++c)
        if (info.coef_bits[c][0] < 0)
            return false;
    return true;
}

// A progressive JPEG decoded at an eighth of its size: only its first scans are read, those
// that hold the blocks' means, which costs a small part of decoding every scan.
void readMeansOnly(Decoding &decoding)
{
    jpeg_decompress_struct &info = decoding.info;
    int status = JPEG_SUSPENDED;
    while (!(status == JPEG_SCAN_COMPLETED && everyMeanRead(info))) {
        status = jpeg_consume_input(&info);
        if (status == JPEG_REACHED_EOI)
            break;
    }
    jpeg_start_output(&info, info.input_scan_number);
    readRows(decoding);
    jpeg_finish_output(&info);
}

void decodeAll(Decoding &decoding)
{
    jpeg_decompress_struct &info = decoding.info;
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        decoding.reason = QStringLiteral("the JPEG holds no picture");
        stop(decoding);
    }
    if (qint64(info.image_width) * info.image_height > decoding.maxPixels) {
        decoding.reason = QStringLiteral("the picture is too large (%1 x %2 pixels)")
                              .arg(info.image_width)
                              .arg(info.image_height);
        stop(decoding);
    }
    qint64 blocks = 0;
    for (int c = 0; c < info.num_components; ++c)
        blocks += qint64(info.comp_info[c].width_in_blocks) * info.comp_info[c].height_in_blocks;
    decoding.blockBudget = blocks * maxJpegPassesPerComponent;

    const QImage::Format format = chooseOutput(decoding);
    // A reduced output is computed from fewer coefficients: the inverse transform and the
    // colour conversion shrink with the output, only the data's decoding stays whole.
    info.scale_num = 1;
    info.scale_denom = unsigned(decoding.scaleDenominator);
    const bool meansOnly = info.progressive_mode && decoding.scaleDenominator == 8;
    info.buffered_image = meansOnly ? TRUE : FALSE;
    jpeg_start_decompress(&info);
    const QSize size(int(info.output_width), int(info.output_height));
    if (decoding.reuse.size() == size && decoding.reuse.format() == format &&
        decoding.reuse.isDetached()) {
        decoding.image = std::move(decoding.reuse);
    } else {
        // Let go of the old picture first, so that both are never held at once.
        decoding.reuse = QImage();
        decoding.image = allocatePictureImage(size.width(), size.height(), format);
    }
    if (decoding.image.isNull()) {
        decoding.reason = QStringLiteral("not enough memory for the picture");
        stop(decoding);
    }
    if (meansOnly) {
        readMeansOnly(decoding);
        return;
    }
    readRows(decoding);
    // The markers after the last scan too, so that damage there is seen.
    jpeg_finish_decompress(&info);
}

bool decode(Decoding &decoding)
{
    if (setjmp(decoding.escape)) {
        jpeg_destroy_decompress(&decoding.info);
        decoding.image = QImage();
        return false;
    }
    setUp(decoding);
    decodeAll(decoding);
    jpeg_destroy_decompress(&decoding.info);
    return true;
}

bool decodeHeader(Decoding &decoding, QSize *size)
{
    if (setjmp(decoding.escape)) {
        jpeg_destroy_decompress(&decoding.info);
        return false;
    }
    setUp(decoding);
    const bool read = jpeg_read_header(&decoding.info, TRUE) == JPEG_HEADER_OK;
    *size = QSize(int(decoding.info.image_width), int(decoding.info.image_height));
    jpeg_destroy_decompress(&decoding.info);
    return read;
}

} // namespace

QSize readJpegSize(QIODevice &device)
{
    Decoding decoding;
    decoding.device = &device;
    QSize size;
    return decodeHeader(decoding, &size) ? size : QSize();
}

QImage readJpeg(QIODevice &device, qint64 maxPixels, QString *error, QImage reuse,
                int scaleDenominator)
{
    Decoding decoding;
    decoding.device = &device;
    decoding.maxPixels = maxPixels;
    decoding.scaleDenominator = scaleDenominator;
    decoding.reuse = std::move(reuse);
    if (decode(decoding))
        return std::move(decoding.image);
    if (error)
        *error = decoding.reason;
    return QImage();
}
