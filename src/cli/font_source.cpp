#include "cli/font_source.h"

#include "dvi/fonts/font_map.h"
#include "platform/paths.h"

namespace quirn::cli {

namespace {

// Why a font that is neither virtual nor drawn from an outline or bitmaps has nothing.
std::string MissingReason(PreviewDocument& preview, const DviFont& font,
                          const FontMapEntry* entry) {
    DviContext& context = *preview.context;
    const std::string name = FileNameOf(font.name);
    if (context.fileSearch.FindFile(name + ".tfm", false).empty()) {
        return "no metrics (" + name + ".tfm) in the TeX trees";
    }
    if (entry != nullptr) {
        if (entry->outlineFile.starts_with(kPostScriptOnlyPrefix)) {
            return "the font map names no outline file (a font of PostScript printers only)"
                   " and METAFONT cannot make its bitmaps";
        }
        return "the outline file " + entry->outlineFile +
               " of the font map cannot be found or read, and METAFONT cannot make its bitmaps";
    }
    const std::string source = context.fileSearch.FindFile(name + ".mf", false);
    if (!source.empty()) {
        return "the font map has no entry for it and METAFONT failed to make its bitmaps "
               "from " +
               source;
    }
    return "the font map has no entry for it and there is no METAFONT source (" + name +
           ".mf) to make its bitmaps from";
}

FontSource Describe(PreviewDocument& preview, const DviFont& font) {
    FontSource source;
    DviContext& context = *preview.context;
    const FontMapEntry* entry = context.fontMap.Find(font.name);
    if (font.virtualFont != nullptr) {
        source.kind = "virtual";
        source.file = font.virtualFont->path;
        return source;
    }
    if (font.outlineFont != nullptr) {
        source.kind = font.outlineFile.ends_with(".ttf") ? "truetype" : "type1";
        source.file = font.outlineFile;
        if (entry != nullptr) {
            if (!entry->encodingFile.empty()) {
                const std::string path = context.fileSearch.FindFile(entry->encodingFile, false);
                source.encoding = path.empty() ? entry->encodingFile : path;
            }
            source.slant = entry->slant;
            source.extend = entry->extend;
        }
        return source;
    }
    if (font.pkFont != nullptr) {
        source.kind = "pk";
        source.file = font.bitmapFile;
        return source;
    }
    source.kind = "missing";
    source.reason = MissingReason(preview, font, entry);
    return source;
}

}  // namespace

FontSource DescribeFontSource(PreviewDocument& preview, const DviFont& font) {
    // Files beside the document are found first, as they were while it loaded.
    FileSearch& search = preview.context->fileSearch;
    const std::string previous = search.DocumentFolder();
    search.SetDocumentFolder(DirectoryOf(preview.doc->Path()));
    FontSource source = Describe(preview, font);
    search.SetDocumentFolder(previous);
    return source;
}

}  // namespace quirn::cli
