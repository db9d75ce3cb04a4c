#include "metafiles/MetafileRendering.h"

#include "logic/MetafileChecks.h"

#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>
#include <uemf_safe.h>

namespace {

double threadSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// libwmf takes its memory from here: every block carries its size before it, so that the
// whole stays under the budget; past it the library fails as out of memory and stops.
struct WmfBudget
{
    size_t bytes = 0;
    double started = threadSeconds();
};

constexpr size_t BlockHeader = alignof(std::max_align_t);

void *budgetedAllocation(void *context, void *old, size_t size)
{
    auto *budget = static_cast<WmfBudget *>(context);
    size_t oldSize = 0;
    char *block = old ? static_cast<char *>(old) - BlockHeader : nullptr;
    if (block)
        std::memcpy(&oldSize, block, sizeof oldSize);
    if (size > MaxMetafileLibraryBytes || budget->bytes - oldSize + size > MaxMetafileLibraryBytes)
        return nullptr;
    auto *grown = static_cast<char *>(std::realloc(block, size + BlockHeader));
    if (!grown)
        return nullptr;
    budget->bytes = budget->bytes - oldSize + size;
    std::memcpy(grown, &size, sizeof size);
    return grown + BlockHeader;
}

void *wmfMalloc(void *context, size_t size)
{
    return budgetedAllocation(context, nullptr, size);
}

void *wmfRealloc(void *context, void *old, size_t size)
{
    return budgetedAllocation(context, old, size);
}

void wmfFree(void *context, void *memory)
{
    if (!memory)
        return;
    char *block = static_cast<char *>(memory) - BlockHeader;
    size_t size = 0;
    std::memcpy(&size, block, sizeof size);
    static_cast<WmfBudget *>(context)->bytes -= size;
    std::free(block);
}

// Called by libwmf after each record it draws: non-zero stops it.
int wmfOutOfTime(void *context, float)
{
    return threadSeconds() - static_cast<WmfBudget *>(context)->started > MaxMetafileSeconds;
}

bool wmfToSvg(QByteArrayView metafile, QByteArray *svg)
{
    WmfBudget budget;
    wmfAPI_Options options {};
    options.context = &budget;
    options.malloc = wmfMalloc;
    options.realloc = wmfRealloc;
    options.free = wmfFree;
    options.function = wmf_svg_function;
    // Fonts matter only for the widths of texts, which the SVG leaves to the renderer.
    const unsigned long flags = WMF_OPT_ALLOC | WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL
        | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    wmfAPI *api = nullptr;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api)
            wmf_api_destroy(api);
        return false;
    }
    bool drawn = false;
    auto *bytes = reinterpret_cast<unsigned char *>(const_cast<char *>(metafile.data()));
    wmfD_Rect box {};
    if (wmf_mem_open(api, bytes, long(metafile.size())) == wmf_E_None
        && wmf_scan(api, 0, &box) == wmf_E_None) {
        wmf_status_function(api, &budget, wmfOutOfTime);
        wmf_svg_t *device = WMF_SVG_GetData(api);
        device->out = wmf_stream_create(api, nullptr);
        device->bbox = box;
        device->width = unsigned(std::max(1.0f, box.BR.x - box.TL.x));
        device->height = unsigned(std::max(1.0f, box.BR.y - box.TL.y));
        device->flags |= WMF_SVG_INLINE_IMAGES;
        drawn = device->out && wmf_play(api, 0, &box) == wmf_E_None;
        if (device->out) {
            char *text = nullptr;
            unsigned long length = 0;
            wmf_stream_destroy(api, device->out, &text, &length);
            if (drawn && text)
                *svg = QByteArray(text, qsizetype(length));
            wmf_free(api, text);
        }
        wmf_mem_close(api);
    }
    wmf_api_destroy(api);
    return drawn && !svg->isEmpty();
}

// libemf2svg trusts what each record says about its own parts; libUEMF checks them.
bool recordsAreSafe(QByteArrayView metafile)
{
    qsizetype at = 0;
    while (at + 8 <= metafile.size()) {
        const char *record = metafile.data() + at;
        quint32 size = 0;
        std::memcpy(&size, record + 4, sizeof size);
        if (size < 8 || size > quint32(metafile.size() - at))
            return false;
        quint32 type = 0;
        std::memcpy(&type, record, sizeof type);
        // libUEMF warns about types it does not know; libemf2svg skips them.
        if (type >= 1 && type <= 122 && !U_emf_record_safe(record))
            return false;
        at += size;
    }
    return true;
}

bool emfToSvg(QByteArrayView metafile, QByteArray *svg)
{
    if (!recordsAreSafe(metafile))
        return false;
    // libemf2svg reads the records in place and may write to them on big-endian machines.
    QByteArray contents = metafile.toByteArray();
    generatorOptions options {};
    options.svgDelimiter = true;
    char *text = nullptr;
    size_t length = 0;
    const int converted = emf2svg(contents.data(), size_t(contents.size()), &text, &length, &options);
    if (converted && text)
        *svg = QByteArray(text, qsizetype(length));
    std::free(text);
    return converted && !svg->isEmpty();
}

bool toSvg(QByteArrayView metafile, MetafileKind kind, QByteArray *svg)
{
    svg->clear();
    return kind == MetafileKind::Wmf ? wmfToSvg(metafile, svg) : emfToSvg(metafile, svg);
}

bool render(const QByteArray &svg, QSize size, QImage *picture)
{
    QSvgRenderer renderer(svg);
    if (!renderer.isValid() || size.isEmpty())
        return false;
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return false;
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    *picture = std::move(image);
    return true;
}

const MetafileModule Rendering {MetafileModuleVersion, toSvg, render};

} // namespace

const MetafileModule *MetafileRendering()
{
    return &Rendering;
}
