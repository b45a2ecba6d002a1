// The process's FreeType library, made once and passed to whoever opens outline
// faces. Faces keep the library alive: a face may outlive the context object that
// opened it (a document closed after the context is gone) without touching a freed
// library.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <memory>
#include <string>

namespace quirn {

// Releases a face through FreeType and then drops its share of the library.
struct FaceCloser {
    std::shared_ptr<FT_LibraryRec_> library;
    void operator()(FT_Face face) const {
        if (face != nullptr) {
            FT_Done_Face(face);
        }
    }
};

using FacePtr = std::unique_ptr<FT_FaceRec_, FaceCloser>;

class FreeTypeContext {
  public:
    FreeTypeContext();
    FreeTypeContext(const FreeTypeContext&) = delete;
    FreeTypeContext& operator=(const FreeTypeContext&) = delete;

    // False when FreeType could not be initialised; no face opens then.
    bool Ok() const { return library_ != nullptr; }
    FT_Library Library() const { return library_.get(); }

    // Opens face 0 of the file at `path`; null when FreeType cannot open it.
    FacePtr OpenFace(const std::string& path) const;

  private:
    std::shared_ptr<FT_LibraryRec_> library_;
};

}  // namespace quirn
