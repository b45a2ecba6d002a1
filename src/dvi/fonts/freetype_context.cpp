#include "dvi/fonts/freetype_context.h"

namespace quirn {

FreeTypeContext::FreeTypeContext() {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) == 0) {
        library_.reset(library, [](FT_Library lib) { FT_Done_FreeType(lib); });
    }
}

FacePtr FreeTypeContext::OpenFace(const std::string& path) const {
    if (!library_) {
        return FacePtr(nullptr, FaceCloser{});
    }
    FT_Face face = nullptr;
    if (FT_New_Face(library_.get(), path.c_str(), 0, &face) != 0) {
        return FacePtr(nullptr, FaceCloser{});
    }
    return FacePtr(face, FaceCloser{library_});
}

}  // namespace quirn
