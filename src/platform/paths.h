// Path operations every subsystem builds its paths with. "/" is the separator; a
// "\" written into a relative path (as settings and project files may hold) is taken
// as "/" when joined. There are no drive letters: "c:notes.tex" is a relative name.
#pragma once

#include <string>
#include <string_view>

namespace quirn {

// dir + "/" + name with exactly one separator between them; no separator is added
// when dir is empty or already ends with one. "\" in name becomes "/", and separators
// at the start of name are dropped (name is relative to dir).
std::string JoinPath(std::string_view dir, std::string_view name);

// Up to the last separator, without it. "/name" gives "/", and a path without a
// separator gives ".".
std::string DirectoryOf(std::string_view path);

// The text after the last separator (the whole path when it has none).
std::string FileNameOf(std::string_view path);

// The path without its extension, when its last "." lies in the file name part.
std::string StripExtension(std::string_view path);

// The text after the last "." of the file name part, without the dot; empty when none.
std::string ExtensionOf(std::string_view path);

// Replaces the extension with `extension` (given without the dot); a path without an
// extension gets "." + extension appended.
std::string ReplaceExtension(std::string_view path, std::string_view extension);

// Starts with "/".
bool IsAbsolute(std::string_view path);

// A name a person typed, or a file named relative to a folder, as an absolute path:
// `name` itself when it is absolute, else `name` joined to `folder`. Relative names
// are never resolved against the process's current directory, which Quirn does not
// change; callers pass the folder the name is relative to.
std::string AbsolutePath(std::string_view name, std::string_view folder);

// A user folder of the XDG base directories: $`variable` when it is set and not empty,
// otherwise `homeRelative` below $HOME (below /tmp when HOME is unset), e.g.
// XdgBaseDirectory("XDG_STATE_HOME", ".local/state").
std::string XdgBaseDirectory(const char* variable, std::string_view homeRelative);

// The folder the program was started in (what relative names on its command line are
// relative to), read once.
const std::string& StartFolder();

// Every "\" turned into "/".
std::string ToForwardSlashes(std::string_view path);

// The path with exactly one "/" at its end.
std::string WithTrailingSeparator(std::string_view path);

bool FileExists(const std::string& path);         // a file or a directory
bool RegularFileExists(const std::string& path);  // a file (not a directory)
bool DirectoryExists(const std::string& path);    // a directory

// A directory is writable when a file can be created in it (this is tried, so that a
// read-only medium is recognised whoever runs the program); any other path when it
// can be opened for writing, or, when it does not exist, when its directory is writable.
bool IsWritable(const std::string& path);

// Both paths name the same directory once resolved to their full form (symbolic
// links, "." and ".." and repeated separators resolved). Paths that do not exist are
// compared in their normalised form.
bool SameDirectory(const std::string& a, const std::string& b);

}  // namespace quirn
