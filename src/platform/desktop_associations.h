// Makes Quirn the desktop's program for the files it works on: a desktop entry
// (quirn.desktop under $XDG_DATA_HOME/applications), the file types it brings
// (mime/packages/quirn.xml, compiled with update-mime-database), and the default
// program for each type through xdg-mime. The desktop database is refreshed when
// update-desktop-database is installed.
#pragma once

#include <string>
#include <vector>

namespace quirn {

// $XDG_DATA_HOME, or ~/.local/share when it is unset.
std::string DefaultDataHome();

// The file types Quirn registers itself for.
const std::vector<std::string>& AssociatedMimeTypes();

struct AssociationResult {
    bool ok = false;
    std::string message;  // what was done, or what failed
};

// `program` is the absolute path of the window program the desktop should start;
// `installDir` is where the program resolver looks for the helpers first.
AssociationResult RegisterDesktopAssociations(const std::string& program,
                                              const std::string& installDir,
                                              const std::string& dataHome);

}  // namespace quirn
