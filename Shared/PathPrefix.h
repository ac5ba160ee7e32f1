#pragma once
// Whether a path is a folder or lies inside it, compared textually (nothing is resolved on disk).
//
// One trailing "/" of the folder is ignored, so "/a/b/" and "/a/b" name the same folder. A match must
// end at a component boundary: "/a/bc" is not inside "/a/b". An empty folder and "/" match nothing,
// so a stray empty or root entry in a folder list can never swallow every path.

#include <string>
#include <string_view>

bool hasPathPrefix(std::string_view path, std::string_view folder);

// The path as the user reads it: "~" for the home folder itself, "~/rest" for a path inside it, the
// path unchanged otherwise (also "/home/alicebob" beside the home "/home/alice"). An empty home or
// "/" abbreviates nothing.
std::string abbreviatingHome(std::string_view path, std::string_view home);
