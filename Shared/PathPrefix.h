#pragma once
// Whether a path is a folder or lies inside it, compared textually (nothing is resolved on disk).
//
// One trailing "/" of the folder is ignored, so "/a/b/" and "/a/b" name the same folder. A match must
// end at a component boundary: "/a/bc" is not inside "/a/b". An empty folder and "/" match nothing,
// so a stray empty or root entry in a folder list can never swallow every path.

#include <string_view>

bool hasPathPrefix(std::string_view path, std::string_view folder);
