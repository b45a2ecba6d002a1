// Bibliographies and indexes that just work: after a LaTeX run, whether BibTeX or
// MakeIndex must run before the document can show its references and index, and where
// a BibTeX error points.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "typeset/output_analysis.h"

namespace quirn {

// What the auxiliary files held at one moment: the bibliography lines of the .aux
// (with the .aux files it reads in) and the whole .idx.
struct AuxiliarySnapshot {
    std::string citations;
    std::string index;
    bool hasIndex = false;
    bool operator==(const AuxiliarySnapshot&) const = default;
};

// `base` is the source without its extension.
AuxiliarySnapshot TakeAuxiliarySnapshot(const std::string& base);

// Why BibTeX must run after a run that changed `before` into `after`, with `log` the
// run's log; empty when it need not. Only a document whose .aux names a bibliography
// (\bibdata) ever needs it.
std::string BibTeXReason(const std::string& base, const AuxiliarySnapshot& before,
                         const AuxiliarySnapshot& after, std::string_view log);

// Why MakeIndex must run; empty when it need not.
std::string MakeIndexReason(const std::string& base, const AuxiliarySnapshot& before,
                            const AuxiliarySnapshot& after);

// The place of BibTeX's first error in its output ("---line N of file F").
std::optional<ErrorPosition> FindBibTeXError(std::string_view output);

}  // namespace quirn
