// Loads arbitrary bytes as a DVI file and interprets every page, expanded and plain,
// then draws each page small, takes its ink bounds, asks for the character under a few
// points and follows the source links both ways: no crash, hang, leak or read out of
// bounds, whatever the pages and their specials hold.
// No file search helper is reachable, so fonts have metrics of zero and no outlines.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dvi/draw_page.h"
#include "dvi/dvi_doc.h"
#include "dvi/interpret_page.h"
#include "dvi/point_info.h"
#include "dvi/source_links.h"
#include "platform/output_sink.h"
#include "platform/raster_canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static quirn::NullSink sink;
    static quirn::DviContext* context =
        new quirn::DviContext("/nonexistent-quirn-install", &sink, nullptr);

    quirn::CDVIDoc doc(*context);
    if (!doc.LoadDviBytes(std::vector<uint8_t>(data, data + size))) {
        return 0;
    }
    const quirn::PixelSize paper = doc.GetPageSize(10);
    quirn::RasterCanvas canvas(paper.width > 0 && paper.width < 400 ? paper.width : 100,
                               paper.height > 0 && paper.height < 400 ? paper.height : 100);
    for (int page = 0; page < doc.GetPageCount(); ++page) {
        quirn::GetPageContent(doc, page, false);
        quirn::DrawRequest request;
        request.page = page;
        request.dpi = 10;
        quirn::DrawPage(doc, canvas, request);
        quirn::GetInkBounds(doc, page, 10);
        quirn::PointInfo(doc, page, 10, 10, 10);
        quirn::PointInfo(doc, page, 10, 50, 50);
        quirn::SourceForPoint(doc, page, 10, 20, 20);
        quirn::SourceForPoint(doc, page, 300, 0, 100000);
    }
    int page = -1, x = 0, y = 0;
    doc.ForwardSearch("/work/doc.tex", 20, 10, page, x, y);
    doc.ForwardSearch("a.tex", 0xFFFFFFFFu, 300, page, x, y);
    return 0;
}
