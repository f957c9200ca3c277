// Writing a whole file safely: under a fresh name in its folder, flushed to
// the disk, then renamed over the target, so that a write that fails on the
// way leaves no half-written file and an existing one as it was.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace draxo {

// False, with the reason, when a step fails; the fresh file is gone then.
bool replace_file(const std::filesystem::path& target, const std::vector<unsigned char>& bytes,
                  std::string& why_not);

}  // namespace draxo
